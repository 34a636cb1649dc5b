#include "core/numeric/plane.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "core/numeric/csv.h"

namespace corvane::plane {

namespace {

using custom::FormulaTree;
using custom::kCodeLanes;
using custom::Node;
using custom::Op;

static_assert(kPoints == kCodeLanes);

// Passes between two looks at the products of slopes and at keepGoing.
constexpr std::int64_t kBlock = 16;
// A product of |f′| kept as product · 2^exponent; a block whose product
// ends outside [2^-1000, 2^1000] (a factor of 0, an underflow or overflow
// on the way) is stepped again one pass at a time.
constexpr double kLow = 0x1p-1000;
constexpr double kHigh = 0x1p1000;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

const char* builtInFormula(Map::Kind kind) {
    return kind == Map::Kind::Sine ? "a*x*x*sin(pi*x)" : "a*x*(1-x)";
}

FormulaTree treeOf(const Map& map) {
    if (map.isFormula()) return map.compiled()->code().tree();
    return *custom::readFormula(builtInFormula(map.kind()));
}

struct Lanes {
    alignas(64) double p[kCodeLanes];
    alignas(64) double q[kCodeLanes];
    alignas(64) double x[kCodeLanes];
    alignas(64) double product[kCodeLanes];
    alignas(64) double turns[kCodeLanes];
    std::int64_t exponent[kCodeLanes];
    bool zero[kCodeLanes];
};

// Takes the binary exponent out of each product, leaving it in [0.5, 1);
// exact. False when some lane's product lies outside [kLow, kHigh] (and its
// orbit is still finite): the block must be stepped again.
bool settle(Lanes& s) {
    bool fine = true;
    for (int l = 0; l < kCodeLanes; ++l) {
        const double p = s.product[l];
        if (!(p >= kLow && p <= kHigh)) {
            if (std::fabs(s.x[l]) < kInfinity) fine = false;
            continue;
        }
        int e = 0;
        s.product[l] = std::frexp(p, &e);
        s.exponent[l] += e;
    }
    return fine;
}

// One block of `passes` passes with the products watched; the kept
// iterates to `out` when given.
void block(const custom::FormulaCode& code, Lanes& s, std::int64_t passes, double* out) {
    const Lanes start = s;
    code.advanceTwo(s.p, s.q, s.x, s.product, s.turns, out, passes);
    if (settle(s)) return;
    // Again, one pass at a time, each lane's exponent taken out after each.
    s = start;
    for (std::int64_t n = 0; n < passes; ++n) {
        code.advanceTwo(s.p, s.q, s.x, s.product, s.turns, out ? out + n * kCodeLanes : nullptr,
                        1);
        for (int l = 0; l < kCodeLanes; ++l) {
            const double p = s.product[l];
            if (p == 0) {
                s.zero[l] = true;
                s.product[l] = 1;
            } else if (std::fabs(p) < kInfinity) {
                int e = 0;
                s.product[l] = std::frexp(p, &e);
                s.exponent[l] += e;
            }
        }
    }
}

}  // namespace

std::optional<std::string> readSequence(const std::string& typed) {
    std::string letters;
    for (char c : typed) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (up != 'A' && up != 'B') return std::nullopt;
        letters += up;
    }
    if (letters.empty() || letters.size() > std::size_t(kLongestSequence)) return std::nullopt;
    return letters;
}

std::string planeCaption(const PlaneMap& map) {
    if (map.mode == Mode::Forcing) return map.map.caption() + ", sequence " + map.sequence;
    if (map.isCircle()) return "sine-circle map";
    return map.formula;
}

