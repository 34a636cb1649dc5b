// The zoom window and the zoom of one orbit panel.
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/program_test.h"
#include "tests/zoom/chart.h"

namespace corvane::testing {
namespace {

class ZoomTest : public ProgramTest {
protected:
    // The user opens the Zoom menu and chooses entry k.
    void zoom(int k) {
        form1().open("mnuZoom");
        form1().click("mnuPlot" + std::to_string(k));
    }

    bool hasLine(const FakeWindow& w, double x1, double y1, double x2, double y2) {
        for (const auto& op : w.picture(DrawOp::Kind::Line)) {
            if (std::abs(op.x1 - x1) < 1e-6 && std::abs(op.y1 - y1) < 1e-6 &&
                std::abs(op.x2 - x2) < 1e-6 && std::abs(op.y2 - y2) < 1e-6) {
                return true;
            }
        }
        return false;
    }

    void expectXAxis(const Chart& c) {
        EXPECT_TRUE(hasLine(form2(), c.left, c.bottom, c.right, c.bottom))
            << "no x-axis from " << c.left << ", " << c.bottom << " to " << c.right;
        EXPECT_TRUE(hasLine(form2(), c.left, c.bottom, c.left, c.top))
            << "no y-axis up to " << c.top;
    }
};

TEST_F(ZoomTest, Form2StartsHiddenUntitledWithItsFontAndCloseMenu) {
    FakeWindow& w = form2();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.title(), "");
    EXPECT_EQ(w.font().name, "MS Sans Serif");
    EXPECT_EQ(w.font().size, 12);
    EXPECT_TRUE(w.font().bold);
    ASSERT_EQ(ownMenus(w).size(), 1u);
    EXPECT_EQ(w.menu()[0].name, "mnuClose");
    EXPECT_EQ(w.menu()[0].caption, "Close");
    EXPECT_EQ(w.Top(), 10);
    EXPECT_EQ(w.Left(), 10);
    EXPECT_EQ(w.Width(), 25920);
    EXPECT_EQ(w.Height(), 14580);
}

TEST_F(ZoomTest, EveryEntryWithoutPlotsShowsItsOwnMessage) {
    for (int k = 1; k <= 6; ++k) {
        SCOPED_TRACE(k);
        ui.clearDialogs();
        zoom(k);
        EXPECT_EQ(ui.messages(),
                  std::vector<std::string>{"No plot " + std::to_string(k) + " to zoom"});
        EXPECT_TRUE(form2().ops().empty());
        EXPECT_FALSE(form2().isVisible());
        EXPECT_EQ(form2().title(), "");
    }
}

TEST_F(ZoomTest, WithThreePlotsTheFirstThreeEntriesZoomAndTheOthersRefuse) {
    plot(1, "2", "0.2", "10");
    plot(1, "3.7", "0.25", "20");
    plot(1, "1E-10", "0.5", "30");
    ASSERT_TRUE(ui.messages().empty());
    struct Entry {
        int k;
        std::string titleLine;
        int N;
        double a;
        double x0;
    };
    const std::vector<Entry> zooms{
        {1, "1: a = 2, x0 = 0.2, n = 10", 10, 2, 0.2},
        {2, "2: a = 3.7, x0 = 0.25, n = 20", 20, 3.7, 0.25},
        {3, "3: a = 1E-10, x0 = 0.5, n = 30", 30, 1e-10, 0.5},
    };
    for (const auto& e : zooms) {
        SCOPED_TRACE(e.k);
        zoom(e.k);
        EXPECT_TRUE(ui.messages().empty());
        EXPECT_TRUE(form2().isVisible());
        EXPECT_EQ(form2().title(), "Zoom of plot " + std::to_string(e.k));
        const auto points = form2().picture(DrawOp::Kind::PSet);
        ASSERT_EQ(points.size(), static_cast<std::size_t>(e.N));
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].x1, kForm2Chart.x(static_cast<long long>(i) + 1, e.N), 1e-6);
        }
        EXPECT_DOUBLE_EQ(points.back().x1, kForm2Chart.right);
        // The first point is the first iterate; x0 itself is not drawn.
        EXPECT_NEAR(points.front().y1, kForm2Chart.orbitY(f1(e.a, e.x0)), 1e-6);
        const auto texts = form2().printedTexts();
        EXPECT_EQ(texts, (std::vector<std::string>{"0", "1", "Xn", "N", e.titleLine}));
        // The title line is centred 200 twips above the chart.
        const auto title = form2().picture(DrawOp::Kind::Print).back();
        EXPECT_DOUBLE_EQ(title.x1,
                         kForm2Chart.left + (kForm2Chart.right - kForm2Chart.left -
                                             100.0 * static_cast<double>(e.titleLine.size())) /
                                                2);
        EXPECT_DOUBLE_EQ(title.y1, kForm2Chart.top - 200);
        EXPECT_EQ(m().curA.value(), e.a);
        EXPECT_EQ(m().curX0.value(), e.x0);
        EXPECT_EQ(m().curNValue(), e.N);
    }
    const auto before = form2().ops().size();
    for (int k = 4; k <= 6; ++k) {
        SCOPED_TRACE(k);
        ui.clearDialogs();
        zoom(k);
        EXPECT_EQ(ui.messages(),
                  std::vector<std::string>{"No plot " + std::to_string(k) + " to zoom"});
        EXPECT_EQ(form2().ops().size(), before);
        EXPECT_EQ(form2().title(), "Zoom of plot 3");
    }
    EXPECT_EQ(m().plotCount, 3);
    EXPECT_EQ(m().slotN[2], 20);
}

