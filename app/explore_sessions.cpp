// Sessions: what the program shows gathered into a tools::Session, written
// through the save module, and a session read back shown in the windows;
// the Open and Save dialogs, the recent list and the messages.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>
#include <memory>

#include "app/explore_wiring.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"
#include "explore/plane_window.h"
#include "gui/export.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

namespace {

constexpr int kMostRecent = 8;
const QString kRecentKey = QStringLiteral("sessions/recent");
const QString kFilter = QStringLiteral("Corvane sessions (*.corvane)");

std::unique_ptr<QSettings> settingsAt(const QString& file) {
    if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Corvane"), QStringLiteral("Corvane"));
}

std::optional<tools::Geometry> geometryOf(const QWidget& window) {
    const auto bounded = [](int v, int least) {
        return std::clamp(v, least, tools::kFarthestWindow);
    };
    const QPoint at = window.pos();
    return tools::Geometry{bounded(at.x(), -tools::kFarthestWindow),
                           bounded(at.y(), -tools::kFarthestWindow), bounded(window.width(), 1),
                           bounded(window.height(), 1)};
}

// Where the window stood, kept within the free area of a screen.
void place(QWidget& window, const std::optional<tools::Geometry>& g) {
    if (!g) return;
    const QRect wanted(g->x, g->y, g->width, g->height);
    const QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = window.screen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    const QSize size = wanted.size().boundedTo(free.size()).expandedTo(window.minimumSizeHint());
    const int x = std::max(free.left(), std::min(wanted.x(), free.right() + 1 - size.width()));
    const int y = std::max(free.top(), std::min(wanted.y(), free.bottom() + 1 - size.height()));
    window.resize(size);
    window.move(x, y);
}

std::string shortened(std::string text) {
    if (text.size() > tools::kMostFieldText) text.resize(tools::kMostFieldText);
    return text;
}

}  // namespace

tools::Session ExploreWiring::session() const {
    tools::Session s;
    Form1& form1 = program_.form1();
    s.main.a = shortened(form1.Text1->text());
    s.main.x0 = shortened(form1.Text2->text());
    s.main.n = shortened(form1.Text3->text());
    const int choice = program_.module.funcChoice;
    s.main.map = choice == 1 || choice == 2 ? choice : 0;
    if (bifurcation_ && bifurcation_->isVisible()) {
        s.explorer = tools::explorerPart(bifurcation_->model());
        if (const auto lambda = bifurcation_->lambdaRange()) {
            s.explorer->lambda = Interval{lambda->first, lambda->second};
        }
        s.explorer->geometry = geometryOf(*bifurcation_);
    }
    if (cobweb_ && cobweb_->isVisible()) {
        s.cobweb = tools::CobwebPart{cobweb_->map(),  cobweb_->a(),     cobweb_->x0(),
                                     cobweb_->fold(), cobweb_->steps(), geometryOf(*cobweb_)};
    }
    if (feigenbaum_ && feigenbaum_->isVisible()) {
        s.feigenbaum = tools::FeigenbaumPart{feigenbaum_->map(), feigenbaum_->mostN(),
                                             geometryOf(*feigenbaum_)};
    }
    if (plane_ && plane_->isVisible()) {
        s.plane = tools::planePart(plane_->model());
        s.plane->geometry = geometryOf(*plane_);
    }
    return s;
}

void ExploreWiring::applySession(const tools::Session& s) {
    Form1& form1 = program_.form1();
    form1.Text1->setText(s.main.a);
    form1.Text2->setText(s.main.x0);
    form1.Text3->setText(s.main.n);
    program_.module.funcChoice = static_cast<std::int16_t>(s.main.map);
    // The cobweb first: its a is the explorer's cursor, which the explorer's
    // own history then sets as it was (a cursor out of its view is dropped).
    if (s.cobweb) {
        const tools::CobwebPart& c = *s.cobweb;
        showCobweb(c.map, c.a);
        cobweb_->pause();
        cobweb_->setX0(c.x0);
        cobweb_->setFold(c.k);
        cobweb_->setSteps(c.n);
        place(*cobweb_, c.geometry);
    } else if (cobweb_) {
        cobweb_->close();
    }
    if (s.explorer) {
        const tools::ExplorerModel model = tools::explorerModel(*s.explorer);
        showBifurcation(model.view().map);
        bifurcation_->restoreModel(model);
        const auto& lambda = s.explorer->lambda;
        bifurcation_->setLambdaRange(lambda ? std::optional(std::pair(lambda->from, lambda->to))
                                            : std::nullopt);
        place(*bifurcation_, s.explorer->geometry);
        if (!s.cobweb && model.cursor()) cursor_.set(*model.cursor(), bifurcationListener_);
    } else if (bifurcation_) {
        bifurcation_->close();
    }
    if (s.feigenbaum) {
        const Map& map = s.feigenbaum->map;
        const int mostN = s.feigenbaum->mostN;
        if (!feigenbaum_) {
            makeFeigenbaum(map);  // it searches when first shown
            feigenbaum_->setMostN(mostN);
        } else if (!(map == feigenbaum_->map())) {
            feigenbaum_->setMostN(mostN);
            feigenbaum_->selectMap(map);
        } else if (mostN != feigenbaum_->mostN()) {
            feigenbaum_->setMostN(mostN);
            feigenbaum_->compute();
        }
        showFeigenbaum(std::nullopt);
        place(*feigenbaum_, s.feigenbaum->geometry);
    } else if (feigenbaum_) {
        feigenbaum_->close();
    }
    if (s.plane) {
        showPlane(std::nullopt);
        plane_->restoreModel(tools::planeModel(*s.plane));
        place(*plane_, s.plane->geometry);
    } else if (plane_) {
        plane_->close();
    }
}

