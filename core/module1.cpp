#include "core/module1.h"

namespace corvane {

void Module1::loadSlot(int k) {
    curA = slotA[k];
    curX0 = slotX0[k];
    curN = slotN[k];
}

std::string Module1::orbitLegend(int number) const {
    return std::to_string(number) + ": a = " + curA.text() + ", x0 = " + curX0.text() +
           ", n = " + curN.text();
}

// Panels 1 to 3 form the top row, 4 to 6 the bottom row, left to right.
void Module1::setPanelOrigin(int k, platform::Window& objForm) {
    if (k < 1 || k > 6) return;
    const double column = (k - 1) % 3;
    const double height = objForm.ScaleHeight();
    chartLeft = column * panelWidth + (column + 1) * panelMarginX;
    chartBottom = k <= 3 ? ((height - panelMarginY) - panelHeight) - 300 : height - 200;
}

void Module1::setPanel1Origin(platform::Window& objForm) { setPanelOrigin(1, objForm); }
void Module1::setPanel2Origin(platform::Window& objForm) { setPanelOrigin(2, objForm); }
void Module1::setPanel3Origin(platform::Window& objForm) { setPanelOrigin(3, objForm); }
void Module1::setPanel4Origin(platform::Window& objForm) { setPanelOrigin(4, objForm); }
void Module1::setPanel5Origin(platform::Window& objForm) { setPanelOrigin(5, objForm); }
void Module1::setPanel6Origin(platform::Window& objForm) { setPanelOrigin(6, objForm); }

void Module1::completePanelGeometry() {
    chartRight = chartLeft + panelWidth;
    axisY = chartBottom.value();
    axisX = chartLeft.value();
    chartTop = chartBottom - panelHeight;
}

void Module1::setSingleChartGeometry(platform::Window& form2) {
    const double sw = form2.ScaleWidth();
    const double sh = form2.ScaleHeight();
    chartLeft = sw * 0.08;
    chartBottom = sh * 0.95;
    chartRight = sw * 0.9 + chartLeft;
    axisY = chartBottom.value();
    axisX = chartLeft.value();
    chartTop = chartBottom - sh * 0.9;
}

void Module1::drawChartAxes(platform::Window& objForm) {
    objForm.Line(chartLeft, chartBottom, chartRight, axisY);
    objForm.Line(chartLeft, chartBottom, axisX, chartTop);
}

void printAt(platform::Window& objForm, double x, double y, const std::string& text) {
    objForm.setCurrentX(x);
    objForm.setCurrentY(y);
    objForm.Print(text);
}

void Module1::printChartTitle(platform::Window& objForm, const std::string& text) {
    printAt(objForm, ((chartRight - chartLeft) - objForm.TextWidth(text)) / 2 + chartLeft,
            chartTop - 200, text);
}

void Module1::printYTopLabel(platform::Window& objForm, const std::string& text) {
    printAt(objForm, (chartLeft - 50) - objForm.TextWidth(text), chartTop, text);
}

void Module1::printXEndLabel(platform::Window& objForm, const std::string& text) {
    printAt(objForm, chartRight - objForm.TextWidth(text), axisY + 20, text);
}

void Module1::printWindow(platform::Window& objForm) {
    const int error = ui.printWindow(objForm);
    if (error == platform::kPrintOk || error == platform::kPrintCancelled) return;
    if (error == platform::kPrintDeviceUnavailable) {
        ui.MsgBox("Cannot print: device unavailable.", platform::Buttons::Ok);
    } else if (error == platform::kPrintDeviceIoError) {
        ui.MsgBox("Cannot print: device I/O error.", platform::Buttons::Ok);
    } else {
        ui.MsgBox("Cannot print. Please try again.", platform::Buttons::Ok);
    }
}

}  // namespace corvane
