// Difference of two orbits in Form2.
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

void Form1::mnuDifference_Click() {}
void Form1::plotDifference(bool& ok) { ok = false; }
void Form1::drawDifferenceAxes() {}

}  // namespace corvane
