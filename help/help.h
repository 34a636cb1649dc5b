// The program's help on the Qt desktop: the guide window, the About box and
// F1, which opens the guide from every window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "help/guide_window.h"
#include "windows/help_link.h"

class QWidget;

namespace corvane::help {

// The guide's page (with "#section" where it has one) about what `focus`
// is in: the nearest of it and its parents, up to `within` when given, that
// is a window, dock or dialog the guide explains. Empty when none is.
QString guidePageFor(const QWidget* focus, const QWidget* within = nullptr);

// The text of the About box: name, version, licence and libraries.
QString aboutText();

class Help : public HelpLink {
public:
    // `dialogOwner` gives the window the About box belongs to when it opens.
    explicit Help(std::function<QWidget*()> dialogOwner);
    ~Help() override;
    Help(const Help&) = delete;
    Help& operator=(const Help&) = delete;

    void showGuide() override;
    void showAbout() override;
    // Opens the guide at the page and section about `from` and the dock,
    // dialog or window it is in (guidePageFor), the contents for any other.
    void showGuideFor(const QWidget* from);

    // The guide window once it has been opened; null before.
    GuideWindow* guide() const { return guide_; }

private:
    void showGuideAt(const QString& page);
    // Under a modal dialog, makes the guide that dialog's window until it
    // closes, so that the dialog does not block it.
    void lendToModalDialog();

    std::function<QWidget*()> dialogOwner_;
    QPointer<GuideWindow> guide_;
};

// Watches the application's key presses: F1 in any window not blocked by a
// modal dialog, or in a dialog the guide explains, opens the guide at the
// page and section of what has the focus. Installed on the
// application (QApplication::installEventFilter).
class HelpKey : public QObject {
public:
    explicit HelpKey(Help& help) : help_(help) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Help& help_;
};

}  // namespace corvane::help
