#include "windows/functions/form4.h"

#include "windows/program.h"

namespace corvane {

Form4::Form4(Program& program) : program_(program), win_(program.ui.createWindow("Form4")) {
    win_->setTitle("Form4");
    win_->setOnFrameClose([this] { program_.discardForm4(); });
}

void Form4::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(program_.ui.screenWidth()));
    win_->setHeight(static_cast<float>(program_.ui.screenHeight()));
    win_->setTitle("Function Graphs");
}

}  // namespace corvane