TEST_F(ZoomTest, AfterClearTheEntriesRefuseAgain) {
    plot(1, "2", "0.2", "10");
    plot(1, "2", "0.3", "10");
    plot(1, "2", "0.4", "10");
    form1().click("mnuClear");
    for (int k = 1; k <= 6; ++k) {
        SCOPED_TRACE(k);
        ui.clearDialogs();
        zoom(k);
        EXPECT_EQ(ui.messages(),
                  std::vector<std::string>{"No plot " + std::to_string(k) + " to zoom"});
    }
    EXPECT_TRUE(form2().ops().empty());
    EXPECT_FALSE(form2().isVisible());
}

TEST_F(ZoomTest, AShortenedOrbitSpreadsOverTheFullWidth) {
    plot(1, "5", "0.5", "10");  // x1 = 1.25 is drawn, x2 is out of range
    ASSERT_EQ(ui.messages(),
              std::vector<std::string>{"An overflow has occured. Only points up to 1 are ploted."});
    ASSERT_EQ(m().slotN[1], 1);
    ui.clearDialogs();
    zoom(1);
    EXPECT_TRUE(ui.messages().empty());
    const auto points = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_DOUBLE_EQ(points[0].x1, kForm2Chart.right);
    EXPECT_DOUBLE_EQ(points[0].y1, kForm2Chart.top);
    EXPECT_EQ(form2().printedTexts().back(), "1: a = 5, x0 = 0.5, n = 1");
}

TEST_F(ZoomTest, AnOrbitCutOffInTheZoomShowsItsShortenedN) {
    plot(2, "4.5", "0.1", "10");  // f2 keeps this orbit near 0
    ASSERT_TRUE(ui.messages().empty());
    chooseMap(1);  // f1 gives 0.405, 1.084..., then about -0.41
    zoom(1);
    EXPECT_EQ(ui.messages(),
              std::vector<std::string>{"An overflow has occured. Only points up to 2 are ploted."});
    const auto points = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(points.size(), 2u);
    // The points keep their places for N = 10.
    EXPECT_NEAR(points[1].x1, kForm2Chart.x(2, 10), 1e-6);
    EXPECT_EQ(form2().printedTexts().back(), "1: a = 4.5, x0 = 0.1, n = 2");
    EXPECT_EQ(form2().title(), "Zoom of plot 1");
    EXPECT_TRUE(form2().isVisible());
    EXPECT_EQ(m().slotN[1], 10);
    EXPECT_EQ(m().curNValue(), 2);
}

TEST_F(ZoomTest, SwitchingTheMapShowsTheOtherMapsOrbit) {
    plot(1, "2", "0.2", "10");
    chooseMap(2);
    zoom(1);
    const auto points = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(points.size(), 10u);
    const double pi = 3.14159265358979;
    double f2x = 0.2;
    double f1x = 0.2;
    for (std::size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(i + 1);
        f2x = 2 * f2x * f2x * std::sin(pi * f2x);
        f1x = 2 * f1x * (1 - f1x);
        EXPECT_NEAR(points[i].y1, kForm2Chart.orbitY(f2x), 1e-6);
        EXPECT_GT(std::abs(points[i].y1 - kForm2Chart.orbitY(f1x)), 100);
    }
    EXPECT_EQ(form2().printedTexts().back(), "1: a = 2, x0 = 0.2, n = 10");
}

