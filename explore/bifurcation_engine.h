// Computes the explorer's pictures off the user-interface thread, through a
// job runner (explore/job_runner.h) whose arena has every core: the newest
// request runs in waves of columns from left to right, and the window polls
// for what is done. A newer request stops the older one, whose results are
// never handed out again.
#pragma once

#include <cstdint>
#include <memory>

#include "explore/bifurcation_compute.h"
#include "explore/job_runner.h"

namespace corvane::explore {

class BifurcationEngine {
public:
    // threads = 0: every core.
    explicit BifurcationEngine(int threads = 0);
    ~BifurcationEngine();
    BifurcationEngine(const BifurcationEngine&) = delete;
    BifurcationEngine& operator=(const BifurcationEngine&) = delete;

    // Starts computing the view `columns` × `rows` pixels large; returns its
    // generation. Whatever was running stops.
    std::uint64_t start(const View& view, int columns, int rows);
    // Stops the current computation; poll() then reports nothing.
    void cancel();

    struct Snapshot {
        std::uint64_t generation = 0;  // 0: nothing to show
        // The picture being filled: columns [0, columnsDone) are final and
        // stay as they are; the others are not to be read.
        std::shared_ptr<const ColumnData> data;
        int columnsDone = 0;
        bool finished = false;
        double fractionDone = 0;  // by steps, for the progress display
    };
    // The state of the newest computation.
    Snapshot poll() const;

    // The generation of the newest request.
    std::uint64_t generation() const { return runner_.generation(); }

private:
    // What a wave publishes: the picture and how many columns are final.
    struct Partial {
        std::shared_ptr<const ColumnData> data;
        int columnsDone = 0;
    };
    JobRunner<Partial> runner_;
};

}  // namespace corvane::explore
