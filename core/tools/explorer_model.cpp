#include "core/tools/explorer_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/numeric/number_text.h"

namespace corvane::tools {

View startView(const Map& map) {
    View v;
    v.map = map;
    const Interval a = map.startParameters(), x = map.xRange();
    v.aMin = a.from;
    v.aMax = a.to;
    v.xMin = x.from;
    v.xMax = x.to;
    v.x0 = map.startX0();
    return v;
}

const FieldRule& transientRule() {
    static const FieldRule rule{"T", 0, double(kMostSteps), true};
    return rule;
}

const FieldRule& keptRule() {
    static const FieldRule rule{"K", 1, double(kMostSteps), true};
    return rule;
}

bool tooNarrow(double lo, double hi) {
    const double scale = std::max({std::fabs(lo), std::fabs(hi), 1e-300});
    return !(hi - lo > kNarrowest * scale);
}

std::string refusal(const View& v) {
    if (!(v.aMin < v.aMax)) return "a_min must be less than a_max.";
    if (!(v.xMin < v.xMax)) return "x_min must be less than x_max.";
    if (tooNarrow(v.aMin, v.aMax)) {
        return "The a-range " + numberText(v.aMin) + " to " + numberText(v.aMax) +
               " is narrower than doubles resolve; the view stays as it was.";
    }
    if (tooNarrow(v.xMin, v.xMax)) {
        return "The x-range " + numberText(v.xMin) + " to " + numberText(v.xMax) +
               " is narrower than doubles resolve; the view stays as it was.";
    }
    if (v.transient < transientRule().least || v.transient > transientRule().most) {
        return refusalOf(transientRule());
    }
    if (v.kept < keptRule().least || v.kept > keptRule().most) return refusalOf(keptRule());
    if (!std::isfinite(v.x0)) return "x0 must be a finite number.";
    return {};
}

ExplorerModel::ExplorerModel(const Map& map) : history_(startView(map), kHistoryLimit) {}

std::string ExplorerModel::show(const View& v) {
    std::string why = refusal(v);
    if (!why.empty()) return why;
    history_.push(v);
    keepCursorInView();
    return {};
}

bool ExplorerModel::restore(std::vector<View> history, std::size_t at,
                            std::optional<double> cursor) {
    for (const View& v : history) {
        if (!refusal(v).empty()) return false;
    }
    if (cursor && !std::isfinite(*cursor)) return false;
    if (!history_.restore(std::move(history), at)) return false;
    cursor_ = cursor;
    keepCursorInView();
    return true;
}

bool ExplorerModel::undo() {
    if (!history_.undo()) return false;
    keepCursorInView();
    return true;
}

bool ExplorerModel::redo() {
    if (!history_.redo()) return false;
    keepCursorInView();
    return true;
}

std::string ExplorerModel::zoomRect(double a1, double a2, double x1, double x2) {
    View v = view();
    v.aMin = std::min(a1, a2);
    v.aMax = std::max(a1, a2);
    v.xMin = std::min(x1, x2);
    v.xMax = std::max(x1, x2);
    return show(v);
}

std::string ExplorerModel::wheel(double a, std::optional<double> x, double factor) {
    View v = view();
    const Interval as = aLimits(), xs = xLimits();
    v.aMin = std::max(a - (a - v.aMin) * factor, std::min(as.from, v.aMin));
    v.aMax = std::min(a + (v.aMax - a) * factor, std::max(as.to, v.aMax));
    if (x) {
        v.xMin = std::max(*x - (*x - v.xMin) * factor, std::min(xs.from, v.xMin));
        v.xMax = std::min(*x + (v.xMax - *x) * factor, std::max(xs.to, v.xMax));
    }
    if (v == view()) return {};
    return show(v);
}

std::string ExplorerModel::selectMap(const Map& map) {
    if (map == view().map) return {};
    return show(startView(map));
}

bool ExplorerModel::setCursor(double a) {
    if (!std::isfinite(a)) return false;
    cursor_ = a;
    return true;
}

bool ExplorerModel::keepCursorInView() {
    if (cursor_ && !(*cursor_ >= view().aMin && *cursor_ <= view().aMax)) {
        cursor_.reset();
        return true;
    }
    return false;
}

}  // namespace corvane::tools
