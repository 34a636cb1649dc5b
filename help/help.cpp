#include "help/help.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <utility>

#include "help/guide_window.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "1.0.0"
#endif

namespace corvane::help {

namespace {

// The page that explains each of the program's windows.
QString pageAbout(const QWidget* window) {
    const QString name = window ? window->objectName() : QString();
    if (name == QLatin1String("Form1")) return QStringLiteral("main-window.html");
    if (name == QLatin1String("Form2")) return QStringLiteral("zoom-difference.html");
    if (name == QLatin1String("Form3")) return QStringLiteral("histograms.html");
    if (name == QLatin1String("Form4")) return QStringLiteral("function-graphs.html");
    if (name == QLatin1String("CobwebWindow")) return QStringLiteral("function-graphs.html");
    return QStringLiteral("index.html");
}

}  // namespace

QString aboutText() {
    return QStringLiteral(
               "<p><b>Corvane</b> %1</p>"
               "<p>Iterated maps of the unit interval, for teaching and experimenting.</p>"
               "<p>Licence: MIT.</p>"
               "<p>Made with:</p><ul>"
               "<li>Qt %2 (windows, menus, dialogs and the guide)</li>"
               "<li>libcups (printing)</li>"
               "<li>oneTBB (parallel work)</li>"
               "<li>GoogleTest and Google Benchmark (used only to build and test "
               "Corvane)</li></ul>")
        .arg(QStringLiteral(CORVANE_VERSION), QString::fromLatin1(qVersion()));
}

Help::Help(std::function<QWidget*()> dialogOwner) : dialogOwner_(std::move(dialogOwner)) {}

Help::~Help() { delete guide_.data(); }

void Help::showGuide() { showGuideAt(guide_ ? QString() : QStringLiteral("index.html")); }

void Help::showGuideFor(const QWidget* from) {
    if (guide_ && from == guide_) return;  // already reading it
    showGuideAt(pageAbout(from));
}

void Help::showGuideAt(const QString& page) {
    if (!guide_) {
        guide_ = new GuideWindow;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            guide_->resize(guide_->size().boundedTo(area.size() * 0.9));
            guide_->move(area.center() - guide_->rect().center());
        }
    }
    if (!page.isEmpty() && guide_->currentPage() != page) guide_->showPage(page);
    guide_->show();
    guide_->raise();
    guide_->activateWindow();
}

void Help::showAbout() {
    QMessageBox box(dialogOwner_ ? dialogOwner_() : nullptr);
    box.setObjectName(QStringLiteral("about"));
    box.setWindowTitle(QStringLiteral("About Corvane"));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::RichText);
    box.setText(aboutText());
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    // The key goes to the window's QWindow first, then to the focused
    // widget: it is taken at the widget. A modal dialog keeps it.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || QApplication::activeModalWidget()) return false;
    if (!key->isAutoRepeat()) help_.showGuideFor(widget->window());
    return true;
}

}  // namespace corvane::help
