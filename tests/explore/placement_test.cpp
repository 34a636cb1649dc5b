// The tool windows open inside the screen's free area, their status line
// on the screen.
#include <gtest/gtest.h>

#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <functional>
#include <memory>

#include "explore/bifurcation_window.h"
#include "explore/cobweb_window.h"
#include "explore/feigenbaum_window.h"

namespace corvane::explore {
namespace {

TEST(Placement, EveryToolWindowOpensInsideTheFreeAreaOfItsScreen) {
    const std::function<std::unique_ptr<QMainWindow>()> open[] = {
        [] { return std::make_unique<BifurcationWindow>(Map(), nullptr, 1); },
        [] { return std::make_unique<CobwebWindow>(Map()); },
        [] { return std::make_unique<FeigenbaumWindow>(Map()); },
    };
    for (const auto& make : open) {
        std::unique_ptr<QMainWindow> window = make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QRect free = window->screen()->availableGeometry();
        const QString name = window->objectName();
        // The offscreen screen (800 × 600) is smaller than any window asks
        // for: each takes at most 90 % of it, unless its layout needs more.
        EXPECT_TRUE(free.contains(window->frameGeometry())) << name.toStdString();
        const QSize least = window->minimumSizeHint();
        EXPECT_LE(window->width(), std::max(int(free.width() * 0.9), least.width()));
        EXPECT_LE(window->height(), std::max(int(free.height() * 0.9), least.height()));
        const QRect status(window->statusBar()->mapToGlobal(QPoint(0, 0)),
                           window->statusBar()->size());
        EXPECT_TRUE(free.contains(status)) << name.toStdString();
    }
}

}  // namespace
}  // namespace corvane::explore
