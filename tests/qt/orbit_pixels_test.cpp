// The orbit and the difference set the pixels of the real surface
// themselves, a pixel column at a time where they can; that must give exactly
// the image of drawing every point with PSet.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/qt/qt_test_support.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane::platform::testing {
namespace {

// A Qt window that shows no pixels to the drawing loops: every point reaches
// it through PSet, one call each.
class PSetOnlyWindow : public Window {
public:
    explicit PSetOnlyWindow(std::unique_ptr<Window> inner) : inner_(std::move(inner)) {}
    Window& inner() { return *inner_; }

    float Top() const override { return inner_->Top(); }
    float Left() const override { return inner_->Left(); }
    float Width() const override { return inner_->Width(); }
    float Height() const override { return inner_->Height(); }
    void setTop(float twips) override { inner_->setTop(twips); }
    void setLeft(float twips) override { inner_->setLeft(twips); }
    void setWidth(float twips) override { inner_->setWidth(twips); }
    void setHeight(float twips) override { inner_->setHeight(twips); }
    double ScaleWidth() const override { return inner_->ScaleWidth(); }
    double ScaleHeight() const override { return inner_->ScaleHeight(); }
    std::string title() const override { return inner_->title(); }
    void setTitle(const std::string& title) override { inner_->setTitle(title); }
    void show() override { inner_->show(); }
    void hide() override { inner_->hide(); }
    bool isVisible() const override { return inner_->isVisible(); }
    void setFont(const Font& font) override { inner_->setFont(font); }
    void setMenu(MenuBar menu) override { inner_->setMenu(std::move(menu)); }
    void addLabel(const std::string& name, const std::string& caption, const ControlBox& box,
                  const Font& font) override {
        inner_->addLabel(name, caption, box, font);
    }
    TextField& addTextField(const std::string& name, const ControlBox& box,
                            const Font& font) override {
        return inner_->addTextField(name, box, font);
    }
    void setOnFrameClose(std::function<void()> handler) override {
        inner_->setOnFrameClose(std::move(handler));
    }
    void PSet(double x, double y) override { inner_->PSet(x, y); }
    void PSetPoints(const double* xy, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i) inner_->PSet(xy[2 * i], xy[2 * i + 1]);
    }
    void Line(double x1, double y1, double x2, double y2) override { inner_->Line(x1, y1, x2, y2); }
    void Box(double x1, double y1, double x2, double y2, bool filled) override {
        inner_->Box(x1, y1, x2, y2, filled);
    }
    void Cls() override { inner_->Cls(); }
    double CurrentX() const override { return inner_->CurrentX(); }
    double CurrentY() const override { return inner_->CurrentY(); }
    void setCurrentX(double x) override { inner_->setCurrentX(x); }
    void setCurrentY(double y) override { inner_->setCurrentY(y); }
    void Print(const std::string& text) override { inner_->Print(text); }
    double TextWidth(const std::string& text) const override { return inner_->TextWidth(text); }
    double TextHeight(const std::string& text) const override { return inner_->TextHeight(text); }

private:
    std::unique_ptr<Window> inner_;
};

// The Qt desktop with PSetOnlyWindow windows.
class PSetOnlyPlatform : public Platform {
public:
    std::unique_ptr<Window> createWindow(const std::string& name) override {
        return std::make_unique<PSetOnlyWindow>(qt_.createWindow(name));
    }
    double screenWidth() const override { return qt_.screenWidth(); }
    double screenHeight() const override { return qt_.screenHeight(); }
    Answer MsgBox(const std::string& text, Buttons buttons) override {
        ADD_FAILURE() << "unexpected message: " << text;
        return qt_.MsgBox(text, buttons);
    }
    std::string InputBox(const std::string& prompt, const std::string& title) override {
        return qt_.InputBox(prompt, title);
    }
    int printWindow(Window& window) override {
        return qt_.printWindow(static_cast<PSetOnlyWindow&>(window).inner());
    }
    std::unique_ptr<Progress> beginProgress(const std::string& caption,
                                            std::int64_t total) override {
        return qt_.beginProgress(caption, total);
    }
    void endProgram() override { qt_.endProgram(); }
    std::optional<ExportTarget> askExportTarget(Window& owner, const std::string& name,
                                                bool picture) override {
        return qt_.askExportTarget(static_cast<PSetOnlyWindow&>(owner).inner(), name, picture);
    }
    ExportOutcome exportPicture(Window& window, const ExportTarget& target) override {
        return qt_.exportPicture(static_cast<PSetOnlyWindow&>(window).inner(), target);
    }
    ExportOutcome exportData(const std::string& path,
                             const std::function<bool(TextSink&)>& produce) override {
        return qt_.exportData(path, produce);
    }

private:
    QtPlatform qt_;
};

