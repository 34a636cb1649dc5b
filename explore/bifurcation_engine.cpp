#include "explore/bifurcation_engine.h"

#include <oneapi/tbb/info.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>

namespace corvane::explore {

BifurcationEngine::BifurcationEngine(int threads)
    : threads_(threads > 0 ? threads : tbb::info::default_concurrency()),
      worker_([this](std::stop_token stop) { run(std::move(stop)); }) {}

BifurcationEngine::~BifurcationEngine() {
    worker_.request_stop();
    wake_.notify_all();
}

std::uint64_t BifurcationEngine::start(const View& view, int columns, int rows) {
    std::lock_guard lock(mutex_);
    const std::uint64_t generation = ++generation_;
    pending_ = Request{generation, view, columns, rows};
    published_ = Snapshot{};
    published_.generation = generation;
    wake_.notify_all();
    return generation;
}

void BifurcationEngine::cancel() {
    std::lock_guard lock(mutex_);
    ++generation_;
    pending_.reset();
    published_ = Snapshot{};
}

BifurcationEngine::Snapshot BifurcationEngine::poll() const {
    std::lock_guard lock(mutex_);
    Snapshot s = published_;
    if (s.finished) {
        s.fractionDone = 1;
    } else if (stepsTotal_ > 0) {
        s.fractionDone = std::min(1.0, double(stepsDone_.load()) / double(stepsTotal_));
    }
    return s;
}

void BifurcationEngine::run(std::stop_token stop) {
    tbb::task_arena arena(threads_);
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return pending_.has_value(); })) return;
            request = *pending_;
            pending_.reset();
        }
        arena.execute([&] { compute(request, stop); });
    }
}

void BifurcationEngine::compute(const Request& request, const std::stop_token& stop) {
    auto data = std::make_shared<ColumnData>(request.columns, request.rows);
    const std::int64_t total =
        std::int64_t(request.columns) * (request.view.transient + request.view.kept);
    {
        std::lock_guard lock(mutex_);
        if (generation_.load() != request.generation) return;
        published_.data = data;
        stepsTotal_ = total;
        stepsDone_.store(0);
    }
    const auto stale = [&] {
        return stop.stop_requested() ||
               generation_.load(std::memory_order_relaxed) != request.generation;
    };
    // Waves of whole groups, so that every column runs in the same group of
    // bifurcation::kLanes as in one pass over the picture.
    const int lanes = bifurcation::kLanes;
    const int wave =
        std::max(lanes * threads_ * 2, (request.columns / 16 + lanes - 1) / lanes * lanes);
    for (int first = 0; first < request.columns; first += wave) {
        const int last = std::min(request.columns, first + wave);
        if (!computeColumnRange(request.view, request.columns, first, last, *data, stale,
                                &stepsDone_)) {
            return;
        }
        std::lock_guard lock(mutex_);
        if (generation_.load() != request.generation) return;
        published_.columnsDone = last;
        published_.finished = last == request.columns;
    }
    if (request.columns == 0) {
        std::lock_guard lock(mutex_);
        if (generation_.load() == request.generation) published_.finished = true;
    }
}

}  // namespace corvane::explore
