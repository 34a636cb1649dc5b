// Helpers for the histogram window's tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/program_test.h"

namespace corvane::testing {

struct Chart {
    double left, right, bottom, top;
};

class HistogramTest : public ProgramTest {
protected:
    Form3& f3() { return program.form3(); }

    // Puts an orbit into slot k as if it had been plotted, and makes k the
    // last panel in use when it is beyond it.
    void setSlot(int k, double a, double x0, std::int32_t n) {
        m().slotA[k] = a;
        m().slotX0[k] = x0;
        m().slotN[k] = n;
        m().plotCount = static_cast<std::int16_t>(std::max<int>(m().plotCount, k));
        if (m().funcChoice == 0) m().funcChoice = 1;
    }

    // Answers the two prompts and chooses "Histogram" in the histogram window.
    void addHistogram(const std::string& k, const std::string& m) {
        ui.answerInput(k);
        ui.answerInput(m);
        form3().click("mnuHistogram");
    }

    // The same through the main window's "Histogram".
    void addFromMain(const std::string& k, const std::string& m) {
        ui.answerInput(k);
        ui.answerInput(m);
        form1().click("mnuHisto");
    }

    void rescale(int j, const std::string& maximum) {
        ui.answerInput(maximum);
        const char* items[] = {
            "",           "mnuRescale1", "mnuRescale2", "mnuRescale3", "mnuREscale4", "mnuRescale5",
            "mnuREscale6"};
        form3().click(items[j]);
    }

    void zoom(int j) {
        form3().open("mnuZoom");
        form3().click("mnuZoomHisto" + std::to_string(j));
    }

    Chart panel(int j) {
        m().setPanelOrigin(j, form3());
        m().completePanelGeometry();
        return chart();
    }

    Chart zoomChart() {
        m().setSingleChartGeometry(form2());
        return chart();
    }

    Chart chart() { return {m().chartLeft, m().chartRight, m().chartBottom, m().chartTop}; }

    // The texts printed since the last Cls.
    std::vector<std::string> texts(FakeWindow& w) { return w.printedTexts(); }

    // The label at the top of the vertical scale of the histogram whose legend
    // starts with `legendStart`: the fourth text printed after the legend
    // (legend, "X", "0", maximum).
    std::string scaleLabel(FakeWindow& w, const std::string& legendStart) {
        const auto t = w.printedTexts();
        for (std::size_t i = 0; i + 3 < t.size(); ++i) {
            if (t[i].rfind(legendStart, 0) == 0) return t[i + 3];
        }
        ADD_FAILURE() << "no legend " << legendStart;
        return {};
    }

    // Legends (titles) printed since the last Cls, in order.
    std::vector<std::string> legends(FakeWindow& w) {
        std::vector<std::string> out;
        for (const auto& t : w.printedTexts()) {
            if (t.find(": a = ") != std::string::npos) out.push_back(t);
        }
        return out;
    }

    // Bars (filled rectangles standing on the chart's x-axis) drawn since the
    // last Cls whose left edge lies in the chart's x range.
    std::vector<DrawOp> bars(FakeWindow& w, const Chart& c) {
        std::vector<DrawOp> out;
        for (const auto& op : w.picture(DrawOp::Kind::Box)) {
            if (op.y2 == c.bottom && op.x1 >= c.left - 1e-6 && op.x1 <= c.right) {
                out.push_back(op);
            }
        }
        return out;
    }

    // Bars that rise above the x-axis.
    std::vector<DrawOp> raisedBars(FakeWindow& w, const Chart& c) {
        std::vector<DrawOp> out;
        for (const auto& op : bars(w, c)) {
            if (op.y1 != c.bottom) out.push_back(op);
        }
        return out;
    }
};

inline bool sameOps(const std::vector<DrawOp>& a, const std::vector<DrawOp>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto& x = a[i];
        const auto& y = b[i];
        if (x.kind != y.kind || x.x1 != y.x1 || x.y1 != y.y1 || x.x2 != y.x2 || x.y2 != y.y2 ||
            x.text != y.text || x.filled != y.filled) {
            return false;
        }
    }
    return true;
}

}  // namespace corvane::testing
