#include "windows/histogram/form3.h"

#include "windows/program.h"

namespace corvane {

Form3::Form3(Program& program) : program_(program), win_(program.ui.createWindow("Form3")) {
    win_->setTitle("Histogram");
    win_->setOnFrameClose([this] { program_.discardForm3(); });
}

void Form3::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(program_.ui.screenWidth()));
    win_->setHeight(static_cast<float>(program_.ui.screenHeight()));
}

void Form3::mnuHistogram_Click() {}

}  // namespace corvane
