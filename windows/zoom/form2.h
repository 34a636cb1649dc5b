// The zoom and difference window: one large chart at a time.
#pragma once

#include <memory>
#include <string>

#include "core/numeric/csv.h"
#include "core/numeric/orbit.h"
#include "platform/platform.h"
#include "windows/histogram/histogram_record.h"
#include "windows/surface_description.h"

namespace corvane {

class Program;

// What Form2 shows now, kept for its export: nothing is stored that was
// drawn, only what it was computed from.
struct Form2Shows {
    enum class Kind { Nothing, Orbit, Difference, Histogram };
    Kind kind = Kind::Nothing;
    int number = 0;  // the plot zoomed, the first plot, or the histogram
    int second = 0;  // the second plot of a difference
    double a = 0;
    double x0 = 0;
    double a2 = 0;  // the second orbit of a difference
    double x02 = 0;
    std::int64_t N = 0;
    int map = 0;
    OrbitChart chart{0, 0};  // where a zoomed orbit's points were placed
    std::int32_t scale = 0;  // M of a difference
    HistogramRecord histogram;
};

class Form2 {
public:
    explicit Form2(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();
    void mnuClose_Click();

    // Every command that draws here clears the window, draws its chart into
    // the single-chart geometry and then ends with this: the title line
    // centred above the chart, the window title, and the window shown.
    void showChart(const std::string& titleLine, const std::string& windowTitle);
    // Erases the chart (Cls) and forgets what it showed, before a command
    // draws a new one.
    void clearSurface();

    const SurfaceDescription& description() const { return description_; }

    Form2Shows shows;
    // Export: the numbers of what the window shows.
    bool writeData(CsvWriter& csv);
    std::string exportName() const;

private:
    Program& program_;
    std::unique_ptr<platform::Window> win_;
    SurfaceDescription description_;
};

}  // namespace corvane
