#include "app/explore_wiring.h"

#include "core/numeric/number_text.h"
#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"
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
}

ExploreWiring::~ExploreWiring() = default;

void ExploreWiring::openBifurcation(int mapChoice) {
    if (!bifurcation_) {
        bifurcation_ = std::make_unique<explore::BifurcationWindow>(mapChoice == 2 ? 2 : 1);
        // The a as the legends write numbers, so the next "Corvane" plot
        // shows that orbit.
        bifurcation_->setUseA([this](double a) { program_.form1().Text1->setText(numberText(a)); });
        bifurcation_->onCursorMoved = [this](double a) { cursor_.set(a, bifurcationListener_); };
        bifurcation_->setOpenCobweb([this](int map, double a) { openCobweb(map, a); });
        bifurcation_->setOpenCustomCobweb(
            [this](std::shared_ptr<const explore::CustomChoice> custom, double a) {
                openCustomCobweb(std::move(custom), a);
            });
        bifurcation_->setRecentFormulas(recent_);
        bifurcation_->setOpenFeigenbaum([this](int map) { openFeigenbaum(map); });
        if (const auto a = cursor_.value()) bifurcation_->setCursorA(*a);
    } else if ((mapChoice == 1 || mapChoice == 2) && mapChoice != bifurcation_->view().map) {
        bifurcation_->selectMap(mapChoice);
    }
    bifurcation_->show();
    bifurcation_->raise();
    bifurcation_->activateWindow();
}

void ExploreWiring::openCobweb(int mapChoice, std::optional<double> a) {
    makeCobweb(mapChoice);
    showCobwebAt(a);
}

void ExploreWiring::openCustomCobweb(std::shared_ptr<const explore::CustomChoice> custom,
                                     double a) {
    makeCobweb(0);
    // The formula first, so that a is taken within its own range.
    cobweb_->showCustomMap(std::move(custom));
    showCobwebAt(a);
}

void ExploreWiring::makeCobweb(int mapChoice) {
    if (!cobweb_) {
        cobweb_ = std::make_unique<explore::CobwebWindow>(mapChoice == 2 ? 2 : 1);
        cobweb_->onAChanged = [this](double value) { cursor_.set(value, cobwebListener_); };
        cobweb_->setRecentFormulas(recent_);
    } else if (mapChoice == 1 || mapChoice == 2) {
        cobweb_->selectMap(mapChoice);
    }
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

void ExploreWiring::openFeigenbaum(int mapChoice) {
    if (!feigenbaum_) {
        feigenbaum_ = std::make_unique<explore::FeigenbaumWindow>(mapChoice == 2 ? 2 : 1);
        feigenbaum_->setShowInExplorer(
            [this](int map, double aMin, double aMax, const std::vector<double>& s) {
                openBifurcation(map);
                std::vector<explore::AMark> marks;
                for (std::size_t i = 0; i < s.size(); ++i) {
                    marks.push_back({s[i], QStringLiteral("s%1").arg(i + 1)});
                }
                bifurcation_->showRange(map, aMin, aMax, std::move(marks));
            });
    } else if ((mapChoice == 1 || mapChoice == 2) && mapChoice != feigenbaum_->map()) {
        feigenbaum_->selectMap(mapChoice);
    }
    feigenbaum_->show();
    feigenbaum_->raise();
    feigenbaum_->activateWindow();
}

}  // namespace corvane
