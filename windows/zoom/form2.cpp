#include "windows/zoom/form2.h"

#include "windows/export.h"
#include "windows/program.h"

namespace corvane {

// The window starts without a title (every command sets its own) on a white
// surface, and prints its titles and labels in its own font.
Form2::Form2(Program& program)
    : program_(program),
      win_(program.ui.createWindow("Form2")),
      description_(*win_, "Enlarged chart", "Chart", "Charts", "No chart.") {
    win_->setFont({"MS Sans Serif", 12, true});
    win_->setMenu(program_.guarded({
        {"mnuClose", "Close", [this] { mnuClose_Click(); }, {}},
        exportMenu(
            program_, *win_, [this] { return exportName(); },
            [this](CsvWriter& csv) { return writeData(csv); },
            [this] {
                return shows.kind == Form2Shows::Kind::Nothing
                           ? std::string("The zoom window shows nothing to export yet.")
                           : std::string();
            }),
    }));
    // Closed through its frame, the window is gone with its picture; the next
    // reference creates it again.
    win_->setOnFrameClose([this] { program_.discardForm2(); });
    // Escape does what Close does.
    win_->setOnEscape([this] { program_.runGuarded([this] { mnuClose_Click(); }); });
}

void Form2::Form_Load() {
    win_->setTop(10);
    win_->setLeft(10);
    win_->setWidth(static_cast<float>(0.9 * program_.ui.screenWidth()));
    win_->setHeight(static_cast<float>(0.9 * program_.ui.screenHeight()));
}

// Only hides: picture, title, size and position stay for the next command.
void Form2::mnuClose_Click() { win_->hide(); }

void Form2::showChart(const std::string& titleLine, const std::string& windowTitle) {
    program_.module.printChartTitle(*win_, titleLine);
    description_.setChart(windowTitle, titleLine);
    win_->setTitle(windowTitle);
    win_->show();
}

void Form2::clearSurface() {
    win_->Cls();
    shows = {};
    description_.clear();
}

}  // namespace corvane
