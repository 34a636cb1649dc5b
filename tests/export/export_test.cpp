// Export of every window's picture and numbers, on the scripted desktop:
// the numbers read back exactly and agree with what was drawn.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/numeric/maps.h"
#include "tests/support/program_test.h"

namespace corvane::testing {
namespace {

// A data file split into its comment lines, its header row and its rows.
struct Csv {
    std::vector<std::string> comments;
    std::string header;
    std::vector<std::vector<std::string>> rows;

    double number(std::size_t row, std::size_t column) const {
        return std::strtod(rows.at(row).at(column).c_str(), nullptr);
    }
};

Csv parse(const std::string& text) {
    Csv csv;
    std::istringstream lines(text);
    std::string line;
    bool headerSeen = false;
    while (std::getline(lines, line)) {
        if (!headerSeen && line.rfind("# ", 0) == 0) {
            csv.comments.push_back(line.substr(2));
        } else if (!headerSeen && line.rfind("\"# ", 0) == 0) {
            // A comment holding a comma: one quoted field, its quotes doubled.
            std::string text;
            for (std::size_t i = 3; i + 1 < line.size(); ++i) {
                text += line[i];
                if (line[i] == '"') ++i;
            }
            csv.comments.push_back(text);
        } else if (!headerSeen) {
            csv.header = line;
            headerSeen = true;
        } else {
            std::vector<std::string> fields;
            std::istringstream parts(line);
            std::string field;
            while (std::getline(parts, field, ',')) fields.push_back(field);
            csv.rows.push_back(fields);
        }
    }
    return csv;
}

class Export : public ProgramTest {
protected:
    // Chooses "Data (CSV)..." in the window, answering the dialog with `path`.
    Csv exportData(FakeWindow& window, const std::string& path = "/tmp/out.csv") {
        ui.answerExport(path);
        window.click("mnuExportData");
        const auto found = ui.files().find(path);
        if (found == ui.files().end()) {
            ADD_FAILURE() << "nothing written to " << path;
            return {};
        }
        return parse(found->second);
    }
};

// The points of panel k as the surface received them, in twips.
std::vector<std::pair<double, double>> pointsOf(const FakeWindow& w) {
    std::vector<std::pair<double, double>> points;
    for (const auto& op : w.picture(DrawOp::Kind::PSet)) points.emplace_back(op.x1, op.y1);
    return points;
}

TEST_F(Export, MainWindowRowsAreThePlottedPoints) {
    plot(1, "3.7", "0.2", "200");
    plot(2, "2.3", "0.6", "150");
    plot(1, "4", "0.3", "300");
    const auto drawn = pointsOf(form1());
    const Csv csv = exportData(form1());
    EXPECT_EQ(csv.header, "plot,n,x");
    ASSERT_EQ(csv.rows.size(), 650u);
    ASSERT_EQ(drawn.size(), 650u);
    // Each row, placed as the chart places a value, is the point drawn.
    std::size_t row = 0;
    for (int k = 1; k <= 3; ++k) {
        const double bottom = m().slotDrawing[k].chartBottom;
        const double height = m().slotDrawing[k].chartHeight;
        for (int n = 1; n <= m().slotN[k]; ++n, ++row) {
            EXPECT_EQ(csv.rows[row][0], std::to_string(k));
            EXPECT_EQ(csv.rows[row][1], std::to_string(n));
            const double x = csv.number(row, 2);
            EXPECT_EQ(bottom - ((x + 0.25) * height) / 1.5, drawn[row].second) << k << ", " << n;
        }
    }
    // The four lines every file begins with, then a line a plot.
    EXPECT_EQ(csv.comments[0].rfind("Corvane ", 0), 0u);
    EXPECT_EQ(csv.comments[1], "what: the orbits of the main window as plotted");
    EXPECT_EQ(csv.comments[2], "map: a*x*(1-x); a*x^2*sin(PI*x)");
    EXPECT_EQ(csv.comments[4], "plot 1: a = 3.7; x0 = 0.2; N = 200; map = a*x*(1-x)");
    EXPECT_EQ(csv.comments[5], "plot 2: a = 2.3; x0 = 0.6; N = 150; map = a*x^2*sin(PI*x)");
}

TEST_F(Export, EachPanelKeepsTheMapItWasDrawnWith) {
    plot(1, "3.9", "0.2", "50");
    chooseMap(2);  // chosen after drawing: the picture is still of f1
    const Csv csv = exportData(form1());
    ASSERT_EQ(csv.rows.size(), 50u);
    EXPECT_EQ(csv.comments[4], "plot 1: a = 3.9; x0 = 0.2; N = 50; map = a*x*(1-x)");
    EXPECT_NEAR(csv.number(0, 2), f1(3.9, 0.2), 1e-3);
}

TEST_F(Export, AnOrbitCutOffExportsThePointsDrawn) {
    ui.clearDialogs();
    plot(1, "5", "0.5", "10");  // overflow after one point
    const Csv csv = exportData(form1());
    EXPECT_EQ(csv.rows.size(), 1u);
}

TEST_F(Export, ZoomDifferenceAndHistogramZoomInForm2) {
    plot(1, "3.7", "0.2", "100");
    plot(1, "3.7", "0.2001", "100");
    form1().click("mnuPlot2");
    const auto zoomed = pointsOf(form2());
    Csv csv = exportData(form2());
    EXPECT_EQ(ui.exportRequests().back().defaultName, "zoom-of-plot-2.csv");
    EXPECT_EQ(csv.header, "n,x");
    ASSERT_EQ(csv.rows.size(), zoomed.size());

    ui.answerInput("1");
    ui.answerInput("2");
    form1().click("mnuDifference");
    csv = exportData(form2());
    EXPECT_EQ(ui.exportRequests().back().defaultName, "difference-of-plots-1-and-2.csv");
    EXPECT_EQ(csv.header, "n,d");
    ASSERT_EQ(csv.rows.size(), 100u);
    // d_n from two independent orbits.
    double u = 0.2, v = 0.2001;
    for (int n = 1; n <= 100; ++n) {
        u = (3.7 * u) * (1 - u);
        v = (3.7 * v) * (1 - v);
        EXPECT_EQ(csv.number(n - 1, 1), u - v) << n;
    }
    EXPECT_NE(csv.comments.back().find("d: iterate n"), std::string::npos);
    bool scaleNamed = false;
    for (const auto& c : csv.comments) {
        scaleNamed |= c.find("M = " + std::to_string(program.form1().diffScale)) != std::string::npos;
    }
    EXPECT_TRUE(scaleNamed);
}

TEST_F(Export, HistogramCountsSumToTheCountedIterates) {
    struct Case {
        const char* a;
        const char* N;
        const char* m;
        bool everyBin;
    };
    const Case cases[] = {
        {"4", "5000", "100", true},
        {"3.2", "1000", "7", true},
        {"3.99", "3000", "2000000000", false},  // only the bins hit
    };
    int histogram = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m);
        form1().click("mnuClear");
        plot(1, c.a, "0.3", c.N);
        ui.answerInput("1");
        ui.answerInput(c.m);
        form1().click("mnuHisto");
        ++histogram;
        const Csv csv = exportData(form3());
        EXPECT_EQ(csv.header, "histogram,bin,lower,upper,count");
        std::int64_t sum = 0;
        std::map<std::string, int> perHistogram;
        for (std::size_t r = 0; r < csv.rows.size(); ++r) {
            sum += std::stoll(csv.rows[r][4]);
            ++perHistogram[csv.rows[r][0]];
            // Edges are j/m as the bins are searched, exact.
            const double m = std::strtod(c.m, nullptr);
            const double j = std::strtod(csv.rows[r][1].c_str(), nullptr);
            EXPECT_EQ(csv.number(r, 2), j * (1.0 / m));
        }
        // Counter m, the iterates at 1, is the last row; every iterate is in [0, 1].
        ASSERT_FALSE(csv.rows.empty());
        EXPECT_EQ(csv.rows.back()[1], c.m);
        EXPECT_EQ(csv.rows.back()[3], "1");
        EXPECT_EQ(sum, std::stoll(c.N));
        const std::string mine = std::to_string(histogram);
        if (c.everyBin) {
            EXPECT_EQ(perHistogram[mine], std::stoi(c.m) + 1);
        } else {
            EXPECT_LE(perHistogram[mine], std::stoi(c.N) + 1);
        }
    }
}

