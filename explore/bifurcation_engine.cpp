#include "explore/bifurcation_engine.h"

#include <algorithm>

namespace corvane::explore {

BifurcationEngine::BifurcationEngine(int threads) : runner_(threads) {}

BifurcationEngine::~BifurcationEngine() = default;

std::uint64_t BifurcationEngine::start(const View& view, int columns, int rows) {
    const int threads = runner_.threads();
    return runner_.start([view, columns, rows, threads](JobRunner<Partial>::Control& control) {
        auto data = std::make_shared<ColumnData>(columns, rows);
        std::atomic<std::int64_t>& steps =
            control.countSteps(std::int64_t(columns) * (view.transient + view.kept));
        control.publish(std::make_shared<const Partial>(Partial{data, 0}), columns == 0);
        const auto stale = [&control] { return control.stale(); };
        // Waves of whole groups, so that every column runs in the same group
        // of bifurcation::kLanes as in one pass over the picture.
        const int lanes = bifurcation::kLanes;
        const int wave = std::max(lanes * threads * 2, (columns / 16 + lanes - 1) / lanes * lanes);
        for (int first = 0; first < columns; first += wave) {
            const int last = std::min(columns, first + wave);
            if (!computeColumnRange(view, columns, first, last, *data, stale, &steps)) return;
            control.publish(std::make_shared<const Partial>(Partial{data, last}), last == columns);
        }
    });
}

void BifurcationEngine::cancel() { runner_.cancel(); }

BifurcationEngine::Snapshot BifurcationEngine::poll() const {
    const JobRunner<Partial>::Snapshot s = runner_.poll();
    Snapshot out;
    out.generation = s.generation;
    out.finished = s.finished;
    out.fractionDone = s.fractionDone;
    if (s.result) {
        out.data = s.result->data;
        out.columnsDone = s.result->columnsDone;
    }
    return out;
}

}  // namespace corvane::explore
