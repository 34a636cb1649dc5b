// Windows of the Qt desktop: the persistent drawing surface, twips, geometry,
// text, controls and the frame's close button.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "qt_test_support.h"

namespace corvane::platform {
namespace {

using testing::countBlack;
using testing::grabCanvas;
using testing::isBlack;
using testing::qtWindow;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class QtWindowTest : public ::testing::Test {
protected:
    QtWindowTest() : tpp(platform.twipsPerPixel()), px(platform.surfaceTwipsPerPixel()) {}

    std::unique_ptr<Window> makeWindow(bool shown) {
        auto window = platform.createWindow("Form1");
        window->setLeft(static_cast<float>(40 * tpp));
        window->setTop(static_cast<float>(30 * tpp));
        window->setWidth(static_cast<float>(420 * tpp));
        window->setHeight(static_cast<float>(340 * tpp));
        if (shown) window->show();
        return window;
    }

    // Twips that land on surface pixel `p` (its centre, away from rounding edges).
    double at(int p) const { return p * px; }
    // Twips of `p` logical pixels, for controls and geometry.
    double logical(int p) const { return p * tpp; }

    const QImage& image(Window& window) { return qtWindow(window).image(); }

    QtPlatform platform;
    const double tpp;  // twips per logical pixel: window geometry and controls
    const double px;   // twips per pixel of the drawing surface
};

TEST_F(QtWindowTest, TwipsPerPixelFollowsTheScreensLogicalDpi) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const double dpi = screen->logicalDotsPerInchX();
    EXPECT_DOUBLE_EQ(platform.twipsPerPixel(), 1440.0 / dpi);
    EXPECT_DOUBLE_EQ(platform.screenWidth(), screen->size().width() * 1440.0 / dpi);
    EXPECT_DOUBLE_EQ(platform.screenHeight(), screen->size().height() * 1440.0 / dpi);
}

TEST_F(QtWindowTest, BackingStoreIsAsLargeAsTheScreenAndStartsWhite) {
    auto window = makeWindow(false);
    const QImage& stored = image(*window);
    QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(stored.size(), screen->size() * screen->devicePixelRatio());
    EXPECT_DOUBLE_EQ(window->twipsPerPixel(), px);
    EXPECT_DOUBLE_EQ(px * screen->devicePixelRatio(), tpp);
    EXPECT_EQ(countBlack(stored), 0);
    EXPECT_EQ(stored.pixel(0, 0), QColor(Qt::white).rgb());
}

TEST_F(QtWindowTest, PSetSetsExactlyOnePixelRoundedToTheNearest) {
    // Pixel = floor(twips / twipsPerPixel + 0.5).
    struct Case {
        double x, y;  // in pixels, converted to twips below
        int px, py;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, 0},          {10, 20, 10, 20},    {10.49, 20.2, 10, 20}, {10.5, 20.5, 11, 21},
        {10.51, 19.6, 11, 20}, {-0.49, -0.3, 0, 0}, {199.7, 3, 200, 3},
    };
    auto window = makeWindow(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "PSet at pixel " << c.x << ", " << c.y);
        window->Cls();
        window->PSet(c.x * px, c.y * px);
        EXPECT_TRUE(isBlack(image(*window), c.px, c.py));
        EXPECT_EQ(countBlack(image(*window)), 1);
    }
}

TEST_F(QtWindowTest, PSetOutsideTheSurfaceOrNotFiniteDrawsNothing) {
    auto window = makeWindow(false);
    const QSize screen = image(*window).size();
    const std::vector<std::pair<double, double>> points = {
        {-0.51 * px, 5 * px},
        {5 * px, -0.51 * px},
        {(screen.width() - 0.5) * px, 5 * px},
        {5 * px, (screen.height() - 0.5) * px},
        {1e300, 1e300},
        {-1e300, 0},
        {kInf, 0},
        {0, -kInf},
        {kNaN, 0},
        {0, kNaN},
    };
    for (const auto& [x, y] : points) window->PSet(x, y);
    EXPECT_EQ(countBlack(image(*window)), 0);
    // The last row and column of the screen are still reachable.
    window->PSet((screen.width() - 1) * px, (screen.height() - 1) * px);
    EXPECT_TRUE(isBlack(image(*window), screen.width() - 1, screen.height() - 1));
}

