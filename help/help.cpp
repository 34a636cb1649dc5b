#include "help/help.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QWidget>
#include <utility>

#include "help/guide_window.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "1.0.0"
#endif
#ifndef CORVANE_HOMEPAGE
#define CORVANE_HOMEPAGE "https://corvane.org/"
#endif

namespace corvane::help {

namespace {

// Where F1 leads from each part of the program, by the objectName of a
// window, or of a dock or dialog inside one: the page, and the section on
// that part where it has one of its own.
struct Topic {
    const char* object;
    const char* page;
};

constexpr Topic kTopics[] = {
    {"Form1", "main-window.html"},
    {"Form2", "zoom-difference.html"},
    {"Form3", "histograms.html"},
    {"Form4", "function-graphs.html"},
    {"BifurcationWindow", "explorer.html"},
    {"fieldsDock", "explorer.html#view"},
    {"densityDock", "explorer.html#density"},
    {"CobwebWindow", "cobweb.html"},
    {"FeigenbaumWindow", "feigenbaum.html"},
    {"PlaneWindow", "parameter-plane.html"},
    {"stepsDialog", "parameter-plane.html#steps"},
    {"CustomMapDialog", "custom-maps.html#dialog"},
    {"PictureOptionsDialog", "sessions.html#pictures"},
};

QString topicOf(const QWidget* widget) {
    const QString name = widget->objectName();
    if (name.isEmpty()) return {};
    for (const Topic& topic : kTopics) {
        if (name == QLatin1String(topic.object)) return QString::fromLatin1(topic.page);
    }
    return {};
}

// Every library the program links, with the licence its Debian package
// states (/usr/share/doc/<package>/copyright). The About box and
// packaging/copyright list the same libraries.
struct LinkedLibrary {
    const char* name;
    const char* use;
    const char* licence;
    // Under the GNU GPL version 2 or later: the program as distributed is
    // then covered by it as a whole.
    bool gpl = false;
};

constexpr LinkedLibrary kLinkedLibraries[] = {
    {"Qt", "windows, menus, dialogs and the guide", "LGPL-3.0 or GPL-2.0"},
    {"libcups", "printing", "Apache-2.0 with the GPL-2.0 and LGPL-2.0 exception"},
    {"oneTBB", "parallel work", "Apache-2.0"},
    {"muparser", "checking formulas", "MIT"},
    {"nlohmann/json", "reading and writing sessions (built in from its headers)", "MIT"},
    {"LLVM", "compiling formulas to machine code", "Apache-2.0 with the LLVM exception"},
    {"libffi, libedit, libxml2, zlib, libtinfo and Z3", "LLVM's own libraries",
     "MIT, BSD-3-Clause, Zlib, X11 and MIT"},
    {"GnuTLS, Nettle and GMP", "libcups' encryption",
     "LGPL-2.1-or-later, LGPL-3.0-or-later "
     "or GPL-2.0-or-later"},
    {"libgomp, libstdc++ and libgcc_s", "the compiler's run-time libraries",
     "GPL-3.0-or-later with the GCC Runtime Library Exception 3.1"},
    {"the GNU C Library", "the system's C library", "LGPL-2.1-or-later"},
};

}  // namespace

QString guidePageFor(const QWidget* focus, const QWidget* within) {
    for (const QWidget* w = focus; w; w = w->parentWidget()) {
        const QString page = topicOf(w);
        if (!page.isEmpty()) return page;
        if (w == within) break;
    }
    return {};
}

QString aboutText() {
    QString libraries;
    QStringList gpl;
    for (const LinkedLibrary& library : kLinkedLibraries) {
        QString name = QString::fromUtf8(library.name);
        if (name == QLatin1String("Qt")) name += QLatin1Char(' ') + QString::fromLatin1(qVersion());
        libraries +=
            QStringLiteral("<li>%1 (%2): %3</li>")
                .arg(name, QString::fromUtf8(library.use), QString::fromUtf8(library.licence));
        if (library.gpl) gpl << QString::fromUtf8(library.name);
    }
    QString whole;
    if (!gpl.isEmpty()) {
        const QString names = gpl.size() == 1
                                  ? gpl.front()
                                  : gpl.mid(0, gpl.size() - 1).join(QStringLiteral(", ")) +
                                        QStringLiteral(" and ") + gpl.back();
        whole = QStringLiteral(
                    "<p>The program as distributed is linked with %1, which %2 under the GNU "
                    "General Public License version 2 or later. The program as a whole is "
                    "therefore covered by the GNU GPL version 2 or later, and its complete "
                    "source code is available at %3.</p>")
                    .arg(names, gpl.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                         QStringLiteral(CORVANE_HOMEPAGE));
    }
    return QStringLiteral(
               "<p><b>Corvane</b> %1</p>"
               "<p>Iterated maps of the unit interval, for teaching and experimenting.</p>"
               "<p>Licence: MIT, for Corvane's own source code.</p>"
               "%2"
               "<p>The program links:</p><ul>%3</ul>"
               "<p>GoogleTest and Google Benchmark are used only to build and test "
               "Corvane; they are not part of the program.</p>")
        .arg(QStringLiteral(CORVANE_VERSION), whole, libraries);
}

Help::Help(std::function<QWidget*()> dialogOwner) : dialogOwner_(std::move(dialogOwner)) {}

Help::~Help() { delete guide_.data(); }

void Help::showGuide() { showGuideAt(guide_ ? QString() : QStringLiteral("index.html")); }

void Help::showGuideFor(const QWidget* from) {
    if (guide_ && from && from->window() == guide_) return;  // already reading it
    const QString page = guidePageFor(from);
    showGuideAt(page.isEmpty() ? QStringLiteral("index.html") : page);
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
    // A section is shown again even on its page: the reader may have
    // scrolled away from it.
    if (!page.isEmpty() && (page.contains(QLatin1Char('#')) || guide_->currentPage() != page)) {
        guide_->showPage(page);
    }
    lendToModalDialog();
    guide_->show();
    guide_->raise();
    guide_->activateWindow();
}

void Help::lendToModalDialog() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || guide_->parentWidget() == dialog) return;
    // A modal dialog blocks every window but its own: the guide opened from
    // it is its window while it is open, so that it can be read and
    // scrolled, and a window of its own again when the dialog closes.
    const QRect frame = guide_->geometry();
    guide_->setParent(dialog, Qt::Window);
    guide_->setGeometry(frame);
    const QPointer<GuideWindow> guide = guide_;
    QObject::connect(
        dialog, &QDialog::finished, guide,
        [guide] {
            if (!guide) return;
            const bool shown = guide->isVisible();
            const QRect frame = guide->geometry();
            guide->setParent(nullptr, Qt::Window);
            guide->setGeometry(frame);
            if (shown) guide->show();
        },
        Qt::SingleShotConnection);
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
    // widget: it is taken at the widget, and the guide opens at the section
    // of the dock, dialog or window it is in. A modal dialog keeps the key
    // unless the guide has a section on that dialog; the dialog stays open.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (widget != modal && !modal->isAncestorOf(widget)) return false;
        if (guidePageFor(widget, modal).isEmpty()) return false;
    }
    if (!key->isAutoRepeat()) help_.showGuideFor(widget);
    return true;
}

}  // namespace corvane::help
