// The check that the two halves of a pair did the same work.
#include "bench/bench_support.h"

#include <atomic>
#include <cstdio>
#include <map>

namespace corvane::bench {

bool sameWork(const Work& a, const Work& b) {
    return a.steps == b.steps && (!a.x || !b.x || *a.x == *b.x);
}

std::string describe(const Work& work) {
    std::string text = std::to_string(work.steps) + " steps";
    if (work.x) {
        char x[40];
        std::snprintf(x, sizeof x, ", ending on %.17g", *work.x);
        text += x;
    }
    return text;
}

void reportWork(benchmark::State& state, const std::string& name, const Work& work) {
    static std::map<std::string, Work> recorded;
    recorded[name] = work;
    for (const Target& target : targets()) {
        const std::string& other = target.measured == name ? target.reference : target.measured;
        if (target.measured != name && target.reference != name) continue;
        const auto found = recorded.find(other);
        if (found == recorded.end() || sameWork(work, found->second)) continue;
        state.SkipWithError((name + " did different work from " + other + ": " + describe(work) +
                             " against " + describe(found->second))
                                .c_str());
        return;
    }
}

Work diagramWork(const explore::View& view, int columns, int rows) {
    explore::ColumnData data;
    data.resize(columns, rows);
    std::atomic<std::int64_t> steps{0};
    explore::computeColumnRange(view, columns, 0, columns, data, {}, &steps);
    if (rows <= 0) return {steps.load(), std::nullopt};
    double weighted = 0;
    for (int c = 0; c < columns; ++c) {
        for (int b = 0; b < rows; ++b) weighted += double(data.count(c, b)) * (b + 1);
    }
    return {steps.load(), weighted};
}

}  // namespace corvane::bench
