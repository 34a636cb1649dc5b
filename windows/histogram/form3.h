// The histogram window: histograms of plotted orbits in six panels.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace corvane {

class Program;

class Form3 {
public:
    explicit Form3(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();
    void mnuHistogram_Click();

private:
    Program& program_;
    std::unique_ptr<platform::Window> win_;
};

}  // namespace corvane
