// Start-up, the main window's layout and the panel geometry.
#include <cmath>

#include "tests/support/program_test.h"

namespace corvane::testing {
namespace {

using StartUp = ProgramTest;

TEST_F(StartUp, LeavesTheProgramReadyForInput) {
    EXPECT_EQ(m().funcChoice, 0);
    EXPECT_EQ(m().plotCount, 0);
    for (const char* field : {"Text1", "Text2", "Text3"}) {
        EXPECT_EQ(form1().field(field).text(), "") << field;
    }
    EXPECT_TRUE(form1().isVisible());
    EXPECT_FALSE(form2().isVisible());
    EXPECT_FALSE(form3().isVisible());
    EXPECT_FALSE(ui.hasWindow("Form4"));
    EXPECT_EQ(form1().title(), "Corvane Experiment");
    EXPECT_TRUE(m().curA.isEmpty());
    EXPECT_TRUE(m().curN.isEmpty());
    EXPECT_TRUE(m().chartLeft.isEmpty());
    EXPECT_TRUE(ui.dialogs().empty());
}

TEST_F(StartUp, SizesTheWindowsFromTheScreen) {
    const double sw = 28800, sh = 16200;
    EXPECT_EQ(form1().Top(), 10);
    EXPECT_EQ(form1().Left(), 10);
    EXPECT_EQ(form1().Width(), sw);  // the load handler's width is replaced
    EXPECT_EQ(form1().Height(), sh - 450);
    EXPECT_EQ(form2().Top(), 10);
    EXPECT_EQ(form2().Width(), static_cast<float>(0.9 * sw));
    EXPECT_EQ(form2().Height(), static_cast<float>(0.9 * sh));
    EXPECT_EQ(form3().Width(), sw);
    EXPECT_EQ(form3().Height(), sh);
}

TEST_F(StartUp, ComputesThePanelLayoutFromTheMainSurface) {
    const double w = form1().ScaleWidth(), h = form1().ScaleHeight();
    EXPECT_EQ(m().panelMarginY, h * 0.05);
    EXPECT_EQ(m().panelHeight, h * 0.4);
    EXPECT_EQ(m().panelMarginX, w * 0.033);
    EXPECT_EQ(m().panelWidth, w * 0.3);
}

TEST_F(StartUp, OddScreenSizesAreRoundedToSinglePrecision) {
    FakePlatform odd;
    odd.setScreen(28801.3, 16203.7);
    Program p(odd);
    p.startUp();
    EXPECT_EQ(odd.window("Form2").Width(), static_cast<float>(0.9 * 28801.3));
    EXPECT_EQ(odd.window("Form1").Height(), static_cast<float>(16203.7 - 450));
}

TEST_F(StartUp, InputRowSitsAtTheTopInTabOrder) {
    struct Expected {
        const char* name;
        const char* caption;
        double left, width, height;
    };
    const Expected row[] = {
        {"Label1", "Input a: (0-5)", 480, 1335, 255},   {"Text1", "", 1800, 1095, 300},
        {"Label2", "Input x0: (0-1)", 3720, 1455, 255}, {"Text2", "", 5160, 1095, 315},
        {"Label3", "Input N:", 7080, 855, 255},         {"Text3", "", 7920, 1095, 315},
    };
    const auto& controls = form1().controls();
    ASSERT_EQ(controls.size(), std::size(row));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i].name, row[i].name);
        EXPECT_EQ(controls[i].caption, row[i].caption);
        EXPECT_EQ(controls[i].box.left, row[i].left);
        EXPECT_EQ(controls[i].box.top, 0);
        EXPECT_EQ(controls[i].box.width, row[i].width);
        EXPECT_EQ(controls[i].box.height, row[i].height);
        EXPECT_EQ(controls[i].font.name, "MS Sans Serif");
        EXPECT_EQ(controls[i].font.size, 9.75);
        EXPECT_TRUE(controls[i].font.bold);
    }
    EXPECT_EQ(form1().font().size, 8.25);
}

TEST_F(StartUp, MenuBarInOrder) {
    std::vector<std::string> top, sub;
    for (const auto& item : ownMenus(form1())) {
        top.push_back(item.caption);
        for (const auto& inner : item.items) sub.push_back(inner.name + "=" + inner.caption);
    }
    EXPECT_EQ(top, (std::vector<std::string>{"Function", "Corvane", "Histogram", "Difference",
                                             "Zoom", "FunctionGraph", "Print", "Clear", "Exit"}));
    EXPECT_EQ(sub, (std::vector<std::string>{
                       "mnuLogistic=a*x*(1-x)", "mnuSin=a*x^2*sin(PI*x)", "mnuPlot1=Corvane 1",
                       "mnuPlot2=Corvane 2", "mnuPlot3=Corvane 3", "mnuPlot4=Corvane 4",
                       "mnuPlot5=Corvane 5", "mnuPlot6=Corvane 6", "mnuPrintPlots=Plots",
                       "mnuPrintDiff=Difference or Zoom"}));
}

