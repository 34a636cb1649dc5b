// The function graph window: the k-fold map against the diagonal.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace corvane {

class Program;

class Form4 {
public:
    explicit Form4(Program& program);

    platform::Window& window() { return *win_; }
    void Form_Load();

private:
    Program& program_;
    std::unique_ptr<platform::Window> win_;
};

}  // namespace corvane
