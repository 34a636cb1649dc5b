// The shared state of the program, the chart geometry and the drawing helpers
// every window uses.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/numeric/maps.h"
#include "core/maybe_number.h"
#include "platform/platform.h"

namespace corvane {

class Module1 {
public:
    explicit Module1(platform::Platform& platform) : ui(platform) {}

    platform::Platform& ui;

    // Current chart geometry, valid during one drawing command.
    MaybeNumber chartLeft;
    MaybeNumber chartBottom;
    MaybeNumber chartRight;
    MaybeNumber axisY;
    MaybeNumber axisX;
    double chartTop = 0;

    // The orbit being drawn or processed.
    MaybeNumber curA;
    MaybeNumber deltaA;
    MaybeNumber curX0;
    MaybeNumber deltaX0;
    // Orbit slots 1 to 6 (index 0 unused).
    std::array<MaybeNumber, 7> slotA{};
    std::array<double, 7> slotX0{};
    MaybeNumber curN;  // a 32-bit integer once written
    std::array<std::int32_t, 7> slotN{};

    // Beside each orbit slot, for its export: the map it was drawn with and
    // the vertical placement of the chart its points were read back from.
    struct SlotDrawing {
        int map = 0;
        double chartBottom = 0;
        double chartHeight = 0;  // bottom - top
    };
    std::array<SlotDrawing, 7> slotDrawing{};

    std::int16_t plotCount = 0;
    std::int16_t funcChoice = 0;  // 0 none, 1 f1, 2 f2

    // Panel layout, computed once at start-up from Form1's surface.
    double panelMarginX = 0;
    double panelMarginY = 0;
    double panelWidth = 0;
    double panelHeight = 0;

    // Long loops ask the progress dialog every (progressMask + 1) steps.
    std::int64_t progressMask = (1 << 16) - 1;

    // curN as the 32-bit integer it holds.
    std::int32_t curNValue() const { return static_cast<std::int32_t>(curN.value()); }

    // Copies orbit slot k (1 to 6) into curA, curX0 and curN.
    void loadSlot(int k);
    // "k: a = …, x0 = …, n = …" for the current orbit, headed by `number`.
    std::string orbitLegend(int number) const;

    // Chart placement.
    void setPanel1Origin(platform::Window& objForm);
    void setPanel2Origin(platform::Window& objForm);
    void setPanel3Origin(platform::Window& objForm);
    void setPanel4Origin(platform::Window& objForm);
    void setPanel5Origin(platform::Window& objForm);
    void setPanel6Origin(platform::Window& objForm);
    // Panel k (1 to 6) by number; other numbers leave the record as it is.
    void setPanelOrigin(int k, platform::Window& objForm);
    void completePanelGeometry();
    void setSingleChartGeometry(platform::Window& form2);

    // Frame and labels of the current chart.
    void drawChartAxes(platform::Window& objForm);
    void printChartTitle(platform::Window& objForm, const std::string& text);
    void printYTopLabel(platform::Window& objForm, const std::string& text);
    void printXEndLabel(platform::Window& objForm, const std::string& text);

    // Prints the window's image; failures are reported with a message, a print
    // the user cancelled is not.
    void printWindow(platform::Window& objForm);
};

// Prints text with its top-left corner at (x, y).
void printAt(platform::Window& objForm, double x, double y, const std::string& text);

}  // namespace corvane
