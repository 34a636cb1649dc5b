// The main window's entry to the histogram window.
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

void Form1::mnuHisto_Click() {}

}  // namespace corvane
