// A fresh program on the scripted desktop for every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/fake/fake_platform.h"
#include "windows/functions/form4.h"
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"
#include "windows/zoom/form2.h"

namespace corvane::testing {

using fake::DrawOp;
using fake::FakePlatform;
using fake::FakeWindow;

// The window's own menus: its menu bar up to the menus that tools append at
// its end (Export, Explore, Help), which change nothing before them.
platform::MenuBar ownMenus(const FakeWindow& window);

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { program.startUp(); }
    void TearDown() override;

    Module1& m() { return program.module; }
    FakeWindow& win(const std::string& name) { return ui.window(name); }
    FakeWindow& form1() { return ui.window("Form1"); }
    FakeWindow& form2() { return ui.window("Form2"); }
    FakeWindow& form3() { return ui.window("Form3"); }

    // Types the three values into the input row.
    void type(const std::string& a, const std::string& x0, const std::string& n);
    // Chooses map 1 or 2 in the Function menu.
    void chooseMap(int map);
    // Chooses the map, types the values and chooses "Corvane".
    void plot(int map, const std::string& a, const std::string& x0, const std::string& n);

    FakePlatform ui;
    Program program{ui};
};

}  // namespace corvane::testing
