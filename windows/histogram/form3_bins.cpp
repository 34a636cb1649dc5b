// Counting an orbit into bins and drawing the histogram.
#include <array>
#include <cmath>
#include <cstddef>
#include <new>
#include <string>

#include "core/numeric/maps.h"
#include "core/numeric/number_text.h"
#include "windows/histogram/form3.h"
#include "windows/histogram/histogram_bars.h"
#include "windows/program.h"

namespace corvane {

namespace {

// Counting into the plain array: one increment per iterate.
struct PlainTally {
    std::int32_t* counts;
    void add(std::int32_t bin) { ++counts[bin]; }
    void flush() {}
};

// Counting into the table: the bins are gathered and handed over in batches,
// so that the table's probing (and its cache misses) stays out of the loop
// that iterates the map.
class BatchTally {
public:
    explicit BatchTally(BinCounters& counters) : counters_(counters) {}
    void add(std::int32_t bin) {
        batch_[size_++] = bin;
        if (size_ == kBatch) [[unlikely]] {
            flush();
        }
    }
    void flush() {
        counters_.addBatch(batch_.data(), size_);
        size_ = 0;
    }

private:
    static constexpr std::size_t kBatch = 4096;
    BinCounters& counters_;
    std::array<std::int32_t, kBatch> batch_;
    std::size_t size_ = 0;
};

// The count of iterates 1..N of `map` from x into `tally`; false when the
// user cancelled. All of it is inline in this one loop: the orbit's chain
// x → map → x does not wait for the bin search or the counter, and every
// branch here is taken the same way almost always. The tally is handed
// everything before each poll, so that a table out of room is reported at
// the same step as if each bin were added at once.
template <class Map, class Tally>
bool countOrbit(Map map, double x, std::int64_t N, std::int32_t m, double binWidth,
                std::int64_t mask, platform::Progress& progress, Tally& tally) {
    for (std::int64_t n = 1; n <= N; ++n) {
        const double y = map(x);
        if (y >= 0 && y <= 1) [[likely]] {
            tally.add(locateBinInUnit(y, m, binWidth));
        } else if (!std::isfinite(y)) {
            // Far outside [0, 1] the orbit runs off to infinity; nothing after
            // that could be counted.
            break;
        }
        x = y;
        if ((n & mask) == 0) [[unlikely]] {
            tally.flush();
            if (progress.poll(n)) return false;
        }
    }
    tally.flush();
    return true;
}

template <class Map>
bool countOrbitInto(BinCounters& counters, Map map, double x, std::int64_t N, std::int32_t m,
                    double binWidth, std::int64_t mask, platform::Progress& progress) {
    if (std::int32_t* plain = counters.plainCounters()) {
        PlainTally tally{plain};
        return countOrbit(map, x, N, m, binWidth, mask, progress, tally);
    }
    BatchTally tally(counters);
    return countOrbit(map, x, N, m, binWidth, mask, progress, tally);
}

}  // namespace

bool Form3::countBins() {
    const std::int32_t m = binCountValue();
    const std::int64_t N = m_.curNValue();
    try {
        binCounts.reset(m, N, maxStoredBins);
        if (m < 1) {
            // No bins: nothing to count and nothing to draw.
            binWidth = 0;
            return true;
        }
        binWidth = 1.0 / m;
        const double a = m_.curA;
        const auto progress = program_.ui.beginProgress("Histogram", N);
        // With no map selected the orbit stays at x0.
        const bool done = withMap(
            m_.funcChoice, [](double, double x) { return x; },
            [&](auto map) {
                const auto step = [a, map](double x) { return map(a, x); };
                return countOrbitInto(binCounts, step, m_.curX0, N, m, binWidth, m_.progressMask,
                                      *progress);
            });
        if (!done) {
            binCounts.release();
            return false;
        }
        binCounts.finish();
        return true;
    } catch (const std::bad_alloc&) {
        binCounts.release();
        program_.ui.MsgBox("Not enough memory for this number of bins.", platform::Buttons::Ok);
        return false;
    }
}

void Form3::findBin(double x, std::int32_t& lo, std::int32_t hi) {
    binCounts.add(bisectBin(x, lo, hi, binWidth));
}

void Form3::plotHisto(platform::Window& objForm, std::int16_t& nShift) {
    const std::int32_t m = binCountValue();
    const double L = m_.chartLeft;
    const double R = m_.chartRight;
    const double B = m_.chartBottom;
    const double T = m_.chartTop;
    const double s = nShift;

    const double barWidth = m >= 1 ? ((R - L) - s) * (1.0 / m) : 0;
    // Bars narrower than a column are merged per column before anything is
    // drawn: the same pass finds the largest count.
    const bool merged = m >= 1 && !(barWidth >= kMinBarTwips);
    BarColumns columns;
    std::int32_t largest = 0;
    if (merged) {
        columns = mergeBarColumns(binCounts, m, L, barWidth);
        largest = columns.largest;
    } else if (m >= 1) {
        largest = binCounts.maxBelow(m);
    }
    MaybeNumber maxY = largest;
    if (rescaleTarget == histCount) maxY = userMaxY;
    // A scale of 0 has no height: the histogram's own largest count sets it
    // instead. When that is 0 too there are no bars to draw.
    if (maxY == 0) maxY = largest;

    m_.drawChartAxes(objForm);
    m_.printXEndLabel(objForm, "X");
    printAt(objForm, (L - 50) - objForm.TextWidth("0"), B - objForm.TextHeight("0") / 2, "0");
    const std::string top = maxY.text();
    printAt(objForm, (L - objForm.TextWidth(top)) - 100, (s + T) - objForm.TextHeight(top) / 2,
            top);
    printAt(objForm, L - objForm.TextWidth("0") / 2, B + 20, "0");
    printAt(objForm, (R - s) - objForm.TextWidth("1") / 2, B + 20, "1");
    objForm.Line(R - s, B + 20, R - s, B - 30);
    objForm.Line(L - 20, T + s, L + 30, T + s);

    if (m < 1 || maxY == 0) return;
    const BarFrame frame{L, B, T + s, (T - B) + s, barWidth, maxY};
    if (merged) {
        drawColumns(objForm, columns, frame);
    } else {
        drawEveryBar(objForm, binCounts, m, frame);
    }
}

}  // namespace corvane
