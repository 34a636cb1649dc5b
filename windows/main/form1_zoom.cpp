// Zoom of one panel into Form2.
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

void Form1::mnuZoom_Click() {}
void Form1::zoomPlot(int) {}
void Form1::mnuPlot1_Click() { zoomPlot(1); }
void Form1::mnuPlot2_Click() { zoomPlot(2); }
void Form1::mnuPlot3_Click() { zoomPlot(3); }
void Form1::mnuPlot4_Click() { zoomPlot(4); }
void Form1::mnuPlot5_Click() { zoomPlot(5); }
void Form1::mnuPlot6_Click() { zoomPlot(6); }

}  // namespace corvane
