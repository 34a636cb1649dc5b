// Waiting in the explorer's tests for its computation, as its timer would
// show it, with the events handled meanwhile.
#pragma once

#include <QApplication>
#include <chrono>
#include <thread>

#include "explore/bifurcation_window.h"

namespace corvane::explore {

// Whether the window's picture was complete within `seconds`.
inline bool waitIdle(BifurcationWindow& w, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        QApplication::processEvents();
        w.pollNow();
        if (!w.isComputing()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

}  // namespace corvane::explore
