#include "core/tools/cobweb_model.h"

#include <algorithm>
#include <cmath>

#include "core/numeric/bifurcation.h"
#include "core/numeric/number_text.h"

namespace corvane::tools {

namespace {

// The formula's x-range, where it is one the picture can span (else [0, 1]).
cobweb::Span spanOf(const Map& map) {
    const Interval x = map.xRange();
    if (x.from < x.to && x.from >= -kFarthestX && x.to <= kFarthestX) return {x.from, x.to};
    return {};
}

}  // namespace

CobwebModel::CobwebModel(const Map& map) : map_(map) {
    if (map.kind() == Map::Kind::Sine) a_ = 2.2;
    if (map.isFormula()) selectMap(map);
}

bool CobwebModel::setA(double a) {
    if (!std::isfinite(a)) return false;
    a = std::clamp(a, aRange_.from, aRange_.to) + 0.0;  // + 0: never −0
    if (a == a_) return false;
    a_ = a;
    return true;
}

bool CobwebModel::setX0(double x0) {
    if (!std::isfinite(x0)) return false;
    x0 = std::clamp(x0, span_.from, span_.to) + 0.0;
    if (x0 == x0_) return false;
    x0_ = x0;
    return true;
}

bool CobwebModel::setFold(int k) {
    k = std::clamp(k, 1, cobweb::kMostFold);
    if (k == fold_) return false;
    fold_ = k;
    return true;
}

bool CobwebModel::setSteps(std::int64_t n) {
    n = std::clamp<std::int64_t>(n, 0, cobweb::kMostSteps);
    if (n == steps_) return false;
    steps_ = n;
    return true;
}

CobwebModel::MapChange CobwebModel::selectMap(const Map& map) {
    MapChange change;
    change.changed = !(map == map_) || map.isFormula();
    map_ = map;
    span_ = spanOf(map);
    x0_ = std::clamp(map.isFormula() ? map.startX0() : x0_, span_.from, span_.to) + 0.0;
    aRange_ = map.parameterRange();
    double a = std::clamp(a_, aRange_.from, aRange_.to) + 0.0;
    // A formula's a outside the range chosen with it starts in its middle.
    const Interval chosen = map.startParameters();
    if (map.isFormula() && !(a_ >= chosen.from && a_ <= chosen.to)) {
        a = 0.5 * (chosen.from + chosen.to) + 0.0;
    }
    change.aMoved = a != a_;
    a_ = a;
    return change;
}

FieldRule CobwebModel::fieldRule(const std::string& name) const {
    if (name == "a") return {"a", aRange_.from, aRange_.to, false};
    if (name == "x0") return {"x0", span_.from, span_.to, false};
    if (name == "k") return {"k", 1, double(cobweb::kMostFold), true};
    return {"n", 0, double(cobweb::kMostSteps), true};
}

cobweb::CurveOptions CobwebModel::curveOptions() const {
    cobweb::CurveOptions options;
    options.span = span_;
    options.evaluationBudget = map_.evaluationBudget();
    return options;
}

double CobwebModel::staircaseBase() const {
    return span_.from <= 0 && 0 <= span_.to ? 0.0 : span_.from;
}

std::string orbitStatus(const cobweb::Orbit& orbit, int tailPeriod, int fold,
                        const cobweb::Span& span, bool pointsTruncated, std::size_t most) {
    const std::string ofFk = fold == 1 ? std::string() : " of f^" + std::to_string(fold);
    const std::string step = "Step " + std::to_string(orbit.steps());
    std::string message;
    if (orbit.stoppedAt > 0) {
        message = std::isfinite(orbit.lastValue)
                      ? "The orbit leaves [" + numberText(span.bottom()) + ", " +
                            numberText(span.top()) + "] at step " +
                            std::to_string(orbit.stoppedAt) + " (x = " +
                            numberText(orbit.lastValue) + "); it stops there."
                      : "The orbit is no longer a finite number at step " +
                            std::to_string(orbit.stoppedAt) + "; it stops there.";
    } else if (orbit.steps() < 2) {
        message = step + ": too few steps to tell a period.";
    } else if (tailPeriod > 0) {
        message = step + ": the tail of the orbit repeats with period " +
                  std::to_string(tailPeriod) + ofFk + ".";
    } else {
        message = step + ": no period up to " + std::to_string(bifurcation::kMaxPeriod) + ofFk +
                  " in the tail: chaotic, a longer period, or not settled yet.";
    }
    if (pointsTruncated) {
        message += " Only the first " + std::to_string(most) + " points of period k are listed.";
    }
    return message;
}

}  // namespace corvane::tools
