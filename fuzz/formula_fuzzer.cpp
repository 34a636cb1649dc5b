// Any text as the formula of a map of the user's own: checked by muparser,
// and when accepted compiled to machine code and evaluated against its tree
// (the same bits for values and slopes) and muparser (the same bits for
// values), then stepped through a small bifurcation column and a
// small cobweb. No crash, no undefined behaviour; a refusal always says what
// is wrong; the work per input stays small (the formula's length is bounded
// by the compiler).
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/numeric/bifurcation.h"
#include "core/numeric/cobweb.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/feigenbaum.h"
#include "core/numeric/invariant_density.h"

// LLVM keeps its target registry and options for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libLLVM-15.so\n"; }

namespace {

bool sameBits(double u, double w) {
    return std::bit_cast<std::uint64_t>(u) == std::bit_cast<std::uint64_t>(w) ||
           (std::isnan(u) && std::isnan(w));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A little past the longest formula accepted, so that the refusal of a
    // long one is reached too.
    if (size > 600) return 0;
    const std::string formula(reinterpret_cast<const char*>(data), size);
    const auto compiled = corvane::custom::CustomMap::compile(formula);
    if (!compiled.map) {
        if (compiled.error.empty()) std::abort();
        if (compiled.column < 0 || std::size_t(compiled.column) > formula.size() + 1) std::abort();
        return 0;
    }
    if (!compiled.error.empty()) std::abort();
    const corvane::custom::CustomMap& map = *compiled.map;
    const corvane::custom::Evaluator f = map.evaluator();
    const auto tree =
        corvane::custom::CustomMap::compile(formula, corvane::custom::Compiler::Tree).map;
    if (!tree) std::abort();
    corvane::custom::Reference reference(map.formula());
    const corvane::custom::FormulaCode& code = map.code();
    const corvane::custom::FormulaCode& treeCode = tree->code();
    const double points[] = {-1.5, 0, 0.25, 0.5, 0.999, 1, 3.7};
    for (double a : points) {
        for (double x : points) {
            double d = 0, dt = 0, p = 0, pt = 0;
            const double v = code.valueAndSlope(a, x, d);
            if (!sameBits(v, treeCode.valueAndSlope(a, x, dt)) || !sameBits(d, dt)) std::abort();
            code.valueAndParameterSlope(a, x, p);
            treeCode.valueAndParameterSlope(a, x, pt);
            if (!sameBits(p, pt) || !sameBits(code.value(a, x), v)) std::abort();
            if (!sameBits(v, reference.value(a, x))) std::abort();
        }
    }
    std::vector<double> as{-1, 0.5, 2, 3.9};
    std::vector<double> xs{0.1, 0.5, 0.9, 2};
    std::vector<double> out(4);
    f.values(as, xs, out);

    corvane::bifurcation::OrbitSetup setup;
    setup.x0 = 0.3;
    setup.transient = 40;
    setup.kept = 60;
    setup.rows = 8;
    std::vector<std::uint32_t> counts(std::size_t(4 * 9));
    std::vector<corvane::bifurcation::ColumnOutcome> outcomes(4);
    const corvane::Map m = corvane::Map::formula(compiled.map, {-1.5, 3.9}, {0, 1}, 0.3);
    setup.map = m;
    corvane::bifurcation::computeColumns(setup, as, {counts.data(), 9, 1}, outcomes);

    corvane::density::Orbit orbit0;
    orbit0.map = m;
    orbit0.a = 2;
    orbit0.x0 = 0.3;
    orbit0.transient = 10;
    orbit0.iterates = 200;
    orbit0.bins = 10;
    const auto histogram = corvane::density::count(orbit0);
    if (!histogram) std::abort();
    if (corvane::feigenbaum::whyNoSearch(m).empty()) corvane::feigenbaum::search(m, 3);

    corvane::cobweb::CurveOptions options;
    options.startIntervals = 64;
    options.evaluationBudget = 4000;
    corvane::cobweb::Curve curve;
    corvane::cobweb::sampleCurve(m, 2, 2, options, curve);
    corvane::cobweb::PeriodicPoints periodic;
    corvane::cobweb::findPeriodicPoints(m, 2, 2, curve, periodic, 64);
    corvane::cobweb::Orbit orbit;
    corvane::cobweb::orbitOf(m, 2, 1, 0.3, 50, orbit);
    return 0;
}
