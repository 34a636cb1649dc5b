#include "core/tools/plane_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/numeric/number_text.h"
#include "core/tools/explorer_model.h"
#include "core/tools/verdicts.h"

namespace corvane::tools {

PlaneView startPlaneView(const plane::PlaneMap& map) {
    PlaneView v;
    v.map = map;
    if (map.mode == plane::Mode::Forcing) {
        const Interval a = map.map.kind() == Map::Kind::Logistic ? Interval{2, 4}
                                                                 : map.map.startParameters();
        v.pMin = v.qMin = a.from;
        v.pMax = v.qMax = a.to;
        v.x0 = map.map.startX0();
    } else if (map.isCircle()) {
        v.pMin = 0;
        v.pMax = 1;
        v.qMin = 0;
        v.qMax = 4 * std::numbers::pi;
        v.x0 = 0;
    } else {
        v.pMin = v.qMin = 0;
        v.pMax = v.qMax = 4;
        v.x0 = 0.5;
    }
    return v;
}

ParameterNames parameterNames(const plane::PlaneMap& map) {
    if (map.mode == plane::Mode::Forcing) return {"A", "B"};
    if (map.isCircle()) return {"Ω", "K"};
    return {"a", "b"};
}

std::string planeRefusal(const PlaneView& v) {
    const ParameterNames n = parameterNames(v.map);
    auto range = [](const std::string& name, double lo, double hi) -> std::string {
        if (!(std::isfinite(lo) && std::isfinite(hi))) return name + " must be finite.";
        if (!(lo < hi)) return name + "_min must be less than " + name + "_max.";
        if (std::fabs(lo) > kFarthestA || std::fabs(hi) > kFarthestA) {
            return name + " must lie between -" + numberText(kFarthestA) + " and " +
                   numberText(kFarthestA) + ".";
        }
        if (tooNarrow(lo, hi)) {
            return "The " + name + "-range " + numberText(lo) + " to " + numberText(hi) +
                   " is narrower than doubles resolve; the view stays as it was.";
        }
        return {};
    };
    if (std::string why = range(n.p, v.pMin, v.pMax); !why.empty()) return why;
    if (std::string why = range(n.q, v.qMin, v.qMax); !why.empty()) return why;
    if (v.transient < transientRule().least || v.transient > transientRule().most) {
        return refusalOf(transientRule());
    }
    if (v.kept < keptRule().least || v.kept > keptRule().most) return refusalOf(keptRule());
    if (!std::isfinite(v.x0)) return "x0 must be a finite number.";
    if (v.map.mode == plane::Mode::Forcing &&
        plane::readSequence(v.map.sequence) != std::optional(v.map.sequence)) {
        return "The sequence must be 1 to 64 letters A and B.";
    }
    return {};
}

std::string planeReadout(const PlaneView& view, double p, double q,
                         const plane::PointOutcome& o) {
    const ParameterNames n = parameterNames(view.map);
    std::string s = n.p + " = " + shortNumber(p, 8) + ", " + n.q + " = " + shortNumber(q, 8) + ": ";
    if (o.escaped) return s + "the orbit escapes";
    if (std::isnan(o.lyapunov)) {
        s += "λ undefined (a slope is no number)";
    } else if (std::isinf(o.lyapunov)) {
        s += "λ = −∞ (a slope of 0)";
    } else {
        s += "λ = " + shortNumber(o.lyapunov, 5);
    }
    if (o.period > 0) {
        s += ", period " + std::to_string(o.period);
        if (view.map.mode == plane::Mode::Forcing && view.map.sequence.size() > 1) {
            s += o.period == 1 ? " pass" : " passes";
        }
    } else {
        s += o.lyapunov > 0 ? ", chaotic" : ", no period up to 64";
    }
    if (!std::isnan(o.winding)) s += ", winding number " + shortNumber(o.winding, 6);
    return s;
}

PlaneModel::PlaneModel(const plane::PlaneMap& map)
    : history_(startPlaneView(map), kHistoryLimit) {}

std::string PlaneModel::show(const PlaneView& v) {
    std::string why = planeRefusal(v);
    if (!why.empty()) return why;
    history_.push(v);
    keepCursorInView();
    if (colouring_ == PlaneColouring::Winding && !v.map.isCircle()) {
        colouring_ = PlaneColouring::Lyapunov;
    }
    return {};
}

bool PlaneModel::undo() {
    if (!history_.undo()) return false;
    keepCursorInView();
    return true;
}

bool PlaneModel::redo() {
    if (!history_.redo()) return false;
    keepCursorInView();
    return true;
}

bool PlaneModel::restore(std::vector<PlaneView> history, std::size_t at,
                         std::optional<std::pair<double, double>> cursor,
                         PlaneColouring colouring) {
    for (const PlaneView& v : history) {
        if (!planeRefusal(v).empty()) return false;
    }
    if (cursor && !(std::isfinite(cursor->first) && std::isfinite(cursor->second))) return false;
    if (!history_.restore(std::move(history), at)) return false;
    cursor_ = cursor;
    keepCursorInView();
    setColouring(colouring);
    return true;
}

std::string PlaneModel::zoomRect(double p1, double p2, double q1, double q2) {
    PlaneView v = view();
    v.pMin = std::min(p1, p2);
    v.pMax = std::max(p1, p2);
    v.qMin = std::min(q1, q2);
    v.qMax = std::max(q1, q2);
    return show(v);
}

std::string PlaneModel::wheel(double p, double q, double factor) {
    PlaneView v = view();
    auto clamp = [](double v) { return std::clamp(v, -kFarthestA, kFarthestA); };
    v.pMin = clamp(p - (p - v.pMin) * factor);
    v.pMax = clamp(p + (v.pMax - p) * factor);
    v.qMin = clamp(q - (q - v.qMin) * factor);
    v.qMax = clamp(q + (v.qMax - q) * factor);
    if (v == view()) return {};
    return show(v);
}

std::string PlaneModel::selectMap(const plane::PlaneMap& map) {
    if (map == view().map) return {};
    const PlaneView& now = view();
    PlaneView v = startPlaneView(map);
    const bool sameMap = now.map.mode == map.mode && now.map.map == map.map &&
                         now.map.formula == map.formula;
    if (sameMap) {
        // Another sequence of the same map: the same window onto the plane.
        PlaneView kept = now;
        kept.map = map;
        v = kept;
    }
    return show(v);
}

bool PlaneModel::setCursor(double p, double q) {
    if (!std::isfinite(p) || !std::isfinite(q)) return false;
    cursor_ = std::pair(p, q);
    return true;
}

bool PlaneModel::keepCursorInView() {
    if (!cursor_) return false;
    const auto [p, q] = *cursor_;
    const PlaneView& v = view();
    if (p >= v.pMin && p <= v.pMax && q >= v.qMin && q <= v.qMax) return false;
    cursor_.reset();
    return true;
}

void PlaneModel::setColouring(PlaneColouring c) {
    colouring_ = c == PlaneColouring::Winding && !view().map.isCircle() ? PlaneColouring::Lyapunov
                                                                        : c;
}

}  // namespace corvane::tools
