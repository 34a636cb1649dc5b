#include "explore/job_runner.h"

#include <oneapi/tbb/info.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>

namespace corvane::explore {

// One job's progress. Each job has its own, so that a stale job still
// counting cannot move the newest one's.
struct JobControl::State {
    std::atomic<std::int64_t> stepsDone{0};
    std::atomic<std::int64_t> stepsTotal{0};
    std::atomic<double> fraction{0};
};

bool JobControl::stale() const {
    return stop_.stop_requested() ||
           core_.generation_.load(std::memory_order_relaxed) != generation_;
}

void JobControl::progress(double fraction) {
    state_->stepsTotal.store(0, std::memory_order_relaxed);
    state_->fraction.store(std::clamp(fraction, 0.0, 1.0), std::memory_order_relaxed);
}

std::atomic<std::int64_t>& JobControl::countSteps(std::int64_t total) {
    state_->stepsDone.store(0, std::memory_order_relaxed);
    state_->stepsTotal.store(std::max<std::int64_t>(total, 0), std::memory_order_relaxed);
    return state_->stepsDone;
}

void JobControl::publishErased(std::shared_ptr<const void> result, bool finished) {
    if (finished) triedFinish_ = true;
    core_.publish(*this, std::move(result), finished);
}

JobRunnerCore::JobRunnerCore(int threads)
    : threads_(threads > 0 ? threads : tbb::info::default_concurrency()),
      worker_([this](std::stop_token stop) { run(std::move(stop)); }) {}

JobRunnerCore::~JobRunnerCore() {
    cancel();
    worker_.request_stop();
    wake_.notify_all();
    // worker_ joins as it goes, before the members the job may still use.
}

std::uint64_t JobRunnerCore::start(Job job) {
    std::lock_guard lock(mutex_);
    const std::uint64_t generation = ++generation_;
    running_.request_stop();
    if (pending_) pending_->stop.request_stop();
    auto state = std::make_shared<JobControl::State>();
    pending_ = Pending{generation, std::move(job), std::stop_source{}, state};
    progress_ = std::move(state);
    published_ = Snapshot{};
    published_.generation = generation;
    wake_.notify_all();
    return generation;
}

void JobRunnerCore::cancel() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        running_.request_stop();
        pending_.reset();
        progress_.reset();
        published_ = Snapshot{};
    }
    idle_.notify_all();
}

JobRunnerCore::Snapshot JobRunnerCore::poll() const {
    std::lock_guard lock(mutex_);
    Snapshot s = published_;
    if (s.finished) {
        s.fractionDone = 1;
    } else if (progress_) {
        const std::int64_t total = progress_->stepsTotal.load(std::memory_order_relaxed);
        s.fractionDone =
            total > 0 ? std::min(1.0, double(progress_->stepsDone.load(std::memory_order_relaxed)) /
                                          double(total))
                      : progress_->fraction.load(std::memory_order_relaxed);
    }
    return s;
}

bool JobRunnerCore::idle() const {
    std::lock_guard lock(mutex_);
    return !busy_ && !pending_;
}

void JobRunnerCore::waitIdle() const {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && !pending_; });
}

bool JobRunnerCore::publish(const JobControl& from, std::shared_ptr<const void> result,
                            bool finished) {
    std::lock_guard lock(mutex_);
    // Checked under the lock start() and cancel() take: a publication either
    // comes before them, and they clear it, or it is dropped here.
    if (from.stale()) return false;
    published_.result = std::move(result);
    published_.finished = finished;
    return true;
}

void JobRunnerCore::run(std::stop_token stop) {
    tbb::task_arena arena(threads_);
    for (;;) {
        Pending job;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return pending_.has_value(); })) return;
            job = std::move(*pending_);
            pending_.reset();
            running_ = job.stop;
            busy_ = true;
        }
        begun_.fetch_add(1);
        JobControl control(*this, job.generation, job.stop.get_token(), job.state);
        arena.execute([&] { job.job(control); });
        if (control.stale() && !control.triedFinish_) abandoned_.fetch_add(1);
        job = Pending{};  // what the job held goes before the runner says it is idle
        {
            std::lock_guard lock(mutex_);
            running_ = std::stop_source(std::nostopstate);
            busy_ = false;
        }
        idle_.notify_all();
    }
}

}  // namespace corvane::explore
