// The explorer's one way of running work on the threads: oneTBB's
// parallel_for, with the hand-over of the caller's data to the threads and
// of their results back also made through two atomics of its own. A race
// detector cannot see into the scheduler's library; it does see these.
#pragma once

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/partitioner.h>

#include <atomic>

namespace corvane::explore {

// Calls body(from, to) for pieces [from, to) of [begin, end), at most
// `grain` long, on the threads of the current arena; returns when all ran.
template <class Body>
void parallelFor(int begin, int end, int grain, const Body& body) {
    std::atomic<int> handedOut{0};
    std::atomic<int> handedBack{0};
    handedOut.store(1, std::memory_order_release);
    tbb::parallel_for(
        tbb::blocked_range<int>(begin, end, grain),
        [&](const tbb::blocked_range<int>& range) {
            (void)handedOut.load(std::memory_order_acquire);
            body(range.begin(), range.end());
            handedBack.fetch_add(1, std::memory_order_release);
        },
        tbb::simple_partitioner{});
    (void)handedBack.load(std::memory_order_acquire);
}

}  // namespace corvane::explore
