// The zoom and difference window: one large chart at a time.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "windows/surface_description.h"

namespace corvane {

class Program;

class Form2 {
public:
    explicit Form2(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();
    void mnuClose_Click();

    // Every command that draws here clears the window, draws its chart into
    // the single-chart geometry and then ends with this: the title line
    // centred above the chart, the window title, and the window shown.
    void showChart(const std::string& titleLine, const std::string& windowTitle);
    // Erases the chart (Cls), before a command draws a new one.
    void clearSurface();

    const SurfaceDescription& description() const { return description_; }

private:
    Program& program_;
    std::unique_ptr<platform::Window> win_;
    SurfaceDescription description_;
};

}  // namespace corvane
