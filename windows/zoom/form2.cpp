#include "windows/zoom/form2.h"

#include "windows/program.h"

namespace corvane {

Form2::Form2(Program& program) : program_(program), win_(program.ui.createWindow("Form2")) {
    win_->setFont({"MS Sans Serif", 12, true});
    win_->setMenu({{"mnuClose", "Close", [this] { mnuClose_Click(); }, {}}});
    win_->setOnFrameClose([this] { program_.discardForm2(); });
}

void Form2::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(0.9 * program_.ui.screenWidth()));
    win_->setHeight(static_cast<float>(0.9 * program_.ui.screenHeight()));
}

void Form2::mnuClose_Click() { win_->hide(); }

}  // namespace corvane
