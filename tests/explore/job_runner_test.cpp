// The job runner every tool window computes through: only the newest job's
// results reach poll(), a newer start or cancel stops the job before it,
// progress is reported, and what a job computes on the arena's threads is
// handed back whole.
#include "explore/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "explore/parallel.h"

namespace corvane::explore {
namespace {

using Runner = JobRunner<int>;

// Waits (at most ten seconds) until `ready` holds.
template <class Ready>
bool waitFor(Ready ready) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A job that publishes `value` as a partial result, then waits to be
// released; `reached` is raised once it waits. It publishes again after
// it was released (or went stale), finished.
Runner::Job heldJob(int value, std::atomic<bool>& reached, std::atomic<bool>& release) {
    return [value, &reached, &release](Runner::Control& control) {
        control.publish(std::make_shared<const int>(value), false);
        reached = true;
        while (!release && !control.stale()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        control.publish(std::make_shared<const int>(value + 1), true);
    };
}

TEST(JobRunner, ANewerStartStopsTheOlderJobAndDropsWhatItPublishes) {
    Runner runner(2);
    std::atomic<bool> reachedOld{false}, releaseOld{false};
    const std::uint64_t first = runner.start(heldJob(10, reachedOld, releaseOld));
    ASSERT_TRUE(waitFor([&] { return reachedOld.load(); }));
    Runner::Snapshot s = runner.poll();
    EXPECT_EQ(s.generation, first);
    ASSERT_TRUE(s.result);
    EXPECT_EQ(*s.result, 10);  // partial results are shown while they are the newest
    EXPECT_FALSE(s.finished);

    // The newer job waits before it publishes anything, so that what the
    // older one published after it went stale would show.
    std::atomic<bool> goNew{false}, reachedNew{false}, releaseNew{false};
    const Runner::Job held = heldJob(20, reachedNew, releaseNew);
    const std::uint64_t second = runner.start([&goNew, held](Runner::Control& control) {
        while (!goNew) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        held(control);
    });
    EXPECT_GT(second, first);
    EXPECT_EQ(runner.generation(), second);
    // The older job went stale by itself (its release never came), published
    // its last and ended; the newer one began.
    ASSERT_TRUE(waitFor([&] { return runner.begun() == 2; }));
    s = runner.poll();
    EXPECT_EQ(s.generation, second);
    EXPECT_FALSE(s.result);
    EXPECT_FALSE(s.finished);
    goNew = true;
    ASSERT_TRUE(waitFor([&] { return reachedNew.load(); }));
    s = runner.poll();
    ASSERT_TRUE(s.result);
    EXPECT_EQ(*s.result, 20);
    releaseNew = true;
    runner.waitIdle();
    s = runner.poll();
    EXPECT_TRUE(s.finished);
    EXPECT_EQ(*s.result, 21);
    EXPECT_EQ(s.fractionDone, 1.0);
    EXPECT_EQ(runner.begun(), 2u);
    EXPECT_EQ(runner.abandoned(), 0u);  // the old job still finished, only too late
}

TEST(JobRunner, CancelLeavesNothingToPollAndCountsTheJobAbandoned) {
    Runner runner(1);
    std::atomic<bool> reached{false};
    runner.start([&reached](Runner::Control& control) {
        control.publish(std::make_shared<const int>(1), false);
        reached = true;
        while (!control.stale()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(waitFor([&] { return reached.load(); }));
    runner.cancel();
    Runner::Snapshot s = runner.poll();
    EXPECT_EQ(s.generation, 0u);
    EXPECT_FALSE(s.result);
    EXPECT_FALSE(s.finished);
    runner.waitIdle();
    EXPECT_TRUE(runner.idle());
    EXPECT_FALSE(runner.poll().result);
    EXPECT_EQ(runner.abandoned(), 1u);
}

// Steps counted by the arena's threads, and a share set directly, both
// reach poll() while the job runs; the sum the threads computed arrives
// whole.
TEST(JobRunner, ReportsProgressAndHandsBackWhatTheThreadsComputed) {
    Runner runner(2);
    std::atomic<bool> halfway{false}, go{false};
    runner.start([&](Runner::Control& control) {
        std::atomic<std::int64_t>& steps = control.countSteps(1000);
        std::vector<int> values(1000, 0);
        parallelFor(0, 500, 16, [&](int from, int to) {
            for (int i = from; i < to; ++i) values[std::size_t(i)] = i;
            steps.fetch_add(to - from, std::memory_order_relaxed);
        });
        halfway = true;
        while (!go && !control.stale()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        control.progress(0.75);
        parallelFor(500, 1000, 16, [&](int from, int to) {
            for (int i = from; i < to; ++i) values[std::size_t(i)] = i;
        });
        int sum = 0;
        for (int v : values) sum += v;
        control.publish(std::make_shared<const int>(sum), true);
    });
    ASSERT_TRUE(waitFor([&] { return halfway.load(); }));
    EXPECT_DOUBLE_EQ(runner.poll().fractionDone, 0.5);
    EXPECT_FALSE(runner.poll().finished);
    go = true;
    runner.waitIdle();
    const Runner::Snapshot s = runner.poll();
    ASSERT_TRUE(s.finished);
    EXPECT_EQ(*s.result, 999 * 1000 / 2);
    EXPECT_EQ(s.fractionDone, 1.0);
}

}  // namespace
}  // namespace corvane::explore
