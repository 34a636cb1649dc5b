// Rescale, zoom and printing of the histograms.
#include <string>

#include "core/numeric/number_text.h"
#include "windows/histogram/form3.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane {

void Form3::rescale(int j) {
    rescaleTarget = static_cast<std::int16_t>(j);
    rescaleHisto();
}

void Form3::mnuRescale1_Click() { rescale(1); }
void Form3::mnuRescale2_Click() { rescale(2); }
void Form3::mnuRescale3_Click() { rescale(3); }
void Form3::mnuREscale4_Click() { rescale(4); }
void Form3::mnuRescale5_Click() { rescale(5); }
void Form3::mnuREscale6_Click() { rescale(6); }

void Form3::rescaleHisto() {
    savedHistCount = static_cast<std::int16_t>(histCountValue());
    enterMaxY();
    histCount = 0;
    clearDrawing();
    for (int i = 1; i <= savedHistCount; ++i) {
        binCount = histBinCount[i - 1];
        plotChoice = static_cast<std::int16_t>(histPlot[i].value());
        mnuHistogram_Click();
        if (countStopped_) {
            // The user cancelled a count (or its counters found no memory):
            // the redraw stops there. The records were not touched, so all
            // the histograms stay recorded as before; those not redrawn yet
            // stay blank until the next rescale draws them.
            histCount = savedHistCount;
            break;
        }
    }
    rescaleTarget = 0;
    win_->show();
}

void Form3::enterMaxY() {
    auto& ui = program_.ui;
    const std::string text = ui.InputBox("Enter maximum value for y for histogram " +
                                             std::to_string(rescaleTarget) + ", then click OK",
                                         "Enter maximum y");
    const auto value = toInt32(text);
    if (text.empty() || !isNumeric(text) || !value) {
        ui.MsgBox("Invalid value", platform::Buttons::Ok);
        return;
    }
    userMaxY = *value;
}

void Form3::mnuZoom_Click() { m_.setSingleChartGeometry(program_.form2().window()); }

void Form3::zoomHisto(int j) {
    const std::string number = std::to_string(j);
    if (histCount < j) {
        program_.ui.MsgBox("No histogram " + number + " to show zoom", platform::Buttons::Ok);
        return;
    }
    zoomTarget = j;
    loadZoomSlot();
    // Histogram j is counted with its own m, whatever was entered since.
    binCount = histBinCount[j - 1];
    // Counted before Form2 is cleared: a cancelled count leaves it as it was.
    if (!countBins()) return;
    Form2& form2 = program_.form2();
    form2.clearSurface();
    std::int16_t shift = j == 1 ? 500 : 1000;
    plotHisto(form2.window(), shift);
    form2.shows.kind = Form2Shows::Kind::Histogram;
    form2.shows.number = j;
    form2.shows.histogram = lastDrawn_;
    form2.shows.histogram.plot = static_cast<int>(histPlot[j].value());
    form2.showChart(m_.orbitLegend(j) + ", m = " + binCount.text(), "Zoom of histogram " + number);
}

void Form3::mnuZoomHisto1_Click() { zoomHisto(1); }
void Form3::mnuZoomHisto2_Click() { zoomHisto(2); }
void Form3::mnuZoomHisto3_Click() { zoomHisto(3); }
void Form3::mnuZoomHisto4_Click() { zoomHisto(4); }
void Form3::mnuZoomHisto5_Click() { zoomHisto(5); }
void Form3::mnuZoomHisto6_Click() { zoomHisto(6); }

void Form3::loadZoomSlot() {
    const int target = static_cast<int>(zoomTarget.value());
    if (target < 1 || target > 6) return;
    const int k = static_cast<int>(histPlot[target].value());
    if (k < 1 || k > 6) return;
    m_.loadSlot(k);
}

void Form3::mnuPrintHisto_Click() { m_.printWindow(*win_); }

void Form3::mnuPrintZoom_Click() { m_.printWindow(program_.form2().window()); }

}  // namespace corvane
