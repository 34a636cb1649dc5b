#include "app/explore_wiring.h"

#include "core/numeric/number_text.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"
#include "explore/plane_window.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

ExploreWiring::ExploreWiring(Program& program) : program_(program) {
    // Listeners first, so that they outlive nothing they call: the windows
    // they reach are made later and looked up when the value moves.
    bifurcationListener_ = cursor_.listen([this](double a) {
        if (bifurcation_) bifurcation_->setCursorA(a);
    });
    cobwebListener_ = cursor_.listen([this](double a) {
        if (cobweb_) cobweb_->setA(a);
    });
    // The plane's cursor follows a while the cobweb or the explorer shows
    // the map of one pass the plane opened them on.
    planeListener_ = cursor_.listen([this](double a) {
        if (!plane_ || !plane_->linkedMap()) return;
        const Map& linked = *plane_->linkedMap();
        if ((cobweb_ && cobweb_->map() == linked) ||
            (bifurcation_ && bifurcation_->view().map == linked)) {
            plane_->linkedAMoved(a);
        }
    });
    auto commands = std::make_shared<explore::SessionCommands>();
    commands->open = [this](QWidget* owner) { askOpenSession(owner); };
    commands->save = [this](QWidget* owner) { askSaveSession(owner); };
    commands->recent = [this] { return recentSessions(); };
    commands->openPath = [this](QWidget* owner, const QString& path) {
        openSessionFrom(owner, path);
    };
    sessionCommands_ = std::move(commands);
}

ExploreWiring::~ExploreWiring() = default;

namespace {

// The main window's choice of map: 1 or 2; anything else leaves a tool
// window's map as it is (a new one opens with the logistic map).
std::optional<Map> chosenMap(int mapChoice) {
    if (mapChoice == 1 || mapChoice == 2) return Map::fromChoice(mapChoice);
    return std::nullopt;
}

}  // namespace

void ExploreWiring::openBifurcation(int mapChoice) { showBifurcation(chosenMap(mapChoice)); }

void ExploreWiring::showBifurcation(const std::optional<Map>& map) {
    if (!bifurcation_) {
        bifurcation_ = std::make_unique<explore::BifurcationWindow>(map.value_or(Map()));
        // The a as the legends write numbers, so the next "Corvane" plot
        // shows that orbit.
        bifurcation_->setUseA([this](double a) { program_.form1().Text1->setText(numberText(a)); });
        bifurcation_->onCursorMoved = [this](double a) { cursor_.set(a, bifurcationListener_); };
        bifurcation_->setOpenCobweb([this](const Map& m, double a) { showCobweb(m, a); });
        bifurcation_->setRecentFormulas(recent_);
        bifurcation_->setLargeText(largeText_);
        bifurcation_->setOpenFeigenbaum([this](const Map& m) { showFeigenbaum(m); });
        bifurcation_->setSessionCommands(sessionCommands_);
        if (const auto a = cursor_.value()) bifurcation_->setCursorA(*a);
    } else if (map && !(*map == bifurcation_->view().map)) {
        bifurcation_->selectMap(*map);
    }
    bifurcation_->show();
    bifurcation_->raise();
    bifurcation_->activateWindow();
}

void ExploreWiring::openCobweb(int mapChoice, std::optional<double> a) {
    showCobweb(chosenMap(mapChoice), a);
}

void ExploreWiring::showCobweb(const std::optional<Map>& map, std::optional<double> a) {
    if (!cobweb_) {
        cobweb_ = std::make_unique<explore::CobwebWindow>(map && !map->isFormula() ? *map : Map());
        cobweb_->onAChanged = [this](double value) { cursor_.set(value, cobwebListener_); };
        cobweb_->setRecentFormulas(recent_);
        cobweb_->setLargeText(largeText_);
        cobweb_->setSessionCommands(sessionCommands_);
        if (map && map->isFormula()) cobweb_->showCustomMap(*map);
    }
    // The map first, so that a is taken within its own range.
    if (map && !(*map == cobweb_->map())) cobweb_->selectMap(*map);
    showCobwebAt(a);
}

void ExploreWiring::showCobwebAt(std::optional<double> a) {
    // The a asked for, else the one the two windows share; from now on the
    // two share the cobweb's.
    if (!a) a = cursor_.value();
    if (a) cobweb_->setA(*a);
    cursor_.set(cobweb_->a(), cobwebListener_);
    cobweb_->show();
    cobweb_->raise();
    cobweb_->activateWindow();
}

void ExploreWiring::openFeigenbaum(int mapChoice) { showFeigenbaum(chosenMap(mapChoice)); }

void ExploreWiring::makeFeigenbaum(const Map& map) {
    feigenbaum_ = std::make_unique<explore::FeigenbaumWindow>(map);
    feigenbaum_->setLargeText(largeText_);
    feigenbaum_->setSessionCommands(sessionCommands_);
    feigenbaum_->setShowInExplorer(
        [this](const Map& m, double aMin, double aMax, const std::vector<double>& s) {
            showBifurcation(m);
            std::vector<explore::AMark> marks;
            for (std::size_t i = 0; i < s.size(); ++i) {
                marks.push_back({s[i], QStringLiteral("s%1").arg(i + 1)});
            }
            bifurcation_->showRange(m, aMin, aMax, std::move(marks));
        });
}

void ExploreWiring::showFeigenbaum(const std::optional<Map>& map) {
    if (!feigenbaum_) {
        makeFeigenbaum(map.value_or(Map()));
    } else if (map && !(*map == feigenbaum_->map())) {
        feigenbaum_->selectMap(*map);
    }
    feigenbaum_->show();
    feigenbaum_->raise();
    feigenbaum_->activateWindow();
}

void ExploreWiring::openPlane(int mapChoice) { showPlane(chosenMap(mapChoice)); }

void ExploreWiring::showPlane(const std::optional<Map>& map) {
    if (!plane_) {
        plane::PlaneMap start;
        start.map = map.value_or(Map());
        plane_ = std::make_unique<explore::PlaneWindow>(start);
        plane_->setRecentFormulas(recent_);
        plane_->setLargeText(largeText_);
        plane_->setSessionCommands(sessionCommands_);
        plane_->setOpenCobweb([this](const Map& m, double a) {
            showCobweb(m, a);
            cursor_.set(a, planeListener_);
        });
        plane_->setOpenExplorer([this](const Map& m, double aMin, double aMax, double a) {
            showBifurcation(m);
            bifurcation_->showRange(m, aMin, aMax, {});
            cursor_.set(a, planeListener_);
            bifurcation_->setCursorA(a);
        });
    } else if (map && plane_->view().map.mode == plane::Mode::Forcing &&
               !(*map == plane_->view().map.map)) {
        plane::PlaneMap m = plane_->view().map;
        m.map = *map;
        plane_->selectMap(m);
    }
    plane_->show();
    plane_->raise();
    plane_->activateWindow();
}

}  // namespace corvane