TEST_F(ZoomTest, OpeningTheMenuLaysOutForm2AndDrawsNothing) {
    plot(1, "2", "0.2", "10");
    const auto mainOps = form1().ops().size();
    form1().open("mnuZoom");
    EXPECT_DOUBLE_EQ(m().chartLeft, kForm2Chart.left);
    EXPECT_DOUBLE_EQ(m().chartBottom, kForm2Chart.bottom);
    EXPECT_DOUBLE_EQ(m().chartRight, kForm2Chart.right);
    EXPECT_DOUBLE_EQ(m().chartTop, kForm2Chart.top);
    EXPECT_DOUBLE_EQ(m().axisX, kForm2Chart.left);
    EXPECT_DOUBLE_EQ(m().axisY, kForm2Chart.bottom);
    EXPECT_TRUE(form2().ops().empty());
    EXPECT_FALSE(form2().isVisible());
    EXPECT_EQ(form1().ops().size(), mainOps);
    form1().click("mnuPlot1");
    expectXAxis(kForm2Chart);
}

TEST_F(ZoomTest, ZoomingTwiceGivesTheSamePicture) {
    plot(1, "3.9", "0.3", "200");
    zoom(1);
    const auto first = form2().picture(DrawOp::Kind::PSet);
    zoom(1);
    const auto second = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].x1, second[i].x1);
        EXPECT_EQ(first[i].y1, second[i].y1);
    }
}

TEST_F(ZoomTest, AResizedWindowIsLaidOutAnewWhenTheMenuOpensAgain) {
    plot(1, "2", "0.2", "10");
    zoom(1);
    form2().setWidth(15000);
    form2().setHeight(10000);
    zoom(1);
    // Client area 14880 x 9190.
    const Chart resized{1190.4, 8730.5, 14582.4, 459.5};
    expectXAxis(resized);
    const auto points = form2().picture(DrawOp::Kind::PSet);
    ASSERT_EQ(points.size(), 10u);
    EXPECT_NEAR(points.back().x1, resized.right, 1e-6);
}

TEST_F(ZoomTest, CloseHidesAndTheNextZoomReusesTheWindow) {
    plot(1, "2", "0.2", "10");
    plot(1, "3", "0.4", "10");
    zoom(1);
    FakeWindow* shown = &form2();
    form2().setLeft(700);
    form2().setTop(300);
    form2().click("mnuClose");
    EXPECT_FALSE(form2().isVisible());
    EXPECT_EQ(form2().title(), "Zoom of plot 1");
    zoom(2);
    EXPECT_EQ(&form2(), shown);
    EXPECT_EQ(ui.windowsCreated("Form2"), 1);
    EXPECT_TRUE(form2().isVisible());
    EXPECT_EQ(form2().Left(), 700);
    EXPECT_EQ(form2().Top(), 300);
    EXPECT_EQ(form2().title(), "Zoom of plot 2");
    // Only the new chart: its own title line, no trace of the first.
    EXPECT_EQ(form2().printedTexts(),
              (std::vector<std::string>{"0", "1", "Xn", "N", "2: a = 3, x0 = 0.4, n = 10"}));
}

TEST_F(ZoomTest, AWindowClosedThroughItsFrameIsCreatedAgain) {
    plot(1, "2", "0.2", "10");
    zoom(1);
    form2().setWidth(15000);
    form2().setLeft(700);
    form2().closeByFrame();
    EXPECT_EQ(ui.windowsCreated("Form2"), 1);
    form1().open("mnuZoom");
    EXPECT_EQ(ui.windowsCreated("Form2"), 2);
    FakeWindow& again = form2();
    EXPECT_EQ(again.Top(), 10);
    EXPECT_EQ(again.Left(), 10);
    EXPECT_EQ(again.Width(), 25920);
    EXPECT_EQ(again.Height(), 14580);
    EXPECT_FALSE(again.isVisible());
    EXPECT_TRUE(again.ops().empty());
    EXPECT_EQ(again.title(), "");
    EXPECT_DOUBLE_EQ(m().chartRight, kForm2Chart.right);
    form1().click("mnuPlot1");
    EXPECT_TRUE(again.isVisible());
    EXPECT_EQ(again.title(), "Zoom of plot 1");
    EXPECT_EQ(again.picture(DrawOp::Kind::PSet).size(), 10u);
    expectXAxis(kForm2Chart);
}

TEST_F(ZoomTest, ACancelledZoomEndsLikeAnOrbitCutOff) {
    plot(1, "2", "0.2", "10");
    m().progressMask = 0;
    ui.cancelAtStep(4);
    zoom(1);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(form2().picture(DrawOp::Kind::PSet).size(), 4u);
    EXPECT_EQ(form2().printedTexts().back(), "1: a = 2, x0 = 0.2, n = 4");
    EXPECT_EQ(form2().title(), "Zoom of plot 1");
    EXPECT_TRUE(form2().isVisible());
    expectXAxis(kForm2Chart);
    EXPECT_EQ(m().curNValue(), 4);
    EXPECT_EQ(m().slotN[1], 10);
    EXPECT_EQ(m().plotCount, 1);
}

}  // namespace
}  // namespace corvane::testing
