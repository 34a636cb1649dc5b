// The wiring between the main window and the explorer's tool windows: one
// bifurcation diagram and one cobweb, each made on first use and raised
// when asked again. The diagram's "Use this a" writes into the main
// window's a field; its a-cursor and the cobweb's a are one value, kept in
// an ACursor that tells each window when the other moves it. The table of
// Feigenbaum's constants opens from either menu and shows its superstable
// parameters in the diagram. The formulas of maps of the user's own used in
// the run are one list for both windows.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/tools/session.h"
#include "explore/a_cursor.h"
#include "explore/bifurcation_compute.h"
#include "explore/recent_formulas.h"
#include "explore/tool_menus.h"
#include "gui/picture.h"
#include "windows/explore_link.h"

namespace corvane {

class Program;
namespace explore {
class BifurcationWindow;
class CobwebWindow;
class FeigenbaumWindow;
class PlaneWindow;
}  // namespace explore

class ExploreWiring : public ExploreLink {
public:
    explicit ExploreWiring(Program& program);
    ~ExploreWiring() override;

    void openBifurcation(int mapChoice) override;
    void openCobweb(int mapChoice, std::optional<double> a) override;
    void openFeigenbaum(int mapChoice) override;
    void openPlane(int mapChoice) override;
    void openSession() override;
    void saveSession() override;
    void openRecentSession() override;
    // The tool windows for a map (none: the map they show, a new one the
    // logistic map).
    void showBifurcation(const std::optional<Map>& map);
    void showCobweb(const std::optional<Map>& map, std::optional<double> a);
    void showFeigenbaum(const std::optional<Map>& map);
    void showPlane(const std::optional<Map>& map);

    // The windows once they have been opened.
    explore::BifurcationWindow* bifurcation() const { return bifurcation_.get(); }
    explore::CobwebWindow* cobweb() const { return cobweb_.get(); }
    explore::FeigenbaumWindow* feigenbaum() const { return feigenbaum_.get(); }
    explore::PlaneWindow* plane() const { return plane_.get(); }
    const explore::ACursor& cursor() const { return cursor_; }
    // The formulas used in this run, offered by both windows' dialogs.
    const explore::RecentFormulas& recentFormulas() const { return *recent_; }
    const gui::LargeTextSetting& largeText() const { return *largeText_; }

    // Sessions (app/explore_sessions.cpp). What is shown now: the main
    // window's fields and map, each tool window that is open with its model
    // and place.
    tools::Session session() const;
    // Shows a session read and checked already: the main window's fields
    // and map, the tool windows it names where they stood, the others closed.
    void applySession(const tools::Session& session);
    // Reads the file and shows it; the refusal (naming the file) with
    // nothing changed, or the notes on what was left out.
    struct Opened {
        bool ok = false;
        std::string error;
        std::vector<std::string> notes;
    };
    Opened openSessionFile(const std::string& path);
    // Opens the file as File → Open session… does: a refusal or what was
    // left out told over `owner`, the file remembered as recent.
    void openSessionFrom(QWidget* owner, const QString& path);
    // Writes the session shown, whole or not at all.
    platform::ExportOutcome saveSessionFile(const std::string& path) const;
    // The sessions opened or saved last that are still there, newest first,
    // kept in the settings file (by default the user's Corvane settings;
    // tests give their own).
    QStringList recentSessions() const;
    void setSettingsFile(const QString& path) { settingsFile_ = path; }
    // How the program tells the user (by default a message box over
    // `owner`); tests read the messages instead.
    using Tell = std::function<void(QWidget* owner, const QString& text, bool problem)>;
    void setTell(Tell tell) { tell_ = std::move(tell); }
    // What the tool windows' File menus do with sessions.
    const std::shared_ptr<const explore::SessionCommands>& sessionCommands() const {
        return sessionCommands_;
    }

private:
    // Makes the table of Feigenbaum's constants, not shown yet.
    void makeFeigenbaum(const Map& map);
    void askOpenSession(QWidget* owner);
    void askSaveSession(QWidget* owner);
    void rememberSession(const QString& path, bool keep);
    // Shows the cobweb at a (else at the shared a-cursor's) and shares it.
    void showCobwebAt(std::optional<double> a);

    Program& program_;
    explore::ACursor cursor_;
    std::shared_ptr<explore::RecentFormulas> recent_ = std::make_shared<explore::RecentFormulas>();
    // View → Large text and lines, the same in every tool window.
    std::shared_ptr<gui::LargeTextSetting> largeText_ = std::make_shared<gui::LargeTextSetting>();
    int bifurcationListener_ = -1;
    int cobwebListener_ = -1;
    int planeListener_ = -1;
    QString settingsFile_;
    Tell tell_;
    std::shared_ptr<const explore::SessionCommands> sessionCommands_;
    std::unique_ptr<explore::BifurcationWindow> bifurcation_;
    std::unique_ptr<explore::CobwebWindow> cobweb_;
    std::unique_ptr<explore::FeigenbaumWindow> feigenbaum_;
    std::unique_ptr<explore::PlaneWindow> plane_;
};

}  // namespace corvane
