// Any sequence of the explorer's commands on its model, without a window:
// views typed into its fields (bad text included), drags, wheel turns,
// Undo, Redo, Home, maps and formulas (refused ones included) and cursor
// moves. After every command the view shown is one the model accepts, its
// history stays within its limit, Undo then Redo comes back to the same
// view, the cursor lies in the view, and every map's verdicts and density
// stay defined. The bytes left over drive the parameter plane's model the
// same way (sequences and formulas in x, a and b too), with the readout of
// the point at its cursor computed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/invariant_density.h"
#include "core/numeric/plane.h"
#include "core/tools/explorer_model.h"
#include "core/tools/plane_model.h"
#include "core/tools/session.h"
#include "core/tools/field_check.h"
#include "core/tools/verdicts.h"

namespace {

using corvane::Interval;
using corvane::Map;
using corvane::tools::ExplorerModel;
using corvane::tools::View;

const std::vector<std::string> kTyped = {
    "",     "x",    "nan", "inf",  "-inf", "1e999", "0",   "1",    "-1",   "0.5",
    "2.5",  "3.57", "4",   "5",    "5.01", "1e9",   "-0",  "0,5",  " 3 ", "1e-300",
    "1000", "1e3",  "3",   "0.25", "100",  "1e8",   "2e8", "0x10", "3.9", "2.9999999999999"};

const std::vector<std::string> kFormulas = {
    "a*x*(1-x)", "x < 0.5 ? 2*a*x : 2*a*(1-x)", "exp(-6.2*x^2)+a", "a*sin(pi*x)", "2,5*x",
    "a*x",       "sin(0,5*x)",                   "a*sni(x)",        "",            "x/0"};

double number(FuzzedDataProvider& in) {
    const std::string& t = kTyped[in.ConsumeIntegralInRange<std::size_t>(0, kTyped.size() - 1)];
    const auto read = corvane::tools::checkField(t, {"v", -2000, 2000});
    return read.value ? *read.value : in.ConsumeFloatingPoint<double>();
}

void check(bool ok) {
    if (!ok) std::abort();
}

Map mapOf(FuzzedDataProvider& in) {
    const int which = in.ConsumeIntegralInRange<int>(0, 2);
    if (which == 0) return Map::logistic();
    if (which == 1) return Map::sine();
    const std::string& f =
        kFormulas[in.ConsumeIntegralInRange<std::size_t>(0, kFormulas.size() - 1)];
    const auto compiled = corvane::custom::CustomMap::compile(f);
    if (!compiled.map) {
        check(!compiled.error.empty());
        return Map::logistic();
    }
    return Map::formula(compiled.map, {-1, 4}, {-1, 1.5}, 0.25);
}

void checkInvariants(ExplorerModel& m) {
    const View& v = m.view();
    check(corvane::tools::refusal(v).empty());
    check(m.historySize() >= 1 && m.historySize() <= ExplorerModel::kHistoryLimit);
    if (m.cursor()) check(std::isfinite(*m.cursor()));
    if (m.canUndo()) {
        const View before = v;
        check(m.undo());
        check(m.redo());
        check(m.view() == before);
    }
}

const std::vector<std::string> kSequences = {"AB", "a b", "", "ABC", "A", "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB", "AABAB"};
const std::vector<std::string> kTwoParameter = {"", "a - x*x + b*sin(x)", "x*b", "a*c", "b/x", "x^b"};

void runPlane(FuzzedDataProvider& in) {
    using corvane::tools::PlaneModel;
    using corvane::tools::PlaneView;
    PlaneModel model;
    for (int command = 0; command < 32 && in.remaining_bytes() > 0; ++command) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
            case 0: {
                PlaneView v = model.view();
                v.pMin = number(in);
                v.pMax = number(in);
                v.qMin = number(in);
                v.qMax = number(in);
                v.x0 = number(in);
                v.transient = in.ConsumeIntegralInRange<std::int64_t>(-5, 300);
                v.kept = in.ConsumeIntegralInRange<std::int64_t>(-5, 300);
                const PlaneView before = model.view();
                if (!model.show(v).empty()) check(model.view() == before);
                break;
            }
            case 1:
                model.zoomRect(number(in), number(in), number(in), number(in));
                break;
            case 2:
                model.wheel(number(in), number(in), in.ConsumeBool() ? 1.25 : 0.8);
                break;
            case 3:
                in.ConsumeBool() ? model.undo() : model.redo();
                break;
            case 4:
                model.home();
                break;
            case 5: {  // another map, sequence or formula of two parameters
                corvane::plane::PlaneMap m;
                if (in.ConsumeBool()) {
                    m.map = mapOf(in);
                    const std::string& typed = kSequences[in.ConsumeIntegralInRange<std::size_t>(
                        0, kSequences.size() - 1)];
                    m.sequence = corvane::plane::readSequence(typed).value_or(typed);
                } else {
                    m.mode = corvane::plane::Mode::TwoParameter;
                    m.formula = kTwoParameter[in.ConsumeIntegralInRange<std::size_t>(
                        0, kTwoParameter.size() - 1)];
                    // The window offers only formulas it could compile.
                    if (!m.isCircle() && !corvane::plane::PlaneCode::make(m).code) break;
                }
                const auto before = model.view();
                if (!model.selectMap(m).empty()) check(model.view() == before);
                break;
            }
            case 6:
                model.setColouring(
                    static_cast<corvane::tools::PlaneColouring>(in.ConsumeIntegralInRange<int>(0, 2)));
                check(model.colouring() != corvane::tools::PlaneColouring::Winding ||
                      model.view().map.isCircle());
                break;
            case 7: {  // the point at the cursor, as the readout tells it
                model.setCursor(number(in), number(in));
                model.keepCursorInView();
                if (!model.cursor()) break;
                const PlaneView& v = model.view();
                const auto code = corvane::plane::PlaneCode::make(v.map).code;
                check(code != nullptr);
                corvane::plane::Orbit orbit = v.orbit();
                orbit.transient = std::min<std::int64_t>(orbit.transient, 100);
                orbit.kept = std::min<std::int64_t>(orbit.kept, 100);
                const double p = model.cursor()->first, q = model.cursor()->second;
                corvane::plane::PointOutcome o;
                check(corvane::plane::computePoints(*code, orbit, std::span(&p, 1),
                                                    std::span(&q, 1), std::span(&o, 1)));
                check(o.period >= 0 && o.period <= corvane::plane::kMaxPeriod);
                check(!corvane::tools::planeReadout(v, p, q, o).empty());
                break;
            }
        }
        check(corvane::tools::planeRefusal(model.view()).empty());
        check(model.historySize() >= 1 && model.historySize() <= PlaneModel::kHistoryLimit);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ExplorerModel model(Map::logistic());
    for (int command = 0; command < 64 && in.remaining_bytes() > 0; ++command) {
        switch (in.ConsumeIntegralInRange<int>(0, 8)) {
            case 0: {  // the fields, typed
                View v = model.view();
                v.aMin = number(in);
                v.aMax = number(in);
                v.xMin = number(in);
                v.xMax = number(in);
                v.x0 = number(in);
                v.transient = in.ConsumeIntegralInRange<std::int64_t>(-5, 3000);
                v.kept = in.ConsumeIntegralInRange<std::int64_t>(-5, 3000);
                const View before = model.view();
                if (!model.show(v).empty()) check(model.view() == before);
                break;
            }
            case 1:
                model.zoomRect(number(in), number(in), number(in), number(in));
                break;
            case 2: {
                const double a = number(in);
                model.wheel(a, in.ConsumeBool() ? std::optional(number(in)) : std::nullopt,
                            in.ConsumeBool() ? 1.25 : 0.8);
                break;
            }
            case 3:
                model.undo();
                break;
            case 4:
                model.redo();
                break;
            case 5:
                model.home();
                break;
            case 6:
                model.selectMap(mapOf(in));
                break;
            case 7:
                model.setCursor(number(in));
                model.keepCursorInView();
                if (model.cursor()) {
                    const double a = *model.cursor();
                    check(a >= model.view().aMin && a <= model.view().aMax);
                }
                break;
            case 8: {  // what the hover and the density pane say at the cursor
                if (!model.cursor()) break;
                const View& v = model.view();
                corvane::bifurcation::OrbitSetup setup;
                setup.map = v.map;
                setup.x0 = v.x0;
                setup.transient = std::min<std::int64_t>(v.transient, 200);
                setup.kept = std::min<std::int64_t>(v.kept, 200);
                corvane::bifurcation::ColumnOutcome out{};
                const double as[] = {*model.cursor()};
                check(corvane::bifurcation::computeColumns(setup, as, {}, std::span(&out, 1)));
                check(!corvane::tools::columnVerdict(out, setup.kept, v.map.xRange()).empty());
                corvane::density::Orbit orbit;
                orbit.map = v.map;
                orbit.a = as[0];
                orbit.x0 = v.x0;
                orbit.transient = setup.transient;
                orbit.iterates = 500;
                orbit.bins = 20;
                const auto h = corvane::density::count(orbit);
                check(h.has_value());
                check(h->counted + h->outside <= 500);
                check(!corvane::tools::fateText(*h).empty());
                break;
            }
        }
        checkInvariants(model);
    }
    // Saved as a session and read back, the model's state is itself, when
    // its views lie where a session's may.
    corvane::tools::Session session;
    session.explorer = corvane::tools::explorerPart(model);
    bool within = true;
    for (const View& v : session.explorer->history) {
        for (double a : {v.aMin, v.aMax}) within = within && std::fabs(a) <= corvane::kFarthestA;
        for (double x : {v.xMin, v.xMax, v.x0}) within = within && std::fabs(x) <= corvane::kFarthestX;
    }
    if (session.explorer->cursor) {
        within = within && std::fabs(*session.explorer->cursor) <= corvane::kFarthestA;
    }
    const corvane::tools::SessionRead read =
        corvane::tools::readSession(corvane::tools::writeSession(session));
    check(read.session ? *read.session == session : !within && !read.error.empty());
    runPlane(in);
    return 0;
}
