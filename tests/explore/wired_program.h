// A program on the scripted desktop with the explorer's windows wired to it,
// as main() wires them: for the tests of Form1's Explore menu and of what
// the tool windows hand each other.
#pragma once

#include <gtest/gtest.h>

#include "app/explore_wiring.h"
#include "platform/fake/fake_platform.h"
#include "windows/program.h"

namespace corvane {

class WiredProgram : public testing::Test {
protected:
    void SetUp() override {
        program.setExploreLink(&wiring);
        program.startUp();
    }
    void TearDown() override { program.setExploreLink(nullptr); }

    fake::FakePlatform ui;
    Program program{ui};
    ExploreWiring wiring{program};
};

}  // namespace corvane
