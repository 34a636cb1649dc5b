// The tool windows' one way of working off the user-interface thread. A
// runner owns one worker thread with a oneTBB arena of its own; start(job)
// hands it the newest job and stops the one before, which is asked to stop
// and whose publications are dropped from then on: what poll() returns
// always belongs to the newest job. Jobs report their progress, may publish
// partial results and end with a finished one. No Qt here: the windows poll
// on their timers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

namespace corvane::explore {

class JobRunnerCore;

// What a running job sees of its runner.
class JobControl {
public:
    // True once the job should stop: a newer job was started, the runner
    // cancelled or destroyed. Cheap; jobs ask it often.
    bool stale() const;
    // The same as a token, for code that waits on one.
    std::stop_token stopToken() const { return stop_; }
    std::uint64_t generation() const { return generation_; }

    // Progress as a share of the work, 0 to 1...
    void progress(double fraction);
    // ...or as steps: `total` of them ahead, and a counter the job's threads
    // add the steps done to (it starts at 0).
    std::atomic<std::int64_t>& countSteps(std::int64_t total);

    // Hands a result to poll(); finished: the job's last. Dropped once the
    // job is stale, so that a stale result is never shown.
    void publishErased(std::shared_ptr<const void> result, bool finished);

    struct State;  // the job's progress, shared with poll()

private:
    JobControl(JobRunnerCore& core, std::uint64_t generation, std::stop_token stop,
               std::shared_ptr<State> state)
        : core_(core), generation_(generation), stop_(std::move(stop)), state_(std::move(state)) {}
    friend class JobRunnerCore;

    JobRunnerCore& core_;
    std::uint64_t generation_;
    std::stop_token stop_;
    std::shared_ptr<State> state_;
    bool triedFinish_ = false;
};

// The runner without its result type; JobRunner<Result> below is what
// windows use.
class JobRunnerCore {
public:
    using Job = std::function<void(JobControl&)>;

    // threads = 0: every core.
    explicit JobRunnerCore(int threads = 0);
    ~JobRunnerCore();
    JobRunnerCore(const JobRunnerCore&) = delete;
    JobRunnerCore& operator=(const JobRunnerCore&) = delete;

    std::uint64_t start(Job job);
    void cancel();

    struct Snapshot {
        std::uint64_t generation = 0;  // 0: nothing asked for
        std::shared_ptr<const void> result;
        bool finished = false;
        double fractionDone = 0;
    };
    Snapshot poll() const;

    std::uint64_t generation() const { return generation_.load(); }
    std::uint64_t begun() const { return begun_.load(); }
    std::uint64_t abandoned() const { return abandoned_.load(); }
    int threads() const { return threads_; }
    // No job running or waiting.
    bool idle() const;
    void waitIdle() const;

private:
    friend class JobControl;
    struct Pending {
        std::uint64_t generation = 0;
        Job job;
        std::stop_source stop;
        std::shared_ptr<JobControl::State> state;
    };
    void run(std::stop_token stop);
    bool publish(const JobControl& from, std::shared_ptr<const void> result, bool finished);

    const int threads_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::uint64_t> begun_{0};
    std::atomic<std::uint64_t> abandoned_{0};
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    mutable std::condition_variable idle_;
    std::optional<Pending> pending_;               // guarded by mutex_
    std::stop_source running_{std::nostopstate};   // guarded by mutex_
    bool busy_ = false;                            // guarded by mutex_
    std::shared_ptr<JobControl::State> progress_;  // the newest job's; guarded by mutex_
    Snapshot published_;                           // guarded by mutex_
    std::jthread worker_;                          // last: it starts after the members it uses
};

template <class Result>
class JobRunner {
public:
    // What the job sees: JobControl's calls, with publish() typed.
    class Control {
    public:
        explicit Control(JobControl& control) : control_(control) {}
        bool stale() const { return control_.stale(); }
        std::stop_token stopToken() const { return control_.stopToken(); }
        std::uint64_t generation() const { return control_.generation(); }
        void progress(double fraction) { control_.progress(fraction); }
        std::atomic<std::int64_t>& countSteps(std::int64_t total) {
            return control_.countSteps(total);
        }
        void publish(std::shared_ptr<const Result> result, bool finished) {
            control_.publishErased(std::move(result), finished);
        }

    private:
        JobControl& control_;
    };
    using Job = std::function<void(Control&)>;

    explicit JobRunner(int threads = 0) : core_(threads) {}

    // Starts `job` on the worker; returns its generation. The job before
    // it is asked to stop.
    std::uint64_t start(Job job) {
        return core_.start([job = std::move(job)](JobControl& control) {
            Control typed(control);
            job(typed);
        });
    }
    // Stops the current job; poll() then reports nothing.
    void cancel() { core_.cancel(); }

    struct Snapshot {
        std::uint64_t generation = 0;          // 0: nothing asked for
        std::shared_ptr<const Result> result;  // the newest job's latest, or null
        bool finished = false;
        double fractionDone = 0;
    };
    Snapshot poll() const {
        JobRunnerCore::Snapshot s = core_.poll();
        return {s.generation, std::static_pointer_cast<const Result>(std::move(s.result)),
                s.finished, s.fractionDone};
    }

    std::uint64_t generation() const { return core_.generation(); }
    // Jobs the worker has begun, and those that ended early because they
    // went stale; tests watch them.
    std::uint64_t begun() const { return core_.begun(); }
    std::uint64_t abandoned() const { return core_.abandoned(); }
    int threads() const { return core_.threads(); }
    bool idle() const { return core_.idle(); }
    // Blocks until no job runs or waits (for tests and for closing).
    void waitIdle() const { core_.waitIdle(); }

private:
    JobRunnerCore core_;
};

}  // namespace corvane::explore