custom::FormulaTree passTree(const PlaneMap& map, std::optional<double> fixedB) {
    FormulaTree f;
    std::string sequence = "A";
    if (map.mode == Mode::Forcing) {
        f = treeOf(map.map);
        sequence = map.sequence;
    } else {
        // A formula PlaneCode::make refused passes as x.
        f = custom::readFormula(map.isCircle() ? kCircleFormula : map.formula,
                                custom::Variables::XAB)
                .value_or(*custom::readFormula("x"));
    }
    FormulaTree out;
    auto push = [&out](Node n) {
        out.nodes.push_back(n);
        return static_cast<int>(out.nodes.size()) - 1;
    };
    int x = push({Op::X});
    const int a = push({Op::A});
    const int b = fixedB ? push({Op::Number, *fixedB}) : push({Op::B});
    std::vector<int> at(f.nodes.size());
    for (char letter : sequence) {
        const bool forced = map.mode == Mode::Forcing;
        for (std::size_t i = 0; i < f.nodes.size(); ++i) {
            Node n = f.nodes[i];
            if (n.op == Op::X) {
                at[i] = x;
            } else if (n.op == Op::A) {
                at[i] = forced && letter == 'B' ? b : a;
            } else if (n.op == Op::B) {
                at[i] = b;
            } else {
                for (int& arg : n.args) {
                    if (arg >= 0) arg = at[std::size_t(arg)];
                }
                at[i] = push(n);
            }
        }
        x = at.back();
    }
    // The last node is the pass's value; a map that is x itself gets one
    // that equals it exactly.
    if (x != static_cast<int>(out.nodes.size()) - 1) push({Op::Min, 0, {x, x, -1}});
    return out;
}

Map passMap(const PlaneMap& map, double q, Interval pRange) {
    FormulaTree tree = passTree(map, q);
    Interval x{0, 1};
    if (map.mode == Mode::Forcing) x = map.map.xRange();
    if (map.isCircle()) {
        // θ mod 1: y − ⌊y⌋.
        const int y = static_cast<int>(tree.nodes.size()) - 1;
        tree.nodes.push_back({Op::Floor, 0, {y, -1, -1}});
        tree.nodes.push_back({Op::Subtract, 0, {y, y + 1, -1}});
    }
    std::string caption = planeCaption(map);
    caption += map.mode == Mode::Forcing ? ", one pass at B = " : " at b = ";
    caption += csvNumber(q);
    // Compiled on the interface thread, five functions of it: a long pass
    // runs as its tree.
    const custom::Compiler compiler = tree.nodes.size() <= kMostCompiledNodes / 4
                                          ? custom::Compiler::Native
                                          : custom::Compiler::Tree;
    auto compiled = custom::CustomMap::fromTree(std::move(tree), caption, compiler);
    const double x0 = map.mode == Mode::Forcing ? map.map.startX0() : 0.5 * (x.from + x.to);
    return Map::formula(std::move(compiled), pRange, x, x0);
}

std::string PlaneCode::nativeRefusal() const {
    return refusal_.empty() ? code_->nativeRefusal() : refusal_;
}

PlaneCode::Made PlaneCode::make(const PlaneMap& map, custom::Compiler compiler) {
    Made made;
    if (map.mode == Mode::Forcing && !readSequence(map.sequence)) {
        made.error = "the sequence must be 1 to 64 letters A and B";
        return made;
    }
    if (map.mode == Mode::TwoParameter && !map.isCircle()) {
        custom::CustomMap::Compiled checked =
            custom::CustomMap::compile(map.formula, compiler, custom::Variables::XAB);
        if (!checked.map) {
            made.error = checked.error;
            return made;
        }
    }
    auto code = std::make_shared<PlaneCode>();
    code->map_ = map;
    code->steps_ = map.mode == Mode::Forcing ? static_cast<int>(map.sequence.size()) : 1;
    custom::FormulaTree tree = passTree(map);
    // A long formula over a long sequence would keep the compiler busy for
    // seconds, out of reach of Cancel: such a pass runs as its tree.
    const bool native =
        compiler == custom::Compiler::Native && tree.nodes.size() <= kMostCompiledNodes;
    if (compiler == custom::Compiler::Native && !native) {
        code->refusal_ = "one pass has " + std::to_string(tree.nodes.size()) +
                         " operations, more than are compiled";
    }
    code->code_ = custom::FormulaCode::makeTwo(std::move(tree), map.isCircle(), native);
    made.code = std::move(code);
    return made;
}

std::int64_t passesOf(std::int64_t steps, int stepsPerPass) {
    return (std::max<std::int64_t>(steps, 0) + stepsPerPass - 1) / stepsPerPass;
}

int periodOf(std::span<const double> tail, bool circle) {
    const int n = static_cast<int>(tail.size());
    for (int p = 1; p <= kMaxPeriod && 2 * p <= n; ++p) {
        bool repeats = true;
        for (int i = n - 1; i >= p && repeats; --i) {
            double d = std::fabs(tail[std::size_t(i)] - tail[std::size_t(i - p)]);
            if (circle) d = std::min(d, 1 - d);
            repeats = d < kPeriodTolerance;
        }
        if (repeats) return p;
    }
    return 0;
}

