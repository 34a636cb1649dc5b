#include "explore/window_placement.h"

#include <QScreen>
#include <QWidget>

#include "core/tools/window_size.h"

namespace corvane::explore {

void placeOnScreen(QWidget* window, QSize preferred) {
    const QScreen* screen = window->screen();
    if (!screen) {
        window->resize(preferred);
        return;
    }
    const QRect free = screen->availableGeometry();
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    const tools::Box b = tools::firstGeometry({0, 0, preferred.width(), preferred.height()},
                                              {0, 0, least.width(), least.height()},
                                              {free.x(), free.y(), free.width(), free.height()});
    window->resize(b.width, b.height);
    window->move(b.x, b.y);
}

}  // namespace corvane::explore
