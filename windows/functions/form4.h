// The function graph window: the k-fold map against the diagonal, in six
// panels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/maybe_number.h"
#include "core/numeric/csv.h"
#include "platform/platform.h"
#include "windows/surface_description.h"

namespace corvane {

class Module1;
class Program;

class Form4 {
public:
    explicit Form4(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();

    // Function menu: opening it reads a from the main window.
    void mnuFunction_Click();
    void mnuFL_Click();
    void mnuFS_Click();
    void mnuClose_Click();

    // Asks for k; curK is 0 when the entry is not accepted.
    void enterK();
    // Places the chart in panel graphCount: axes, labels and the diagonal.
    void drawGraphFrame();
    // The curve y = f^k(x) in the current chart.
    void plotGraph();

    const SurfaceDescription& description() const { return description_; }

    std::int16_t graphCount = 0;  // panel of the latest graph, 0 before the first
    std::int16_t curK = 0;        // 0: the last k entry was not accepted
    MaybeNumber graphFunc;        // 1 f1, 2 f2
    MaybeNumber nSteps;           // segments of the curve

    // Export: each graph's a, k and map and its polyline.
    bool writeData(CsvWriter& csv);

private:
    void newGraph(int func, const std::string& suffix);

    // Beside panel j (1..6): what its graph was drawn from.
    struct Graph {
        double a = 0;
        int k = 0;
        int map = 0;
        bool drawn = false;
    };
    std::array<Graph, 7> graphs_{};

    Program& program_;
    Module1& m_;
    std::unique_ptr<platform::Window> win_;
    SurfaceDescription description_;
};

}  // namespace corvane
