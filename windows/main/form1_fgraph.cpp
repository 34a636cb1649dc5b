// The main window's entry to the function graph window.
#include "windows/functions/form4.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

// Shows the function graph window, loading it first when it is not loaded
// (at the first use, or after it was closed through its frame).
void Form1::mnuFGraph_Click() { program_.form4().window().show(); }

}  // namespace corvane
