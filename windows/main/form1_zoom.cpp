// Zoom of one panel into Form2.
#include <string>

#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

// Opening the Zoom menu lays out Form2's chart for its present client size,
// before an entry is chosen; nothing is drawn or shown.
void Form1::mnuZoom_Click() { m_.setSingleChartGeometry(program_.form2().window()); }

// The orbit of panel k is recomputed from its slot with the map selected now,
// by the same plotOrbit as the panels, into the chart laid out on Form2.
void Form1::zoomPlot(int k) {
    const std::string number = std::to_string(k);
    if (m_.plotCount < k) {
        program_.ui.MsgBox("No plot " + number + " to zoom", platform::Buttons::Ok);
        return;
    }
    Form2& form2 = program_.form2();
    platform::Window& target = form2.window();
    form2.clearSurface();
    m_.loadSlot(k);
    plotOrbit(target);
    form2.shows = {Form2Shows::Kind::Orbit,
                   k,
                   0,
                   m_.curA,
                   m_.curX0,
                   0,
                   0,
                   m_.curNValue(),
                   m_.funcChoice,
                   OrbitChart{m_.chartBottom, m_.chartBottom - m_.chartTop},
                   0,
                   {}};
    // curN is read after plotOrbit, so an orbit cut off there shows its shortened N.
    form2.showChart(m_.orbitLegend(k), "Zoom of plot " + number);
}

void Form1::mnuPlot1_Click() { zoomPlot(1); }
void Form1::mnuPlot2_Click() { zoomPlot(2); }
void Form1::mnuPlot3_Click() { zoomPlot(3); }
void Form1::mnuPlot4_Click() { zoomPlot(4); }
void Form1::mnuPlot5_Click() { zoomPlot(5); }
void Form1::mnuPlot6_Click() { zoomPlot(6); }

}  // namespace corvane
