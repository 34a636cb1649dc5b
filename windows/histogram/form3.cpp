// The histogram window itself: menus, load, entry of k and m, choice of the
// panel, legend and records.
#include "windows/histogram/form3.h"

#include <string>

#include "core/numeric/number_text.h"
#include "windows/export.h"
#include "windows/program.h"

namespace corvane {

Form3::Form3(Program& program)
    : program_(program),
      m_(program.module),
      win_(program.ui.createWindow("Form3")),
      description_(*win_, "Histograms", "Histogram", "Histograms", "No histograms.") {
    win_->setTitle("Histogram");
    win_->setFont(platform::Font{});  // the desktop's default font
    win_->setMenu(program_.guarded({
        {"mnuHistogram", "Histogram", [this] { mnuHistogram_Click(); }, {}},
        {"mnuREscale",
         "Rescale",
         nullptr,
         {{"mnuRescale1", "Histogram 1", [this] { mnuRescale1_Click(); }, {}},
          {"mnuRescale2", "Histogram 2", [this] { mnuRescale2_Click(); }, {}},
          {"mnuRescale3", "Histogram 3", [this] { mnuRescale3_Click(); }, {}},
          {"mnuREscale4", "Histogram 4", [this] { mnuREscale4_Click(); }, {}},
          {"mnuRescale5", "Histogram 5", [this] { mnuRescale5_Click(); }, {}},
          {"mnuREscale6", "Histogram 6", [this] { mnuREscale6_Click(); }, {}}}},
        {"mnuZoom",
         "Zoom",
         [this] { mnuZoom_Click(); },
         {{"mnuZoomHisto1", "Histogram 1", [this] { mnuZoomHisto1_Click(); }, {}},
          {"mnuZoomHisto2", "Histogram 2", [this] { mnuZoomHisto2_Click(); }, {}},
          {"mnuZoomHisto3", "Histogram 3", [this] { mnuZoomHisto3_Click(); }, {}},
          {"mnuZoomHisto4", "Histogram 4", [this] { mnuZoomHisto4_Click(); }, {}},
          {"mnuZoomHisto5", "Histogram 5", [this] { mnuZoomHisto5_Click(); }, {}},
          {"mnuZoomHisto6", "Histogram 6", [this] { mnuZoomHisto6_Click(); }, {}}}},
        {"mnuPrint",
         "Print",
         nullptr,
         {{"mnuPrintHisto", "Histogram", [this] { mnuPrintHisto_Click(); }, {}},
          {"mnuPrintZoom", "Zoom", [this] { mnuPrintZoom_Click(); }, {}}}},
        {"mnuClear", "Clear", [this] { mnuClear_Click(); }, {}},
        {"mnuClose", "Close", [this] { mnuClose_Click(); }, {}},
        exportMenu(
            program_, *win_, [] { return std::string("histograms"); },
            [this](CsvWriter& csv) { return writeData(csv); },
            [this] {
                for (int j = 1; j <= histCountValue() && j <= 6; ++j) {
                    if (drawn_[j]) return std::string();
                }
                return std::string("There is no histogram to export yet.");
            }),
    }));
    win_->setOnFrameClose([this] { program_.discardForm3(); });
    // Escape does what Close does.
    win_->setOnEscape([this] { program_.runGuarded([this] { mnuClose_Click(); }); });
}

void Form3::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(program_.ui.screenWidth()));
    win_->setHeight(static_cast<float>(program_.ui.screenHeight()));
    histCount = 0;
    rescaleTarget = 0;
}

void Form3::mnuHistogram_Click() {
    countStopped_ = false;
    if (rescaleTarget == 0) enterM();
    if (binCount == 0) return;
    if (plotChoice >= 1 && plotChoice <= 6) addHisto(plotChoice);
}

void Form3::enterM() {
    auto& ui = program_.ui;
    // Both answers are asked for before either is looked at.
    const std::string k = ui.InputBox("Choose a plot to see its histogram (1-" +
                                          std::to_string(m_.plotCount) + "), then click OK",
                                      "Choose a corvane");
    const std::string m = ui.InputBox("Enter number of bins m, then click OK", "Input m");
    if (!isNumeric(m) || m.empty() || !isNumeric(k) || k.empty()) {
        ui.MsgBox("Enter a valid number", platform::Buttons::Ok);
        binCount = 0;
        return;
    }
    const auto bins = toInt32(m);
    const auto plot = toInt16(k);
    // A plot number beyond 16 bits or an m beyond 32 bits cannot be held:
    // such entries are refused like any other impossible number.
    if (plot) plotChoice = *plot;
    if (!bins || !plot || plotChoice <= 0 || *bins <= 0 || plotChoice > m_.plotCount) {
        ui.MsgBox("Invalid number.", platform::Buttons::Ok);
        binCount = 0;
        return;
    }
    binCount = *bins;
}

void Form3::addHisto(int k) {
    histCount = histCount + 1;
    m_.loadSlot(k);
    placingPlot_ = k;
    placeHisto();
}

void Form3::addHisto1() { addHisto(1); }
void Form3::addHisto2() { addHisto(2); }
void Form3::addHisto3() { addHisto(3); }
void Form3::addHisto4() { addHisto(4); }
void Form3::addHisto5() { addHisto(5); }
void Form3::addHisto6() { addHisto(6); }

void Form3::placeHisto() {
    countStopped_ = false;
    bool erase = false;
    if (histCount > 6) {
        const auto answer = program_.ui.MsgBox(
            "This window only fits up to six histograms.\rDo you want to erase the previous "
            "histograms?",
            platform::Buttons::YesNo);
        if (answer != platform::Answer::Yes) {
            histCount = histCount - 1;
            return;
        }
        erase = true;
        histCount = histCount - 6;
    }
    // The orbit is counted before anything is erased, recorded or drawn, so
    // that a count the user cancels (or that finds no memory for its
    // counters) leaves the window, the records and histCount as they were.
    if (!countBins()) {
        histCount = erase ? 6 : histCount - 1;
        countStopped_ = true;
        return;
    }
    if (erase) clearDrawing();
    const int j = histCountValue();
    histPlot[j] = placingPlot_;
    histBinCount[j - 1] = binCountValue();
    m_.setPanelOrigin(j, *win_);
    m_.completePanelGeometry();
    const std::string legend = m_.orbitLegend(j) + ", m = " + binCount.text();
    m_.printChartTitle(*win_, legend);
    description_.setPanel(j, legend);
    std::int16_t shift = 500;
    plotHisto(*win_, shift);
    records_[j] = lastDrawn_;
    drawn_[j] = true;
}

void Form3::clearDrawing() {
    win_->Cls();
    drawn_.fill(false);
    description_.clear();
}

void Form3::mnuClear_Click() {
    clearDrawing();
    histCount = 0;
}

void Form3::mnuClose_Click() { win_->hide(); }

}  // namespace corvane