TEST_F(Export, FunctionGraphsHaveTheirPolylinePoints) {
    type("3.5", "0.5", "10");
    program.form1().mnuFGraph_Click();
    win("Form4").open("mnuFunction");
    ui.answerInput("2");
    win("Form4").click("mnuFL");
    const Csv csv = exportData(win("Form4"));
    EXPECT_EQ(csv.header, "graph,x,y");
    ASSERT_EQ(csv.rows.size(), 101u);
    for (int i = 0; i <= 100; ++i) {
        const double x = (1.0 / 100) * i;  // as the curve steps
        EXPECT_EQ(csv.number(i, 1), x);
        EXPECT_EQ(csv.number(i, 2), f1(3.5, f1(3.5, x))) << i;
    }
}

TEST_F(Export, EmptyWindowsSaySoAndWriteNoData) {
    program.form1().mnuFGraph_Click();
    const std::pair<const char*, const char*> cases[] = {
        {"Form1", "There is no plot to export yet."},
        {"Form3", "There is no histogram to export yet."},
        {"Form4", "There is no graph to export yet."}};
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(name);
        const std::size_t asked = ui.exportRequests().size();
        win(name).click("mnuExportData");
        EXPECT_EQ(ui.exportRequests().size(), asked);  // no file asked for
        ASSERT_FALSE(ui.messages().empty());
        EXPECT_EQ(ui.messages().back(), why);
        for (const auto& file : ui.files()) EXPECT_EQ(file.first.find(".csv"), std::string::npos);
        // The picture of an empty window is what it shows.
        ui.answerExport(std::string("/tmp/") + name + ".png");
        win(name).click("mnuExportPicture");
        EXPECT_EQ(ui.files().at(std::string("/tmp/") + name + ".png"), std::string("picture of ") + name);
    }
}

