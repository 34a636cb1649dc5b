#include "help/guide_window.h"

#include <QAction>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolBar>
#include <algorithm>

namespace corvane::help {

namespace {

const QString kRoot = QStringLiteral("qrc:/guide/");

}  // namespace

QStringList GuideWindow::pages() {
    return {
        QStringLiteral("index.html"),           QStringLiteral("maps.html"),
        QStringLiteral("main-window.html"),     QStringLiteral("zoom-difference.html"),
        QStringLiteral("histograms.html"),      QStringLiteral("function-graphs.html"),
        QStringLiteral("explorer.html"),        QStringLiteral("cobweb.html"),
        QStringLiteral("feigenbaum.html"),      QStringLiteral("custom-maps.html"),
        QStringLiteral("parameter-plane.html"), QStringLiteral("sessions.html"),
        QStringLiteral("exercises.html"),       QStringLiteral("keyboard.html"),
    };
}

QUrl GuideWindow::pageUrl(const QString& page) { return QUrl(kRoot + page); }

GuideWindow::GuideWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Guide"));
    setWindowTitle(QStringLiteral("Corvane Guide"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("page"));
    browser_->setAccessibleName(QStringLiteral("Guide page"));
    // Everything is inside the program: links lead to its own pages only.
    browser_->setOpenExternalLinks(false);
    browser_->setOpenLinks(true);
    setCentralWidget(browser_);

    auto* bar = new QToolBar(QStringLiteral("Navigation"), this);
    bar->setObjectName(QStringLiteral("navigation"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, bar);

    back_ = bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    back_->setObjectName(QStringLiteral("back"));
    back_->setShortcut(QKeySequence::Back);
    back_->setToolTip(QStringLiteral("Back to the page you came from (Alt+Left)"));
    back_->setEnabled(false);
    forward_ = bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    forward_->setObjectName(QStringLiteral("forward"));
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setEnabled(false);
    QAction* contents = bar->addAction(QStringLiteral("Contents"), this,
                                       [this] { showPage(QStringLiteral("index.html")); });
    contents->setObjectName(QStringLiteral("contents"));
    contents->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    bar->addSeparator();

    auto* findLabel = new QLabel(QStringLiteral("Find:"), bar);
    findField_ = new QLineEdit(bar);
    findField_->setObjectName(QStringLiteral("find"));
    findField_->setAccessibleName(QStringLiteral("Find in the guide"));
    findField_->setPlaceholderText(QStringLiteral("word to find"));
    findField_->setMaximumWidth(220);
    findLabel->setBuddy(findField_);
    bar->addWidget(findLabel);
    bar->addWidget(findField_);
    QAction* next = bar->addAction(QStringLiteral("Next"), this, [this] { findFromField(false); });
    next->setObjectName(QStringLiteral("findNext"));
    next->setShortcut(QKeySequence::FindNext);
    QAction* previous =
        bar->addAction(QStringLiteral("Previous"), this, [this] { findFromField(true); });
    previous->setObjectName(QStringLiteral("findPrevious"));
    previous->setShortcut(QKeySequence::FindPrevious);
    findStatus_ = new QLabel(bar);
    findStatus_->setObjectName(QStringLiteral("findStatus"));
    findStatus_->setAccessibleName(QStringLiteral("Find result"));
    findStatus_->setMinimumWidth(80);
    bar->addWidget(findStatus_);

    connect(findField_, &QLineEdit::returnPressed, this, [this] { findFromField(false); });
    connect(findField_, &QLineEdit::textEdited, findStatus_, &QLabel::clear);
    auto* focusFind = new QShortcut(QKeySequence::Find, this);
    connect(focusFind, &QShortcut::activated, this, [this] {
        findField_->setFocus(Qt::ShortcutFocusReason);
        findField_->selectAll();
    });
    // Escape closes the guide, as it closes the program's other windows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { pageChanged(); });

    setTabOrder(browser_, findField_);
    resize(860, 680);
    showPage(QStringLiteral("index.html"));
}

void GuideWindow::showPage(const QString& page) { browser_->setSource(pageUrl(page)); }

QString GuideWindow::currentPage() const { return browser_->source().fileName(); }

void GuideWindow::pageChanged() {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Corvane Guide")
                                   : QStringLiteral("Corvane Guide: ") + title);
    browser_->setAccessibleDescription(title);
    findStatus_->clear();
}

QString GuideWindow::plainText(const QString& page) {
    auto it = plainTexts_.find(page);
    if (it != plainTexts_.end()) return *it;
    QFile file(QStringLiteral(":/guide/") + page);
    QString text;
    if (file.open(QIODevice::ReadOnly)) {
        QTextDocument document;
        document.setHtml(QString::fromUtf8(file.readAll()));
        text = document.toPlainText();
    }
    plainTexts_.insert(page, text);
    return text;
}

bool GuideWindow::find(const QString& text, bool backward) {
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser_->find(text, flags)) return true;
    const QStringList all = pages();
    const int count = static_cast<int>(all.size());
    const int here = std::max(0, static_cast<int>(all.indexOf(currentPage())));
    // The other pages in turn, then this one again from its start (or end).
    for (int step = 1; step <= count; ++step) {
        const int i = ((backward ? here - step : here + step) % count + count) % count;
        if (!plainText(all[i]).contains(text, Qt::CaseInsensitive)) continue;
        if (all[i] != currentPage()) showPage(all[i]);
        QTextCursor cursor(browser_->document());
        cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        browser_->setTextCursor(cursor);
        if (browser_->find(text, flags)) return true;
    }
    return false;
}

void GuideWindow::findFromField(bool backward) {
    const QString text = findField_->text().trimmed();
    if (text.isEmpty()) {
        findStatus_->clear();
        return;
    }
    const bool found = find(text, backward);
    // The field keeps the focus: Enter (or F3) finds the next place.
    findStatus_->setText(found ? QString() : QStringLiteral("Not found"));
}

}  // namespace corvane::help
