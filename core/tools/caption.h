// The lines under an exported picture (and in its file's description): the
// map, the view and the parameters the picture was drawn with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/numeric/invariant_density.h"
#include "core/tools/explorer_model.h"
#include "core/tools/plane_model.h"

namespace corvane::tools {

// The bifurcation diagram: the map, its a and x ranges, x0, T and K, and
// the cursor's a when one is set.
std::vector<std::string> explorerCaption(const View& view, std::optional<double> cursorA);

// What a cobweb picture shows.
struct CobwebCaption {
    std::string map;  // Map::caption()
    double a = 0;
    double x0 = 0;
    int fold = 1;             // k
    std::int64_t steps = 0;   // n
    double from = 0, to = 1;  // the x span drawn
};
std::vector<std::string> cobwebCaption(const CobwebCaption& c);

// The density at the cursor: the map, a, and the orbit counted.
std::vector<std::string> densityCaption(const density::Orbit& orbit, Interval span);

// The parameter plane: its map, the two parameters' ranges, x0, T and K,
// what the colours show, and the cursor when one is set.
std::vector<std::string> planeViewCaption(const PlaneView& view, PlaneColouring colouring,
                                          const std::optional<std::pair<double, double>>& cursor);

// The lines joined by "; ", for a file's one-line title or description.
std::string joinCaption(const std::vector<std::string>& lines);

}  // namespace corvane::tools