const QImage& imageOf(Window& window) {
    if (auto* pSetOnly = dynamic_cast<PSetOnlyWindow*>(&window)) {
        return qtWindow(pSetOnly->inner()).image();
    }
    return qtWindow(window).image();
}

class OrbitPixelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        direct.startUp();
        reference.startUp();
    }

    QtPlatform directUi;
    Program direct{directUi};
    PSetOnlyPlatform referenceUi;
    Program reference{referenceUi};
};

TEST_F(OrbitPixelsTest, AnOrbitSetsThePixelsOfAPSetPerPoint) {
    struct Case {
        int map;
        double a, x0;
        std::int32_t n;
        bool zoom;  // the zoom window's chart instead of panel 1
        std::int64_t progressMask;
    };
    const std::vector<Case> cases = {
        {1, 3.9, 0.2, 200000, false, (1 << 16) - 1},  // many points a pixel column
        {1, 3.7, 0.3, 1000, false, (1 << 16) - 1},    // fewer points than columns
        {2, 2.3, 0.2, 123457, false, 1023},           // short stretches up to each poll
        {1, 4.0, 0.1, 300001, true, (1 << 16) - 1},
        {2, 2.25, 0.6, 777, true, 0},               // a poll after every step
        {1, 2.5, 0.7, 5000, false, (1 << 16) - 1},  // a fixed point: one row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        std::vector<const QImage*> images;
        for (Program* p : {&direct, &reference}) {
            Module1& m = p->module;
            Window& w = c.zoom ? p->form2().window() : p->form1().window();
            w.Cls();
            if (c.zoom) {
                m.setSingleChartGeometry(w);
            } else {
                m.setPanel1Origin(w);
                m.completePanelGeometry();
            }
            m.funcChoice = static_cast<std::int16_t>(c.map);
            m.curA = c.a;
            m.curX0 = c.x0;
            m.curN = c.n;
            m.progressMask = c.progressMask;
            p->form1().plotOrbit(w);
            images.push_back(&imageOf(w));
        }
        EXPECT_GT(countBlack(*images[0]), 100);
        EXPECT_TRUE(*images[0] == *images[1]);
    }
}

TEST_F(OrbitPixelsTest, TheDifferenceSetsThePixelsOfAPSetPerPoint) {
    struct Case {
        int map;
        double a1, x01, a2, x02;
        std::int32_t n;
        std::int64_t progressMask;
        std::int32_t scale;  // the scale the difference finds
    };
    const std::vector<Case> cases = {
        {1, 3.9, 0.2, 3.9, 0.2001, 200000, (1 << 16) - 1, 2},
        {1, 3.6, 0.2, 3.61, 0.2, 999, (1 << 16) - 1, 1},
        {2, 2.3, 0.2, 2.2, 0.25, 65537, 4095, 1},
        {1, 2.0, 0.5, 2.0, 0.5, 3000, (1 << 16) - 1, 1},  // d = 0 throughout: the middle line
        // The first orbit stays at 2 or at 5 from its first step on: scales
        // of 3 and 6, which are not powers of two.
        {1, -1.0, -1.0, 3.9, 0.2, 10000, 511, 3},
        {1, -0.25, 5.0, 3.9, 0.2, 50000, (1 << 16) - 1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        std::vector<const QImage*> images;
        for (Program* p : {&direct, &reference}) {
            Module1& m = p->module;
            m.funcChoice = static_cast<std::int16_t>(c.map);
            m.plotCount = 2;
            m.slotA[1] = c.a1, m.slotX0[1] = c.x01, m.slotN[1] = c.n;
            m.slotA[2] = c.a2, m.slotX0[2] = c.x02, m.slotN[2] = c.n;
            m.progressMask = c.progressMask;
            p->form1().firstPlotNo = 1;
            p->form1().secondPlotNo = 2;
            Window& w = p->form2().window();
            w.Cls();
            m.setSingleChartGeometry(w);
            bool ok = false;
            p->form1().plotDifference(ok);
            EXPECT_TRUE(ok);
            EXPECT_EQ(p->form1().diffScale, c.scale);
            images.push_back(&imageOf(w));
        }
        EXPECT_GT(countBlack(*images[0]), 100);
        EXPECT_TRUE(*images[0] == *images[1]);
    }
}

}  // namespace
}  // namespace corvane::platform::testing
