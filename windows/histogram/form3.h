// The histogram window: histograms of plotted orbits in six panels, their
// rescaling, an enlarged view in Form2 and printing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/maybe_number.h"
#include "core/module1.h"
#include "platform/platform.h"
#include "core/numeric/bin_counters.h"
#include "core/numeric/csv.h"
#include "windows/histogram/histogram_record.h"
#include "windows/surface_description.h"

namespace corvane {

class Program;

// Writes the records and counts of the histograms (number, record), each
// counted again as it was for drawing; false when the user stopped it.
bool writeHistograms(Program& program, CsvWriter& csv,
                     const std::vector<std::pair<int, HistogramRecord>>& histograms);

class Form3 {
public:
    explicit Form3(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();

    // Adding a histogram: the single entry point, used by this window's
    // "Histogram", by the main window's "Histogram" and by the rescale redraw.
    void mnuHistogram_Click();
    void enterM();
    void addHisto1();
    void addHisto2();
    void addHisto3();
    void addHisto4();
    void addHisto5();
    void addHisto6();
    void placeHisto();
    void mnuClear_Click();
    void mnuClose_Click();
    const SurfaceDescription& description() const { return description_; }

    // Counting and drawing. countBins is false when the count did not finish
    // (cancelled, or no memory for the counters: then it has said so).
    bool countBins();
    void findBin(double x, std::int32_t& lo, std::int32_t hi);
    void plotHisto(platform::Window& objForm, std::int16_t& nShift);

    // Rescale.
    void mnuRescale1_Click();
    void mnuRescale2_Click();
    void mnuRescale3_Click();
    void mnuREscale4_Click();
    void mnuRescale5_Click();
    void mnuREscale6_Click();
    void rescaleHisto();
    void enterMaxY();

    // Zoom into Form2.
    void mnuZoom_Click();
    void mnuZoomHisto1_Click();
    void mnuZoomHisto2_Click();
    void mnuZoomHisto3_Click();
    void mnuZoomHisto4_Click();
    void mnuZoomHisto5_Click();
    void mnuZoomHisto6_Click();
    void loadZoomSlot();

    // Printing.
    void mnuPrintHisto_Click();
    void mnuPrintZoom_Click();

    // histPlot(j): plot number shown in panel j (1..6; 0 and 7 unused).
    std::array<MaybeNumber, 8> histPlot{};
    // m of the histogram being added or redrawn; 0 after a rejected entry.
    MaybeNumber binCount;
    // Counters 0..m of the histogram counted last.
    BinCounters binCounts;
    MaybeNumber zoomTarget;
    // Panel of the latest histogram; 0 when the window is empty.
    MaybeNumber histCount;
    double binWidth = 0;
    std::int16_t plotChoice = 0;
    std::int32_t userMaxY = 0;
    // Histogram being rescaled while a rescale redraw runs; 0 otherwise.
    std::int16_t rescaleTarget = 0;
    // histBinCount(j − 1): m of the histogram shown in panel j.
    std::array<std::int32_t, 7> histBinCount{};
    std::int16_t savedHistCount = 0;

    // Export: each histogram drawn, its record and counts.
    bool writeData(CsvWriter& csv);
    // Erases the window's drawing (the records of the histograms stay).
    void clearDrawing();
    // What the histogram drawn last was counted from.
    HistogramRecord lastDrawn() const { return lastDrawn_; }

    // The most different non-empty bins the counters may hold once m is too
    // large for a plain array of counters.
    std::int64_t maxStoredBins = BinCounters::kMaxStoredBins;

private:
    void addHisto(int k);
    void rescale(int j);
    void zoomHisto(int j);
    int histCountValue() const { return static_cast<int>(histCount.value()); }
    std::int32_t binCountValue() const { return static_cast<std::int32_t>(binCount.value()); }

    Program& program_;
    Module1& m_;
    std::unique_ptr<platform::Window> win_;
    int placingPlot_ = 0;        // plot number of the histogram placeHisto adds
    HistogramRecord lastDrawn_;  // set by plotHisto
    // Beside panel j (1..6): what its histogram was counted from, and whether
    // it is drawn now.
    std::array<HistogramRecord, 7> records_{};
    std::array<bool, 7> drawn_{};
    bool countStopped_ = false;  // the last placeHisto stopped in its count
    SurfaceDescription description_;
};

}  // namespace corvane
