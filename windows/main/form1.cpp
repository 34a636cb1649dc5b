#include "windows/main/form1.h"

#include "core/numeric/number_text.h"
#include "windows/explore_link.h"
#include "windows/export.h"
#include "windows/program.h"

namespace corvane {

namespace {

const platform::Font kFormFont{"MS Sans Serif", 8.25, true};
const platform::Font kInputFont{"MS Sans Serif", 9.75, true};

}  // namespace

Form1::Form1(Program& program)
    : program_(program),
      m_(program.module),
      win_(program.ui.createWindow("Form1")),
      description_(*win_, "Orbit plots", "Plot", "Plots",
                   "No plots. Choose a function, type a, x0 and N, then choose Corvane.") {
    win_->setTitle("Corvane Experiment");
    win_->setFont(kFormFont);
    win_->setMenu(program_.guarded({
        {"mnuFunction", "Function", nullptr,
         {{"mnuLogistic", "a*x*(1-x)", [this] { mnuLogistic_Click(); }, {}},
          {"mnuSin", "a*x^2*sin(PI*x)", [this] { mnuSin_Click(); }, {}}}},
        {"mnuPlot", "Corvane", [this] { mnuPlot_Click(); }, {}},
        {"mnuHisto", "Histogram", [this] { mnuHisto_Click(); }, {}},
        {"mnuDifference", "Difference", [this] { mnuDifference_Click(); }, {}},
        {"mnuZoom", "Zoom", [this] { mnuZoom_Click(); },
         {{"mnuPlot1", "Corvane 1", [this] { mnuPlot1_Click(); }, {}},
          {"mnuPlot2", "Corvane 2", [this] { mnuPlot2_Click(); }, {}},
          {"mnuPlot3", "Corvane 3", [this] { mnuPlot3_Click(); }, {}},
          {"mnuPlot4", "Corvane 4", [this] { mnuPlot4_Click(); }, {}},
          {"mnuPlot5", "Corvane 5", [this] { mnuPlot5_Click(); }, {}},
          {"mnuPlot6", "Corvane 6", [this] { mnuPlot6_Click(); }, {}}}},
        {"mnuFGraph", "FunctionGraph", [this] { mnuFGraph_Click(); }, {}},
        {"mnuPrint", "Print", nullptr,
         {{"mnuPrintPlots", "Plots", [this] { mnuPrintPlots_Click(); }, {}},
          {"mnuPrintDiff", "Difference or Zoom", [this] { mnuPrintDiff_Click(); }, {}}}},
        {"mnuClear", "Clear", [this] { mnuClear_Click(); }, {}},
        {"mnuExit", "Exit", [this] { mnuExit_Click(); }, {}},
        exportMenu(
            program_, *win_, [] { return std::string("corvane-plots"); },
            [this](CsvWriter& csv) { return writeData(csv); },
            [this] {
                return m_.plotCount > 0 ? std::string()
                                        : std::string("There is no plot to export yet.");
            }),
        {"mnuExplore", "Explore", nullptr,
         {{"mnuExploreBifurcation", "Bifurcation diagram",
           [this] { mnuExploreBifurcation_Click(); }, {}},
          {"mnuExploreCobweb", "Cobweb", [this] { mnuExploreCobweb_Click(); }, {}},
          {"mnuExploreFeigenbaum", "Feigenbaum constants",
           [this] { mnuExploreFeigenbaum_Click(); }, {}},
          {"mnuExplorePlane", "Parameter plane", [this] { mnuExplorePlane_Click(); }, {}},
          {"mnuExploreSeparator", "", nullptr, {}},
          {"mnuExploreOpenSession", "Open session...", [this] { mnuExploreOpenSession_Click(); },
           {}},
          {"mnuExploreSaveSession", "Save session...", [this] { mnuExploreSaveSession_Click(); },
           {}},
          {"mnuExploreOpenRecent", "Open recent...", [this] { mnuExploreOpenRecent_Click(); },
           {}}}},
        helpMenu(),
    }));
    // The input row, in twips, at the top of the client area.
    win_->addLabel("Label1", "Input a: (0-5)", {480, 0, 1335, 255}, kInputFont);
    Text1 = &win_->addTextField("Text1", {1800, 0, 1095, 300}, kInputFont);
    win_->addLabel("Label2", "Input x0: (0-1)", {3720, 0, 1455, 255}, kInputFont);
    Text2 = &win_->addTextField("Text2", {5160, 0, 1095, 315}, kInputFont);
    win_->addLabel("Label3", "Input N:", {7080, 0, 855, 255}, kInputFont);
    Text3 = &win_->addTextField("Text3", {7920, 0, 1095, 315}, kInputFont);
    // Each field is known by its label; Enter in any of them plots, exactly
    // as the menu item "Corvane" does.
    win_->setLabelFor("Label1", "Text1");
    win_->setLabelFor("Label2", "Text2");
    win_->setLabelFor("Label3", "Text3");
    for (platform::TextField* field : {Text1, Text2, Text3}) {
        field->setOnEnter([this] { program_.runGuarded([this] { mnuPlot_Click(); }); });
    }
    // Closing the main window through its frame ends the program, as Exit does.
    win_->setOnFrameClose([this] { program_.ui.endProgram(); });
}

void Form1::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(program_.ui.screenWidth() - 100));
    win_->setHeight(static_cast<float>(program_.ui.screenHeight() - 450));
    Text1->setText("");
    Text2->setText("");
    Text3->setText("");
    m_.plotCount = 0;
    m_.funcChoice = 0;
}

