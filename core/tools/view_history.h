// The views a tool window has shown, for Undo and Redo: showing a view
// drops the views Redo would have walked to and forgets the oldest beyond
// the limit. Never empty.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace corvane::tools {

template <class View>
class ViewHistory {
public:
    ViewHistory(View first, std::size_t limit) : views_{std::move(first)}, limit_(limit) {}

    const View& current() const { return views_[at_]; }
    void push(View v) {
        views_.resize(at_ + 1);
        views_.push_back(std::move(v));
        if (views_.size() > limit_) views_.erase(views_.begin());
        at_ = views_.size() - 1;
    }
    bool canUndo() const { return at_ > 0; }
    bool canRedo() const { return at_ + 1 < views_.size(); }
    bool undo() { return canUndo() && (--at_, true); }
    bool redo() { return canRedo() && (++at_, true); }
    std::size_t size() const { return views_.size(); }
    // Oldest first, and the index of the one shown.
    const std::vector<View>& views() const { return views_; }
    std::size_t at() const { return at_; }
    // Takes views back (from a session): false with nothing changed unless
    // there are 1 to `limit` of them and `at` is one.
    bool restore(std::vector<View> views, std::size_t at) {
        if (views.empty() || views.size() > limit_ || at >= views.size()) return false;
        views_ = std::move(views);
        at_ = at;
        return true;
    }

private:
    std::vector<View> views_;
    std::size_t at_ = 0;
    std::size_t limit_;
};

}  // namespace corvane::tools