TEST_F(StartUp, MapChoiceOnlySetsTheChoice) {
    form1().click("mnuSin");
    EXPECT_EQ(m().funcChoice, 2);
    form1().click("mnuLogistic");
    EXPECT_EQ(m().funcChoice, 1);
    EXPECT_TRUE(form1().blank());
    EXPECT_TRUE(ui.dialogs().empty());
}

TEST_F(StartUp, ClosingTheMainWindowEndsTheProgram) {
    form1().closeByFrame();
    EXPECT_TRUE(ui.ended());
}

// Panel placement depends on the height of the window it is drawn on, but
// margins and sizes always come from the main window.
TEST_F(StartUp, PanelGeometryOnWindowsOfDifferentHeights) {
    const double mX = m().panelMarginX, mY = m().panelMarginY;
    const double W = m().panelWidth, P = m().panelHeight;
    for (FakeWindow* w : {&form1(), &form3()}) {
        const double H = w->ScaleHeight();
        const struct {
            int k;
            double left, bottom;
        } panels[] = {
            {1, mX, ((H - mY) - P) - 300},         {2, W + 2 * mX, ((H - mY) - P) - 300},
            {3, 2 * W + 3 * mX, ((H - mY) - P) - 300}, {4, mX, H - 200},
            {5, W + 2 * mX, H - 200},               {6, 2 * W + 3 * mX, H - 200},
        };
        for (const auto& p : panels) {
            m().setPanelOrigin(p.k, *w);
            m().completePanelGeometry();
            EXPECT_EQ(m().chartLeft.value(), p.left) << w->name() << " panel " << p.k;
            EXPECT_EQ(m().chartBottom.value(), p.bottom) << w->name() << " panel " << p.k;
            EXPECT_EQ(m().chartRight.value(), p.left + W);
            EXPECT_EQ(m().axisY.value(), m().chartBottom.value());
            EXPECT_EQ(m().axisX.value(), m().chartLeft.value());
            EXPECT_EQ(m().chartTop, p.bottom - P);
        }
    }
    EXPECT_NE(form1().ScaleHeight(), form3().ScaleHeight());
}

TEST_F(StartUp, SingleChartFillsNinetyPercentOfForm2) {
    form2().setWidth(12000);
    form2().setHeight(9000);
    m().setSingleChartGeometry(form2());
    const double sw = form2().ScaleWidth(), sh = form2().ScaleHeight();
    EXPECT_EQ(m().chartLeft.value(), sw * 0.08);
    EXPECT_EQ(m().chartBottom.value(), sh * 0.95);
    EXPECT_EQ(m().chartRight.value(), sw * 0.9 + sw * 0.08);
    EXPECT_EQ(m().chartTop, sh * 0.95 - sh * 0.9);
    EXPECT_EQ(m().axisX.value(), m().chartLeft.value());
}

TEST_F(StartUp, LabelsAreCentredAndAligned) {
    m().setPanelOrigin(4, form1());
    m().completePanelGeometry();
    const double L = m().chartLeft, R = m().chartRight, B = m().chartBottom, T = m().chartTop;
    // A title wider than the chart starts left of it.
    const std::string wide(400, 'w');
    m().printChartTitle(form1(), wide);
    m().printChartTitle(form1(), "ab");
    m().printYTopLabel(form1(), "Xn");
    m().printXEndLabel(form1(), "N");
    m().drawChartAxes(form1());
    const auto texts = form1().picture(DrawOp::Kind::Print);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].x1, ((R - L) - 40000) / 2 + L);
    EXPECT_LT(texts[0].x1, 0);
    EXPECT_EQ(texts[1].x1, ((R - L) - 200) / 2 + L);
    EXPECT_EQ(texts[1].y1, T - 200);
    EXPECT_EQ(texts[2].x1, (L - 50) - 200);
    EXPECT_EQ(texts[2].y1, T);
    EXPECT_EQ(texts[3].x1, R - 100);
    EXPECT_EQ(texts[3].y1, B + 20);
    const auto lines = form1().picture(DrawOp::Kind::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(std::vector<double>({lines[0].x1, lines[0].y1, lines[0].x2, lines[0].y2}),
              std::vector<double>({L, B, R, B}));
    EXPECT_EQ(std::vector<double>({lines[1].x1, lines[1].y1, lines[1].x2, lines[1].y2}),
              std::vector<double>({L, B, L, T}));
}

}  // namespace
}  // namespace corvane::testing
