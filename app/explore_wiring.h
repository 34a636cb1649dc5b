// The wiring between the main window and the explorer's tool windows: one
// bifurcation diagram and one cobweb, each made on first use and raised
// when asked again. The diagram's "Use this a" writes into the main
// window's a field; its a-cursor and the cobweb's a are one value, kept in
// an ACursor that tells each window when the other moves it.
#pragma once

#include <memory>
#include <optional>

#include "explore/a_cursor.h"
#include "windows/explore_link.h"

namespace corvane {

class Program;
namespace explore {
class BifurcationWindow;
class CobwebWindow;
}  // namespace explore

class ExploreWiring : public ExploreLink {
public:
    explicit ExploreWiring(Program& program);
    ~ExploreWiring() override;

    void openBifurcation(int mapChoice) override;
    void openCobweb(int mapChoice, std::optional<double> a) override;

    // The windows once they have been opened.
    explore::BifurcationWindow* bifurcation() const { return bifurcation_.get(); }
    explore::CobwebWindow* cobweb() const { return cobweb_.get(); }
    const explore::ACursor& cursor() const { return cursor_; }

private:
    Program& program_;
    explore::ACursor cursor_;
    int bifurcationListener_ = -1;
    int cobwebListener_ = -1;
    std::unique_ptr<explore::BifurcationWindow> bifurcation_;
    std::unique_ptr<explore::CobwebWindow> cobweb_;
};

}  // namespace corvane
