// What the main window needs from the explorer's tool windows, which live
// outside the windows that run on the platform: the program's wiring
// supplies it, and without it the Explore menu does nothing.
#pragma once

#include <optional>

namespace corvane {

class ExploreLink {
public:
    virtual ~ExploreLink() = default;
    // Opens the bifurcation diagram (or raises it when open) for the map
    // chosen in the main window: 1, 2, or 0 for none chosen yet.
    virtual void openBifurcation(int mapChoice) = 0;
    // Opens the cobweb (or raises it when open) for the map chosen in the
    // main window, at `a` when given (the main window's a, when it is one)
    // or else at the explorer's a-cursor.
    virtual void openCobweb(int mapChoice, std::optional<double> a) = 0;
    // Opens the table of Feigenbaum's constants (or raises it when open)
    // for the map chosen in the main window: 1, 2, or 0 for none chosen yet.
    virtual void openFeigenbaum(int mapChoice) = 0;
    // Opens the parameter plane (or raises it when open): the forcing plane
    // of the map chosen in the main window: 1, 2, or 0 for none chosen yet.
    virtual void openPlane(int mapChoice) = 0;
    // A lesson as a file: asks for a session and opens it (the main window's
    // fields and map, and the tool windows it names); asks where to save
    // the session shown; offers the sessions opened or saved last.
    virtual void openSession() = 0;
    virtual void saveSession() = 0;
    virtual void openRecentSession() = 0;
};

}  // namespace corvane
