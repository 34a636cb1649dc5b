// What a window's drawing surface shows now, in words, for screen readers:
// the legends and titles drawn on it, kept as they are drawn and handed to
// the window each time they change.
#pragma once

#include <array>
#include <string>

#include "platform/platform.h"

namespace corvane {

class SurfaceDescription {
public:
    // `name`: what the surface is ("Orbit plots"); `noun` and `nouns`: one
    // and several of its panels ("Plot", "Plots"); `emptyText`: the
    // description while nothing is drawn.
    SurfaceDescription(platform::Window& window, std::string name, std::string noun,
                       std::string nouns, std::string emptyText);

    // The surface was erased.
    void clear();
    // The legend of panel k (1 to 6) was drawn.
    void setPanel(int k, const std::string& legend);
    // A single chart with this title was drawn over the whole surface.
    void setChart(const std::string& title, const std::string& legend);

    // "Plots 1 to 3: 1: a = 3.7, x0 = 0.2, n = 100; 2: …; 3: …".
    std::string text() const;

private:
    void publish();

    platform::Window& window_;
    std::string name_;
    std::string noun_;
    std::string nouns_;
    std::string emptyText_;
    std::array<std::string, 7> panels_{};  // index 0: a single chart's legend
    std::string chartTitle_;
};

}  // namespace corvane