bool computePoints(const PlaneCode& code, const Orbit& orbit, std::span<const double> p,
                   std::span<const double> q, std::span<PointOutcome> out,
                   const std::function<bool()>& keepGoing) {
    const int n = static_cast<int>(std::min({p.size(), q.size(), out.size(),
                                             std::size_t(kCodeLanes)}));
    if (n <= 0) return true;
    Lanes s{};
    for (int l = 0; l < kCodeLanes; ++l) {
        const int from = l < n ? l : n - 1;  // spare lanes repeat the last point
        s.p[l] = p[std::size_t(from)];
        s.q[l] = q[std::size_t(from)];
        s.x[l] = orbit.x0;
        s.product[l] = 1;
    }
    const custom::FormulaCode& f = code.code();
    const int steps = code.stepsPerPass();
    // The transient, its products thrown away.
    for (std::int64_t left = passesOf(orbit.transient, steps); left > 0;) {
        const std::int64_t now = std::min(left, kBlock * 64);
        f.advanceTwo(s.p, s.q, s.x, s.product, s.turns, nullptr, now);
        std::fill(std::begin(s.product), std::end(s.product), 1.0);
        left -= now;
        if (keepGoing && !keepGoing()) return false;
    }
    std::fill(std::begin(s.turns), std::end(s.turns), 0.0);
    const Lanes kept = s;
    const std::int64_t passes = std::max<std::int64_t>(passesOf(orbit.kept, steps), 1);
    const std::int64_t tailLength = std::min<std::int64_t>(passes, 2 * kMaxPeriod);
    std::vector<double> tail(std::size_t(tailLength * kCodeLanes));
    for (std::int64_t done = 0; done < passes;) {
        // Blocks end where the tail begins, so that it is kept whole.
        const std::int64_t tailFrom = passes - tailLength;
        std::int64_t now = std::min(kBlock, passes - done);
        if (done < tailFrom) now = std::min(now, tailFrom - done);
        double* into = done >= tailFrom ? tail.data() + (done - tailFrom) * kCodeLanes : nullptr;
        block(f, s, now, into);
        done += now;
        if (keepGoing && !keepGoing()) return false;
    }
    const double stepsKept = static_cast<double>(passes) * steps;
    std::vector<double> lane(static_cast<std::size_t>(tailLength));
    for (int l = 0; l < n; ++l) {
        PointOutcome& o = out[std::size_t(l)];
        o = PointOutcome{};
        o.escaped = !(std::fabs(s.x[l]) < kInfinity);
        if (o.escaped) {
            o.lyapunov = kInfinity;
        } else if (s.zero[l] || s.product[l] == 0) {
            o.lyapunov = -kInfinity;
        } else {
            const double log = std::log(std::fabs(s.product[l])) +
                               static_cast<double>(s.exponent[l]) * std::log(2.0);
            o.lyapunov = log / stepsKept;
        }
        if (o.escaped) continue;
        for (std::int64_t i = 0; i < tailLength; ++i) {
            lane[std::size_t(i)] = tail[std::size_t(i * kCodeLanes + l)];
        }
        o.period = periodOf(lane, code.circle());
        if (code.circle()) o.winding = (s.turns[l] + s.x[l] - kept.x[l]) / stepsKept;
    }
    return true;
}

bool computeRows(const PlaneCode& code, const Orbit& orbit, const Grid& grid, int rowFrom,
                 int rowTo, std::span<PointOutcome> out, const std::function<bool()>& keepGoing) {
    std::array<double, kPoints> p{}, q{};
    for (int row = rowFrom; row < rowTo; ++row) {
        for (int c = 0; c < grid.columns; c += kPoints) {
            const int n = std::min(kPoints, grid.columns - c);
            for (int i = 0; i < n; ++i) {
                p[std::size_t(i)] = grid.p(c + i);
                q[std::size_t(i)] = grid.q(row);
            }
            const std::size_t at = std::size_t(row) * std::size_t(grid.columns) + std::size_t(c);
            if (!computePoints(code, orbit, std::span(p).first(std::size_t(n)),
                               std::span(q).first(std::size_t(n)),
                               out.subspan(at, std::size_t(n)), keepGoing)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace corvane::plane