TEST_F(QtWindowTest, LinesIncludeBothEndsAndSurviveHugeCoordinates) {
    auto window = makeWindow(false);
    const int w = image(*window).width();
    const int h = image(*window).height();
    const int diagonal = std::min(w, h);
    struct Case {
        const char* what;
        double x1, y1, x2, y2;  // twips
        std::vector<QPoint> black;
        std::vector<QPoint> white;
        int count;  // black pixels in all; -1: not checked
    };
    const std::vector<Case> cases = {
        {"horizontal", at(10), at(5), at(14), at(5), {{10, 5}, {14, 5}}, {{9, 5}, {15, 5}}, 5},
        {"vertical, drawn upwards", at(3), at(9), at(3), at(6), {{3, 6}, {3, 9}}, {{3, 5}}, 4},
        {"single point", at(7), at(7), at(7), at(7), {{7, 7}}, {}, 1},
        {"diagonal", at(0), at(0), at(3), at(3), {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, {{1, 0}}, 4},
        {"row across everything", -1e300, at(5), 1e300, at(5), {{0, 5}, {w - 1, 5}}, {{0, 4}}, w},
        {"diagonal from far away",
         -1e12,
         -1e12,
         1e12,
         1e12,
         {{0, 0}, {diagonal / 2, diagonal / 2}, {diagonal - 1, diagonal - 1}},
         {{1, 0}, {0, 1}, {diagonal / 2 + 1, diagonal / 2}},
         diagonal},
        {"extreme doubles", -1.7e308, at(2), 1.7e308, at(2), {{0, 2}, {w - 1, 2}}, {}, w},
        {"entirely outside", -1e300, -1e300, -1e299, -1e200, {}, {}, 0},
        {"not finite", at(1), at(1), kInf, at(1), {}, {}, 0},
        {"NaN", kNaN, at(1), at(5), at(1), {}, {}, 0},
        {"off the bottom", at(0), at(h + 5), at(w), at(h + 5), {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window->Cls();
        window->Line(c.x1, c.y1, c.x2, c.y2);
        for (const QPoint& p : c.black)
            EXPECT_TRUE(isBlack(image(*window), p.x(), p.y())) << p.x() << "," << p.y();
        for (const QPoint& p : c.white)
            EXPECT_FALSE(isBlack(image(*window), p.x(), p.y())) << p.x() << "," << p.y();
        if (c.count >= 0) {
            EXPECT_EQ(countBlack(image(*window)), c.count);
        }
    }
}

TEST_F(QtWindowTest, BoxesAreFilledOrOutlinedInclusiveOfBothCorners) {
    auto window = makeWindow(false);
    const QSize screen = image(*window).size();
    struct Case {
        const char* what;
        double x1, y1, x2, y2;
        bool filled;
        int count;
    };
    const std::vector<Case> cases = {
        {"filled 10 x 5", at(10), at(10), at(19), at(14), true, 50},
        {"filled, corners swapped", at(19), at(14), at(10), at(10), true, 50},
        {"outline 10 x 5", at(10), at(10), at(19), at(14), false, 2 * 10 + 2 * 3},
        {"outline of one pixel", at(4), at(4), at(4), at(4), false, 1},
        {"filled over everything", -1e300, -1e300, 1e300, 1e300, true,
         screen.width() * screen.height()},
        {"outline around everything", -1e300, -1e300, 1e300, 1e300, false, 0},
        {"outline with one edge on screen", -1e300, at(3), 1e300, 1e300, false, screen.width()},
        {"not finite", at(1), at(1), kNaN, at(4), true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window->Cls();
        window->Box(c.x1, c.y1, c.x2, c.y2, c.filled);
        EXPECT_EQ(countBlack(image(*window)), c.count);
    }
}

TEST_F(QtWindowTest, DrawingSurvivesHidingAndShowingAgain) {
    auto window = makeWindow(true);
    window->PSet(at(5), at(6));
    window->Line(at(20), at(30), at(60), at(30));
    window->Box(at(100), at(100), at(120), at(110), true);
    platform.flushDrawing();
    QImage before = grabCanvas(*window);
    EXPECT_TRUE(isBlack(before, 5, 6));

    window->hide();
    EXPECT_FALSE(window->isVisible());
    window->show();
    const QImage after = grabCanvas(*window);
    for (const QPoint& p : {QPoint(5, 6), QPoint(20, 30), QPoint(60, 30), QPoint(110, 105)}) {
        EXPECT_TRUE(isBlack(after, p.x(), p.y())) << p.x() << "," << p.y();
    }
    EXPECT_FALSE(isBlack(after, 6, 6));
    EXPECT_EQ(after, before);
}

TEST_F(QtWindowTest, DrawingWhileHiddenShowsWhenShown) {
    auto window = makeWindow(false);
    window->PSet(at(7), at(8));
    window->Line(at(0), at(40), at(30), at(40));
    window->show();
    const QImage shown = grabCanvas(*window);
    EXPECT_TRUE(isBlack(shown, 7, 8));
    EXPECT_TRUE(isBlack(shown, 30, 40));
    EXPECT_EQ(countBlack(shown), 1 + 31);
}

TEST_F(QtWindowTest, ClsErasesToWhiteAndRewindsTheTextPosition) {
    auto window = makeWindow(true);
    window->Box(at(0), at(0), at(50), at(50), true);
    window->setCurrentX(300);
    window->setCurrentY(450);
    window->Cls();
    platform.flushDrawing();
    EXPECT_EQ(countBlack(image(*window)), 0);
    EXPECT_EQ(countBlack(grabCanvas(*window)), 0);
    EXPECT_EQ(window->CurrentX(), 0);
    EXPECT_EQ(window->CurrentY(), 0);
}

TEST_F(QtWindowTest, PrintWritesAtTheTextPositionThenMovesToTheNextLine) {
    auto window = makeWindow(false);
    window->setFont(Font{"MS Sans Serif", 10, false});
    const std::string text = "x(n+1) = a x(n)";
    const double width = window->TextWidth(text);
    const double height = window->TextHeight(text);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    EXPECT_GT(window->TextWidth(text + text), width);
    EXPECT_EQ(window->TextWidth(""), 0);
    EXPECT_DOUBLE_EQ(window->TextHeight("a\rb"), 2 * height);

    window->setCurrentX(at(40));
    window->setCurrentY(at(60));
    window->Print(text);
    EXPECT_EQ(window->CurrentX(), 0);
    EXPECT_DOUBLE_EQ(window->CurrentY(), at(60) + height);

    // Ink only inside the text's box.
    const QRect box(40, 60, static_cast<int>(std::ceil(width / px)),
                    static_cast<int>(std::ceil(height / px)));
    const QImage& drawn = image(*window);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool ink = (drawn.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
            (box.contains(x, y) ? inside : outside) += ink;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);

    window->Print("second line");
    EXPECT_DOUBLE_EQ(window->CurrentY(), at(60) + 2 * height);
}

TEST_F(QtWindowTest, LargerFontsMeasureLarger) {
    auto window = makeWindow(false);
    window->setFont(Font{"MS Sans Serif", 8, false});
    const double small = window->TextHeight("Ag");
    const double smallWidth = window->TextWidth("Ag");
    window->setFont(Font{"MS Sans Serif", 16, false});
    EXPECT_GT(window->TextHeight("Ag"), 1.5 * small);
    EXPECT_GT(window->TextWidth("Ag"), 1.5 * smallWidth);
    window->setFont(Font{"MS Sans Serif", 16, true});
    EXPECT_GE(window->TextWidth("Ag"), 1.5 * smallWidth);
}

TEST(QtFontTest, MissingFamiliesFallBackToAnInstalledSansSerifAtTheAskedSize) {
    struct Case {
        Font font;
        bool desktopFamily;  // the desktop's default family expected
        double points;       // 0: the desktop's default size
    };
    // No family asked for: the default window font, 8 point "MS Sans Serif".
    const std::vector<Case> cases = {
        {Font{}, false, 8},
        {Font{"", 12, true}, false, 12},
        {Font{"MS Sans Serif", 8.25, true}, false, 8.25},
        {Font{"No Such Family Anywhere", 9.75, false}, false, 9.75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.font.name + " " + std::to_string(c.font.size));
        const QFont font = toQFont(c.font);
        const QFontInfo shown(font);
        EXPECT_TRUE(QFontDatabase::hasFamily(shown.family())) << shown.family().toStdString();
        if (c.desktopFamily) {
            EXPECT_EQ(shown.family(), QFontInfo(QApplication::font()).family());
        }
        EXPECT_NEAR(shown.pointSizeF(), c.points > 0 ? c.points : QApplication::font().pointSizeF(),
                    0.3);
        EXPECT_EQ(shown.bold(), c.font.bold);
        // A stand-in is never wider than the usual sans serif.
        QFont plain = font;
        plain.setStretch(QFont::Unstretched);
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance("Input a: (0-5)"),
                  QFontMetricsF(plain).horizontalAdvance("Input a: (0-5)") + 0.01);
    }
}

TEST_F(QtWindowTest, HiddenWindowKeepsTheGeometryItWasGiven) {
    auto window = platform.createWindow("Form2");
    const float values[] = {1234.5f, 0.0f, 7777.25f, 15.0f * 800 + 3.5f};
    for (float v : values) {
        window->setLeft(v);
        window->setTop(v + 15);
        window->setWidth(v + 3000);
        window->setHeight(v + 2000);
        EXPECT_EQ(window->Left(), v);
        EXPECT_EQ(window->Top(), v + 15);
        EXPECT_EQ(window->Width(), v + 3000);
        EXPECT_EQ(window->Height(), v + 2000);
    }
}

TEST_F(QtWindowTest, ScaleSizeOfAHiddenResizedWindowIsWhatItWillShow) {
    auto window = platform.createWindow("Form1");
    MenuBar menu = {{"mnuFile", "File", nullptr, {{"mnuExit", "Exit", [] {}, {}}}},
                    {"mnuClear", "Clear", [] {}, {}}};
    window->setMenu(std::move(menu));
    window->setWidth(static_cast<float>(500 * tpp));
    window->setHeight(static_cast<float>(400 * tpp));

    const double scaleWidth = window->ScaleWidth();
    const double scaleHeight = window->ScaleHeight();
    EXPECT_GT(scaleHeight, 0);
    EXPECT_LT(scaleHeight, window->Height());
    EXPECT_LE(scaleWidth, window->Width());
    // The menu bar takes at least a line of text.
    EXPECT_LT(scaleHeight, window->Height() - 10 * tpp);

    window->show();
    QApplication::processEvents();
    QtCanvas* canvas = qtWindow(*window).canvas();
    EXPECT_EQ(canvas->width() * tpp, scaleWidth);
    EXPECT_EQ(canvas->height() * tpp, scaleHeight);
    EXPECT_EQ(window->ScaleWidth(), scaleWidth);
    EXPECT_EQ(window->ScaleHeight(), scaleHeight);

    // Resizing a visible window shows at once in its scale size.
    window->setHeight(static_cast<float>(300 * tpp));
    EXPECT_DOUBLE_EQ(window->ScaleHeight(), scaleHeight - 100 * tpp);
    EXPECT_EQ(window->Height(), static_cast<float>(300 * tpp));
}

TEST_F(QtWindowTest, GeometryOnScreenMatchesTheFrame) {
    auto window = makeWindow(true);
    QApplication::processEvents();
    const QRect frame = qtWindow(*window).form()->frameGeometry();
    EXPECT_FLOAT_EQ(window->Left(), static_cast<float>(frame.x() * tpp));
    EXPECT_FLOAT_EQ(window->Top(), static_cast<float>(frame.y() * tpp));
    EXPECT_FLOAT_EQ(window->Width(), static_cast<float>(frame.width() * tpp));
    EXPECT_FLOAT_EQ(window->Height(), static_cast<float>(frame.height() * tpp));
    EXPECT_EQ(frame.width(), 420);
    EXPECT_EQ(frame.height(), 340);
}

TEST_F(QtWindowTest, TitleAndVisibility) {
    auto window = platform.createWindow("Form3");
    EXPECT_FALSE(window->isVisible());
    window->setTitle("Histogram & more");
    EXPECT_EQ(window->title(), "Histogram & more");
    window->show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(qtWindow(*window).form()->isWindow());
    window->hide();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(QtWindowTest, WindowsStartWithoutATitle) {
    // Not their name: a print of a window that never got a title is an
    // untitled job.
    auto window = platform.createWindow("Form2");
    EXPECT_EQ(window->title(), "");
    EXPECT_TRUE(qtWindow(*window).form()->windowTitle().isEmpty());
}

TEST_F(QtWindowTest, AWindowLargerThanTheScreenKeepsEveryPixel) {
    auto window = makeWindow(false);
    window->PSet(at(10), at(10));
    const QSize before = image(*window).size();
    // Wider and taller than the image: twice the largest screen, as on a
    // second, larger monitor.
    window->setWidth(static_cast<float>(window->Width() + 2.0 * before.width() * px));
    window->setHeight(static_cast<float>(window->Height() + 2.0 * before.height() * px));
    const QSize canvas = qtWindow(*window).canvasPixels();
    const double ratio = tpp / px;
    EXPECT_GE(image(*window).width(), canvas.width() * ratio);
    EXPECT_GE(image(*window).height(), canvas.height() * ratio);
    // What was drawn before stays where it was.
    EXPECT_TRUE(isBlack(image(*window), 10, 10));
    EXPECT_EQ(countBlack(image(*window)), 1);
    // The far corner of the client area takes drawing, on screen and on paper.
    const int farX = static_cast<int>(window->ScaleWidth() / px) - 1;
    const int farY = static_cast<int>(window->ScaleHeight() / px) - 1;
    ASSERT_GT(farX, before.width());
    ASSERT_GT(farY, before.height());
    window->PSet(at(farX), at(farY));
    EXPECT_TRUE(isBlack(image(*window), farX, farY));
    const QImage page = qtWindow(*window).pageImage();
    EXPECT_TRUE(isBlack(page, farX, farY));
    EXPECT_TRUE(isBlack(page, 10, 10));
    // Shrinking keeps the image: growing back shows the drawing again.
    window->setWidth(static_cast<float>(200 * tpp));
    window->setWidth(static_cast<float>(window->Width() + 2.0 * before.width() * px));
    EXPECT_TRUE(isBlack(image(*window), farX, farY));
}

TEST_F(QtWindowTest, ClosingTheFrameHidesTheWindowThenTellsTheProgram) {
    auto window = makeWindow(true);
    int closed = 0;
    bool hiddenWhenTold = false;
    window->setOnFrameClose([&] {
        ++closed;
        hiddenWhenTold = !window->isVisible();
    });
    window->PSet(at(1), at(1));
    EXPECT_FALSE(qtWindow(*window).form()->close());
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(hiddenWhenTold);
    EXPECT_FALSE(window->isVisible());
    // The window lives on with its drawing and can come back.
    window->show();
    EXPECT_TRUE(isBlack(grabCanvas(*window), 1, 1));

    auto plain = makeWindow(true);
    qtWindow(*plain).form()->close();
    EXPECT_FALSE(plain->isVisible());
}

TEST_F(QtWindowTest, LabelsAndTextFieldsSitOnTheCanvas) {
    auto window = makeWindow(false);
    const Font font{"MS Sans Serif", 8, false};
    window->addLabel("lblA", "a =", ControlBox{0, 0, logical(40), logical(20)}, font);
    TextField& a = window->addTextField("txtA", ControlBox{logical(40), 0, logical(80), logical(20)}, font);
    TextField& x0 = window->addTextField("txtX0", ControlBox{logical(120), 0, logical(80), logical(20)}, font);
    TextField& n = window->addTextField("txtN", ControlBox{logical(200), 0, logical(80), logical(20)}, font);

    QtCanvas* canvas = qtWindow(*window).canvas();
    auto* label = canvas->findChild<QLabel*>("lblA");
    auto* editA = canvas->findChild<QLineEdit*>("txtA");
    auto* editX0 = canvas->findChild<QLineEdit*>("txtX0");
    auto* editN = canvas->findChild<QLineEdit*>("txtN");
    ASSERT_TRUE(label && editA && editX0 && editN);
    EXPECT_EQ(label->text(), "a =");
    EXPECT_EQ(label->geometry(), QRect(0, 0, 40, 20));
    EXPECT_EQ(editX0->geometry(), QRect(120, 0, 80, 20));

    a.setText("3.7");
    EXPECT_EQ(editA->text(), "3.7");
    editN->setText("1000");
    EXPECT_EQ(n.text(), "1000");
    EXPECT_EQ(x0.text(), "");

    // Tab goes through the fields in the order they were added.
    const auto nextTabStop = [](QWidget* from) {
        QWidget* w = from->nextInFocusChain();
        while (w != from && !(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
        return w;
    };
    EXPECT_EQ(nextTabStop(editA), editX0);
    EXPECT_EQ(nextTabStop(editX0), editN);
}

TEST_F(QtWindowTest, PageImageIsTheClientAreaWithItsControls) {
    auto window = makeWindow(false);
    window->addLabel("lbl", "WWWWWW", ControlBox{0, 0, at(100), at(20)},
                     Font{"MS Sans Serif", 12, true});
    window->Box(at(150), at(150), at(160), at(160), true);
    QtWindow& w = qtWindow(*window);
    const QImage page = w.pageImage();
    EXPECT_EQ(page.width() * px, window->ScaleWidth());
    EXPECT_EQ(page.height() * px, window->ScaleHeight());
    EXPECT_TRUE(isBlack(page, 155, 155));
    int labelInk = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 100; ++x) labelInk += (page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    }
    EXPECT_GT(labelInk, 20);
    // The stored drawing itself is untouched by the controls.
    EXPECT_EQ(countBlack(w.image().copy(0, 0, 100, 20)), 0);
}

}  // namespace
}  // namespace corvane::platform
