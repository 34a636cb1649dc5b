// The first size and place of a tool window on the screen it opens on.
#pragma once

#include <QSize>

class QWidget;

namespace corvane::explore {

// Sizes the window to `preferred`, bounded by most of its screen's free
// area (tools::firstGeometry), and moves it inside that area.
void placeOnScreen(QWidget* window, QSize preferred);

}  // namespace corvane::explore
