// A tool window that reaches into the desktop: the layer check must refuse it.
#include "gui/export.h"
  #  include <platform/qt/qt_window.h>