void Form1::mnuLogistic_Click() { m_.funcChoice = 1; }

void Form1::mnuExploreBifurcation_Click() {
    if (ExploreLink* link = program_.exploreLink()) link->openBifurcation(m_.funcChoice);
}

void Form1::mnuExploreCobweb_Click() {
    ExploreLink* link = program_.exploreLink();
    if (!link) return;
    // The a field's value when it holds one the plots would take.
    std::optional<double> a = toDouble(Text1->text());
    if (a && !(*a >= 0 && *a <= 5)) a.reset();
    link->openCobweb(m_.funcChoice, a);
}

void Form1::mnuExploreFeigenbaum_Click() {
    if (ExploreLink* link = program_.exploreLink()) link->openFeigenbaum(m_.funcChoice);
}

void Form1::mnuExplorePlane_Click() {
    if (ExploreLink* link = program_.exploreLink()) link->openPlane(m_.funcChoice);
}

void Form1::mnuExploreOpenSession_Click() {
    if (ExploreLink* link = program_.exploreLink()) link->openSession();
}

void Form1::mnuExploreSaveSession_Click() {
    if (ExploreLink* link = program_.exploreLink()) link->saveSession();
}

void Form1::mnuExploreOpenRecent_Click() {
    if (ExploreLink* link = program_.exploreLink()) link->openRecentSession();
}

void Form1::mnuSin_Click() { m_.funcChoice = 2; }

void Form1::readData() {
    dataOk = -1;
    const std::string a = Text1->text();
    const std::string x0 = Text2->text();
    const std::string n = Text3->text();
    if (a.empty() || x0.empty() || n.empty()) {
        program_.ui.MsgBox("Please enter all values", platform::Buttons::Ok);
        dataOk = 0;
        return;
    }
    if (!isNumeric(a) || !isNumeric(x0) || !isNumeric(n)) {
        program_.ui.MsgBox("Please enter numerical values in the range indicated",
                           platform::Buttons::Ok);
        dataOk = 0;
        return;
    }
    const auto aValue = toDouble(a);
    const auto x0Value = toDouble(x0);
    const auto nValue = toInt32(n);
    if (!aValue || !x0Value || !nValue) {
        // Numeric, but beyond what the variables can hold: nothing is stored.
        program_.ui.MsgBox("Invalid parameter value", platform::Buttons::Ok);
        dataOk = 0;
        return;
    }
    m_.curA = *aValue;
    m_.curX0 = *x0Value;
    m_.curN = *nValue;
    if (m_.curA > 5 || m_.curA < 0 || m_.curX0 < 0 || m_.curX0 > 1 || m_.curN <= 0) {
        program_.ui.MsgBox("Invalid parameter value", platform::Buttons::Ok);
        dataOk = 0;
    }
}

}  // namespace corvane
