// The explorer's one way of running work on the threads: a oneTBB task
// group, with the hand-over of the caller's data to the threads and of their
// results back made visible to a race detector. The scheduler's library is
// built without one, so how it hands work between threads is invisible to
// it; these hand-overs are not.
#pragma once

#include <oneapi/tbb/task_group.h>

#include <atomic>

namespace corvane::explore {

// Calls body(from, to) for pieces [from, to) of [begin, end), at most
// `grain` long, on the threads of the current arena; returns when all ran.
// An exception from a piece is thrown again here once all have stopped.
template <class Body>
void parallelFor(int begin, int end, int grain, const Body& body) {
    if (begin >= end) return;
    if (grain < 1) grain = 1;
    // To the threads: what the caller wrote before is theirs to read.
    std::atomic<int> handedOut{0};
    handedOut.store(1, std::memory_order_release);
    {
        tbb::task_group tasks;
        for (int from = begin; from < end;) {
            const int to = end - from > grain ? from + grain : end;
            tasks.run([&handedOut, &body, from, to] {
                (void)handedOut.load(std::memory_order_acquire);
                body(from, to);
            });
            from = to;
        }
        tasks.wait();
        // Back from the threads: each task's very last step lowers the
        // group's count of unfinished tasks with a release, and the group's
        // destructor reads that count with an acquire. Everything the
        // threads did, the task's bookkeeping included, is thus ordered
        // before what the caller does next; the group lies in this frame,
        // not in one of the library's that the caller's stack then reuses.
    }
}

}  // namespace corvane::explore
