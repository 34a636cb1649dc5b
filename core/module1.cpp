#include "core/module1.h"

namespace corvane {

void Module1::setPanel1Origin(platform::Window& objForm) {
    chartLeft = panelMarginX;
    chartBottom = ((objForm.ScaleHeight() - panelMarginY) - panelHeight) - 300;
}

void Module1::setPanel2Origin(platform::Window& objForm) {
    chartLeft = panelWidth + 2 * panelMarginX;
    chartBottom = ((objForm.ScaleHeight() - panelMarginY) - panelHeight) - 300;
}

void Module1::setPanel3Origin(platform::Window& objForm) {
    chartLeft = 2 * panelWidth + 3 * panelMarginX;
    chartBottom = ((objForm.ScaleHeight() - panelMarginY) - panelHeight) - 300;
}

void Module1::setPanel4Origin(platform::Window& objForm) {
    chartLeft = panelMarginX;
    chartBottom = objForm.ScaleHeight() - 200;
}

void Module1::setPanel5Origin(platform::Window& objForm) {
    chartLeft = panelWidth + 2 * panelMarginX;
    chartBottom = objForm.ScaleHeight() - 200;
}

void Module1::setPanel6Origin(platform::Window& objForm) {
    chartLeft = 2 * panelWidth + 3 * panelMarginX;
    chartBottom = objForm.ScaleHeight() - 200;
}

void Module1::setPanelOrigin(int k, platform::Window& objForm) {
    switch (k) {
        case 1: setPanel1Origin(objForm); break;
        case 2: setPanel2Origin(objForm); break;
        case 3: setPanel3Origin(objForm); break;
        case 4: setPanel4Origin(objForm); break;
        case 5: setPanel5Origin(objForm); break;
        case 6: setPanel6Origin(objForm); break;
        default: break;
    }
}

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
    if (error == platform::kPrintOk) return;
    if (error == platform::kPrintDeviceUnavailable) {
        ui.MsgBox("Cannot print: device unavailable.", platform::Buttons::Ok);
    } else if (error == platform::kPrintDeviceIoError) {
        ui.MsgBox("Cannot print: device I/O error.", platform::Buttons::Ok);
    } else {
        ui.MsgBox("Cannot print. Please try again.", platform::Buttons::Ok);
    }
}

}  // namespace corvane
