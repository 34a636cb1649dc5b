// The main window's entry to the histogram window.
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

void Form1::mnuHisto_Click() {
    if (m_.plotCount == 0) {
        program_.ui.MsgBox("No plot to show histogram", platform::Buttons::Ok);
        return;
    }
    Form3& form3 = program_.form3();
    form3.window().setTitle("Histogram");
    // Only the drawing goes: the records and the panel numbering stay.
    form3.clearDrawing();
    form3.window().show();
    form3.mnuHistogram_Click();
}

}  // namespace corvane
