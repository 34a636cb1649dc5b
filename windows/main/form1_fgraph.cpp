// The main window's entry to the function graph window.
#include "windows/functions/form4.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

void Form1::mnuFGraph_Click() { program_.form4().window().show(); }

}  // namespace corvane