ExploreWiring::Opened ExploreWiring::openSessionFile(const std::string& path) {
    tools::SessionRead read = tools::readSessionFile(path);
    Opened opened;
    if (!read.session) {
        opened.error = read.error;
        return opened;
    }
    applySession(*read.session);
    opened.ok = true;
    opened.notes = std::move(read.notes);
    return opened;
}

platform::ExportOutcome ExploreWiring::saveSessionFile(const std::string& path) const {
    const std::string text = tools::writeSession(session());
    return gui::saveData(path, [&text](platform::TextSink& sink) {
        sink.write(text);
        return true;
    });
}

QStringList ExploreWiring::recentSessions() const {
    // Files since moved or deleted are not offered.
    QStringList recent;
    for (const QString& path : settingsAt(settingsFile_)->value(kRecentKey).toStringList()) {
        if (QFileInfo::exists(path) && recent.size() < kMostRecent) recent << path;
    }
    return recent;
}

void ExploreWiring::rememberSession(const QString& path, bool keep) {
    const auto settings = settingsAt(settingsFile_);
    QStringList recent = settings->value(kRecentKey).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    if (keep) recent.prepend(absolute);
    settings->setValue(kRecentKey, recent.mid(0, kMostRecent));
}

void ExploreWiring::openSessionFrom(QWidget* owner, const QString& path) {
    const Opened opened = openSessionFile(path.toStdString());
    const auto tell = [this, owner](const QString& text, bool problem) {
        if (tell_) {
            tell_(owner, text, problem);
        } else if (problem) {
            QMessageBox::warning(owner, QStringLiteral("Open session"), text);
        } else {
            QMessageBox::information(owner, QStringLiteral("Open session"), text);
        }
    };
    if (!opened.ok) {
        // A file that is gone leaves the list; one refused stays, to be mended.
        if (!QFileInfo::exists(path)) rememberSession(path, false);
        tell(QString::fromStdString(opened.error), true);
        return;
    }
    rememberSession(path, true);
    if (!opened.notes.empty()) {
        QString text = QStringLiteral("%1 was opened, but not all of it:").arg(path);
        for (const std::string& note : opened.notes) {
            text += QStringLiteral("\n\u2022 ") + QString::fromStdString(note);
        }
        tell(text, true);
    }
}

void ExploreWiring::askOpenSession(QWidget* owner) {
    // The folder of the last file of the run, else the lessons shipped.
    QString folder = gui::lastExportFolder();
    if (folder.isEmpty()) {
        folder = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                        QStringLiteral("corvane/lessons"),
                                        QStandardPaths::LocateDirectory);
    }
    const QString path =
        QFileDialog::getOpenFileName(owner, QStringLiteral("Open session"), folder, kFilter);
    if (path.isEmpty()) return;
    gui::lastExportFolder() = QFileInfo(path).absolutePath();
    openSessionFrom(owner, path);
}

void ExploreWiring::askSaveSession(QWidget* owner) {
    const QString start =
        QDir(gui::lastExportFolder()).filePath(QStringLiteral("lesson") + tools::kSessionSuffix);
    QString path =
        QFileDialog::getSaveFileName(owner, QStringLiteral("Save session"), start, kFilter);
    if (path.isEmpty()) return;
    if (!path.endsWith(QLatin1String(tools::kSessionSuffix))) path += tools::kSessionSuffix;
    gui::lastExportFolder() = QFileInfo(path).absolutePath();
    const platform::ExportOutcome outcome = saveSessionFile(path.toStdString());
    if (outcome.status == platform::ExportOutcome::Status::Written) {
        rememberSession(path, true);
    } else if (outcome.status == platform::ExportOutcome::Status::Failed) {
        const QString text = QString::fromStdString(outcome.message);
        if (tell_) {
            tell_(owner, text, true);
        } else {
            QMessageBox::warning(owner, QStringLiteral("Save session"), text);
        }
    }
}

void ExploreWiring::openSession() { askOpenSession(QApplication::activeWindow()); }

void ExploreWiring::saveSession() { askSaveSession(QApplication::activeWindow()); }

void ExploreWiring::openRecentSession() {
    QWidget* owner = QApplication::activeWindow();
    QMenu menu(owner);
    const QStringList paths = recentSessions();
    for (const QString& path : paths) menu.addAction(path)->setData(path);
    if (paths.isEmpty()) menu.addAction(QStringLiteral("(none)"))->setEnabled(false);
    const QAction* chosen = menu.exec(QCursor::pos());
    if (chosen && chosen->data().isValid()) openSessionFrom(owner, chosen->data().toString());
}

}  // namespace corvane
