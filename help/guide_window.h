// The guide: pages of HTML shipped inside the program (Qt resources under
// :/guide), shown in a window of their own with links between them, Back,
// Forward, Contents and a find field that searches every page.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <QUrl>

class QAction;
class QLabel;
class QLineEdit;
class QTextBrowser;

namespace corvane::help {

class GuideWindow : public QMainWindow {
public:
    explicit GuideWindow(QWidget* parent = nullptr);

    // The pages in the guide's order (contents first), as file names.
    static QStringList pages();
    // The resource URL of a page ("maps.html" -> qrc:/guide/maps.html).
    static QUrl pageUrl(const QString& page);

    // Shows a page by file name, optionally at an anchor ("maps.html#a").
    void showPage(const QString& page);
    // The file name of the page shown now.
    QString currentPage() const;

    // Finds the next (or previous) place the text appears, case
    // insensitively: on in this page, then in the following (or preceding)
    // pages, coming round to this page's start last. Selects it; false when
    // no page holds the text.
    bool find(const QString& text, bool backward = false);

    QTextBrowser* browser() const { return browser_; }
    QLineEdit* findField() const { return findField_; }
    QLabel* findStatus() const { return findStatus_; }
    QAction* backAction() const { return back_; }
    QAction* forwardAction() const { return forward_; }

private:
    QString plainText(const QString& page);
    void findFromField(bool backward);
    void pageChanged();

    QTextBrowser* browser_ = nullptr;
    QLineEdit* findField_ = nullptr;
    QLabel* findStatus_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QHash<QString, QString> plainTexts_;
};

}  // namespace corvane::help
