// The wiring between the main window and the explorer's tool windows: one
// bifurcation diagram, made on first use and raised when asked again, whose
// "Use this a" writes into the main window's a field.
#pragma once

#include <memory>

#include "windows/explore_link.h"

namespace corvane {

class Program;
namespace explore {
class BifurcationWindow;
}

class ExploreWiring : public ExploreLink {
public:
    explicit ExploreWiring(Program& program);
    ~ExploreWiring() override;

    void openBifurcation(int mapChoice) override;

    // The diagram's window once it has been opened.
    explore::BifurcationWindow* bifurcation() const { return bifurcation_.get(); }

private:
    Program& program_;
    std::unique_ptr<explore::BifurcationWindow> bifurcation_;
};

}  // namespace corvane
