// The main window: parameter entry, the six orbit panels and the commands of
// its menu bar.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/maybe_number.h"
#include "core/numeric/csv.h"
#include "core/module1.h"
#include "platform/platform.h"
#include "windows/surface_description.h"

namespace corvane {

class Program;

class Form1 {
public:
    explicit Form1(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();

    // Function menu.
    void mnuLogistic_Click();
    void mnuSin_Click();

    // Reads a, x0 and N from the input row into curA, curX0 and curN.
    void readData();
    std::int16_t dataOk = 0;  // true is all bits set (-1)

    // Orbits in the six panels.
    void mnuPlot_Click();
    void plotOrbit(platform::Window& objForm);
    // Where the last orbit plotOrbit or plotDifference computed ended: the
    // steps made and the value the orbit stood at then (plotOrbit: the value
    // read back from the chart at the last point drawn; plotDifference: the
    // first orbit's last iterate).
    struct OrbitEnd {
        std::int64_t steps = 0;
        double x = 0;
    };
    OrbitEnd lastOrbitEnd;
    void drawOrbitAxes(platform::Window& objForm);
    void mnuClear_Click();
    void mnuExit_Click();
    void mnuPrintPlots_Click();
    void mnuPrintDiff_Click();

    // Zoom of one panel into Form2.
    void mnuZoom_Click();
    void mnuPlot1_Click();
    void mnuPlot2_Click();
    void mnuPlot3_Click();
    void mnuPlot4_Click();
    void mnuPlot5_Click();
    void mnuPlot6_Click();

    // Difference of two orbits in Form2.
    void mnuDifference_Click();
    void plotDifference(bool& ok);
    void drawDifferenceAxes();
    MaybeNumber firstPlotNo;
    MaybeNumber secondPlotNo;
    std::int32_t diffScale = 0;

    // The histogram and function graph windows.
    void mnuHisto_Click();
    void mnuFGraph_Click();

    // Explore menu: the explorer's tool windows.
    void mnuExploreBifurcation_Click();
    void mnuExploreCobweb_Click();
    void mnuExploreFeigenbaum_Click();
    void mnuExplorePlane_Click();
    // Explore → Open session..., Save session..., Open recent...: through the
    // explorer's link.
    void mnuExploreOpenSession_Click();
    void mnuExploreSaveSession_Click();
    void mnuExploreOpenRecent_Click();

    // Export: the orbits of the panels in use, as plotted.
    bool writeData(CsvWriter& csv);

    platform::TextField* Text1 = nullptr;
    platform::TextField* Text2 = nullptr;
    platform::TextField* Text3 = nullptr;

    // What the six panels show, for screen readers.
    const SurfaceDescription& description() const { return description_; }

private:
    void zoomPlot(int k);
    // The Help menu, the last of the menu bar.
    platform::MenuItem helpMenu();

    Program& program_;
    Module1& m_;
    std::unique_ptr<platform::Window> win_;
    SurfaceDescription description_;
};

}  // namespace corvane
