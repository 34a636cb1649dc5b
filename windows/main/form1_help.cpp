// The main window's Help menu: the guide and the About box, when the program
// has them (a program without a help link shows the items, which do nothing).
#include "windows/help_link.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace corvane {

platform::MenuItem Form1::helpMenu() {
    const auto withLink = [this](void (HelpLink::*show)()) {
        return [this, show] {
            if (HelpLink* link = program_.helpLink()) (link->*show)();
        };
    };
    // The tab sets the key, which works in every window, apart from the text.
    return {"mnuHelp",
            "Help",
            nullptr,
            {{"mnuGuide", "Guide\tF1", withLink(&HelpLink::showGuide), {}},
             {"mnuAbout", "About Corvane", withLink(&HelpLink::showAbout), {}}}};
}

}  // namespace corvane
