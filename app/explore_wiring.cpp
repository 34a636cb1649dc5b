#include "app/explore_wiring.h"

#include "core/numeric/number_text.h"
#include "explore/bifurcation_window.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

ExploreWiring::ExploreWiring(Program& program) : program_(program) {}

ExploreWiring::~ExploreWiring() = default;

void ExploreWiring::openBifurcation(int mapChoice) {
    if (!bifurcation_) {
        bifurcation_ = std::make_unique<explore::BifurcationWindow>(mapChoice == 2 ? 2 : 1);
        // The a as the legends write numbers, so the next "Corvane" plot
        // shows that orbit.
        bifurcation_->setUseA([this](double a) { program_.form1().Text1->setText(numberText(a)); });
    } else if ((mapChoice == 1 || mapChoice == 2) && mapChoice != bifurcation_->view().map) {
        bifurcation_->selectMap(mapChoice);
    }
    bifurcation_->show();
    bifurcation_->raise();
    bifurcation_->activateWindow();
}

}  // namespace corvane