TEST_F(Export, DefaultNamesSayWhatIsShown) {
    const std::pair<const char*, const char*> cases[] = {
        {"Form1", "corvane-plots.png"}, {"Form2", "zoom.png"}, {"Form3", "histograms.png"}};
    for (const auto& [window, name] : cases) {
        ui.answerExport(std::nullopt);  // the dialog is cancelled: nothing happens
        win(window).click("mnuExportPicture");
        EXPECT_EQ(ui.exportRequests().back().defaultName, name);
        EXPECT_TRUE(ui.exportRequests().back().picture);
    }
    EXPECT_TRUE(ui.files().empty());
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(Export, AFailedWriteNamesTheFileAndTheReason) {
    plot(1, "3.7", "0.2", "10");
    ui.failExports("No space left on device");
    ui.answerExport("/full/x.csv");
    form1().click("mnuExportData");
    ui.answerExport("/full/x.pdf");
    form1().click("mnuExportPicture");
    EXPECT_EQ(ui.messages(), (std::vector<std::string>{
                                 "Cannot write /full/x.csv: No space left on device",
                                 "Cannot write /full/x.pdf: No space left on device"}));
    EXPECT_TRUE(ui.files().empty());
}

TEST_F(Export, CancelHalfWayWritesNothing) {
    m().progressMask = 0;
    plot(1, "3.7", "0.2", "300000");
    ui.cancelAtStep(100000);
    ui.answerExport("/tmp/x.csv");
    form1().click("mnuExportData");
    EXPECT_TRUE(ui.files().empty());
    EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace corvane::testing
