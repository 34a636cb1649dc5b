#include "windows/program.h"

#include <exception>
#include <new>
#include <string>

#include "windows/functions/form4.h"
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/zoom/form2.h"

namespace corvane {

Program::Program(platform::Platform& platform) : ui(platform), module(platform) {}

Program::~Program() = default;

namespace {

template <class Form>
Form& loaded(Program& program, std::unique_ptr<Form>& form, bool& discarded) {
    if (!form || discarded) {
        form.reset();
        discarded = false;
        form = std::make_unique<Form>(program);
        form->Form_Load();
    }
    return *form;
}

}  // namespace

Form1& Program::form1() {
    bool never = false;
    return loaded(*this, form1_, never);
}

Form2& Program::form2() { return loaded(*this, form2_, form2Discarded_); }
Form3& Program::form3() { return loaded(*this, form3_, form3Discarded_); }
Form4& Program::form4() { return loaded(*this, form4_, form4Discarded_); }

bool Program::form4Loaded() const { return form4_ && !form4Discarded_; }

void Program::startUp() {
    const double sw = ui.screenWidth();
    const double sh = ui.screenHeight();
    // Window sizes are single precision.
    form2().window().setWidth(static_cast<float>(0.9 * sw));
    form2().window().setHeight(static_cast<float>(0.9 * sh));
    form3().window().setWidth(static_cast<float>(sw));
    form3().window().setHeight(static_cast<float>(sh));
    form1().window().setWidth(static_cast<float>(sw));
    form1().window().setHeight(static_cast<float>(sh - 450));
    module.plotCount = 0;
    platform::Window& main = form1().window();
    module.panelMarginY = main.ScaleHeight() * 0.05;
    module.panelHeight = main.ScaleHeight() * 0.4;
    module.panelMarginX = main.ScaleWidth() * 0.033;
    module.panelWidth = main.ScaleWidth() * 0.3;
    main.show();
}

void Program::runGuarded(const std::function<void()>& command) {
    std::string what;
    try {
        command();
        return;
    } catch (const std::bad_alloc&) {
        what = "not enough memory";
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an unknown error";
    }
    ui.MsgBox("This command could not be completed:\r" + what, platform::Buttons::Ok);
}

platform::MenuBar Program::guarded(platform::MenuBar menu) {
    for (platform::MenuItem& item : menu) {
        if (item.onClick) {
            item.onClick = [this, command = std::move(item.onClick)] { runGuarded(command); };
        }
        item.items = guarded(std::move(item.items));
    }
    return menu;
}

}  // namespace corvane
