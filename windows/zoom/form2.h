// The zoom and difference window: one large chart at a time.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace corvane {

class Program;

class Form2 {
public:
    explicit Form2(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();
    void mnuClose_Click();

private:
    Program& program_;
    std::unique_ptr<platform::Window> win_;
};

}  // namespace corvane
