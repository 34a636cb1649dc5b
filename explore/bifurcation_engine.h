// Computes the explorer's pictures off the user-interface thread. One worker
// thread takes the newest request and runs it on a oneTBB arena of every
// core, in waves of columns from left to right; the window polls for what
// is done. A newer request stops the older one, whose results are never
// handed out again.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "explore/bifurcation_compute.h"

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
    std::uint64_t generation() const { return generation_.load(); }

private:
    struct Request {
        std::uint64_t generation;
        View view;
        int columns;
        int rows;
    };
    void run(std::stop_token stop);
    void compute(const Request& request, const std::stop_token& stop);

    const int threads_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::int64_t> stepsDone_{0};
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<Request> pending_;  // guarded by mutex_
    Snapshot published_;              // guarded by mutex_
    std::int64_t stepsTotal_ = 0;     // guarded by mutex_
    std::jthread worker_;             // last: it starts after the members it uses
};

}  // namespace corvane::explore
