// The running program: the shared state and the four windows, each created
// on first use. Nothing here is global, so every test builds its own.
#pragma once

#include <functional>
#include <memory>

#include "core/module1.h"
#include "platform/platform.h"

namespace corvane {

class ExploreLink;
class Form1;
class Form2;
class Form3;
class Form4;
class HelpLink;

class Program {
public:
    explicit Program(platform::Platform& platform);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    platform::Platform& ui;
    Module1 module;

    // Each reference loads the window when it does not exist yet (or was
    // closed through its frame since), which runs its load handler.
    Form1& form1();
    Form2& form2();
    Form3& form3();
    Form4& form4();
    bool form4Loaded() const;

    // Sizes the windows, computes the panel layout and shows the main window.
    void startUp();

    // The explorer's tool windows, when the program has them (not on the
    // scripted desktop); not owned.
    void setExploreLink(ExploreLink* link) { exploreLink_ = link; }
    ExploreLink* exploreLink() const { return exploreLink_; }

    // The menu bar with every handler guarded: a command that fails with an
    // exception stops there, its message shown in a message box, and the
    // program goes on.
    platform::MenuBar guarded(platform::MenuBar menu);
    // Runs one command so guarded.
    void runGuarded(const std::function<void()>& command);

    // A window closed through its frame is discarded at its next reference.
    void discardForm2() { form2Discarded_ = true; }
    void discardForm3() { form3Discarded_ = true; }
    void discardForm4() { form4Discarded_ = true; }

    // The guide and the About box (help/), set by the application; without
    // them the Help menu's items do nothing. The link is not owned.
    void setHelpLink(HelpLink* link) { helpLink_ = link; }
    HelpLink* helpLink() const { return helpLink_; }

private:
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form4> form4_;
    bool form2Discarded_ = false;
    bool form3Discarded_ = false;
    bool form4Discarded_ = false;
    ExploreLink* exploreLink_ = nullptr;
    HelpLink* helpLink_ = nullptr;
};

}  // namespace corvane
