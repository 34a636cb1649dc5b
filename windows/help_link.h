// The program's help, as the windows reach it: the guide and the About box
// live outside the windows (they need a real desktop), behind this link.
#pragma once

namespace corvane {

class HelpLink {
public:
    virtual ~HelpLink() = default;
    // Opens the guide (or brings it to the front).
    virtual void showGuide() = 0;
    // Shows the version, the licence and the libraries used.
    virtual void showAbout() = 0;
};

}  // namespace corvane
