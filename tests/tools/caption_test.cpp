#include "core/tools/caption.h"

#include <gtest/gtest.h>

namespace corvane::tools {
namespace {

TEST(Caption, ExplorerNamesTheMapTheViewAndItsParameters) {
    struct Case {
        View view;
        std::optional<double> cursor;
        std::vector<std::string> expected;
    };
    View sine = startView(Map::sine());
    sine.aMin = 1.5;
    sine.aMax = 2.25;
    sine.x0 = 0.125;
    sine.transient = 500;
    sine.kept = 2000;
    const Case cases[] = {
        {startView(Map::logistic()),
         std::nullopt,
         {"Bifurcation diagram of f(x) = a*x*(1-x)", "a from 2.5 to 4, x from 0 to 1",
          "x0 = 0.5, T = 1000, K = 1000"}},
        {sine,
         3.25,
         {"Bifurcation diagram of f(x) = a*x^2*sin(PI*x)", "a from 1.5 to 2.25, x from 0 to 1",
          "x0 = 0.125, T = 500, K = 2000, cursor at a = 3.25"}},
    };
    for (const Case& c : cases) EXPECT_EQ(explorerCaption(c.view, c.cursor), c.expected);
}

TEST(Caption, CobwebNamesTheGraphAndItsOrbit) {
    struct Case {
        CobwebCaption caption;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"a*x*(1-x)", 3.7, 0.2, 1, 50, 0, 1},
         {"Cobweb of f for f(x) = a*x*(1-x), x from 0 to 1", "a = 3.7, x0 = 0.2, k = 1, n = 50"}},
        {{"a*sin(x)", 2.5, -1, 3, 12, -4, 4},
         {"Cobweb of f^3 for f(x) = a*sin(x), x from -4 to 4", "a = 2.5, x0 = -1, k = 3, n = 12"}},
    };
    for (const Case& c : cases) EXPECT_EQ(cobwebCaption(c.caption), c.expected);
    EXPECT_EQ(joinCaption({"one", "two"}), "one; two");
}

TEST(Caption, DensityNamesTheOrbitCounted) {
    density::Orbit o;
    o.map = Map::sine();
    o.a = 2.3;
    o.x0 = 0.7;
    o.transient = 500;
    o.iterates = 100000;
    o.bins = 50;
    EXPECT_EQ(densityCaption(o, {0, 1}),
              (std::vector<std::string>{"Density of the orbit of f(x) = a*x^2*sin(PI*x) at a = 2.3",
                                        "x0 = 0.7, T = 500, N = 100000, 50 bins, x from 0 to 1"}));
}

}  // namespace
}  // namespace corvane::tools
