// The real program under a locale whose decimal separator is a comma: the
// numbers it writes keep their '.', as the user typed them.
#include <clocale>
#include <cstdlib>
#include <string>

#include "tests/qt/qt_test_support.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane::platform::testing {
namespace {

// Switches the C library's numbers to a comma locale for the test, as the
// toolkit does when the program starts under LC_ALL=de_DE.UTF-8.
class CommaLocale {
public:
    CommaLocale() {
        const char* now = std::setlocale(LC_ALL, nullptr);
        saved_ = now ? now : "C";
        available_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool available() const { return available_; }

private:
    std::string saved_;
    bool available_ = false;
};

bool underCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// Plots a = 3.7, x0 = 0.25, N = 100 in panel 1 and the difference of two
// nearby orbits, and returns the main window's and the difference window's
// images.
std::pair<QImage, QImage> plotUnder(QtPlatform& platform) {
    Program program(platform);
    program.startUp();
    Form1& form1 = program.form1();
    form1.mnuLogistic_Click();
    for (const char* a : {"3.7", "3.70001"}) {
        form1.Text1->setText(a);
        form1.Text2->setText("0.25");
        form1.Text3->setText("100");
        form1.mnuPlot_Click();
    }
    form1.firstPlotNo = 1;
    form1.secondPlotNo = 2;
    bool ok = false;
    form1.plotDifference(ok);
    EXPECT_TRUE(ok);
    program.form2().showChart(
        "delta a = " + program.module.deltaA.text() + ", delta x0 = " + program.module.deltaX0.text(),
        "Difference between plots 1 and 2");
    EXPECT_EQ(program.module.deltaA.text().find(','), std::string::npos);
    return {qtWindow(form1.window()).image().copy(),
            qtWindow(program.form2().window()).image().copy()};
}

TEST(CommaLocaleTest, LegendsAndTitlesKeepTheDecimalPoint) {
    QtPlatform platform;
    const auto inC = plotUnder(platform);
    CommaLocale comma;
    if (!comma.available()) {
        if (underCi()) FAIL() << "the locale de_DE.UTF-8 must be installed under CI";
        GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (./test.sh generates it)";
    }
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    const auto inGerman = plotUnder(platform);
    // The same pixels: "3.7" and "0.25" in the legends, "delta a = -1E-05".
    EXPECT_TRUE(inGerman.first == inC.first);
    EXPECT_TRUE(inGerman.second == inC.second);
}

}  // namespace
}  // namespace corvane::platform::testing
