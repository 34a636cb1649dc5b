// One value of a shared by the tool windows: the explorer's a-cursor and the
// cobweb's a. Whoever moves it tells the others; the windows never see each
// other, only this. Owned by the program's wiring.
#pragma once

#include <cmath>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace corvane::explore {

class ACursor {
public:
    using Listener = std::function<void(double a)>;

    // Adds a listener; the number returned names it in set().
    int listen(Listener listener) {
        listeners_.push_back(std::move(listener));
        return static_cast<int>(listeners_.size()) - 1;
    }

    // Moves the value and tells every listener but `from` (the one that
    // moved it). The same value again, or one that is not finite, tells
    // no one.
    void set(double a, int from = -1) {
        if (!std::isfinite(a) || value_ == a) return;
        value_ = a;
        for (std::size_t i = 0; i < listeners_.size(); ++i) {
            if (static_cast<int>(i) != from && listeners_[i]) listeners_[i](a);
        }
    }

    std::optional<double> value() const { return value_; }

private:
    std::optional<double> value_;
    std::vector<Listener> listeners_;
};

}  // namespace corvane::explore
