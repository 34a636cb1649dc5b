// Runs the benchmarks on the real Qt surface (offscreen, a 1920 × 1080
// screen at 96 dpi), then prints the ratios each command must keep to the
// bare arithmetic it does (or its time, where the limit is absolute), and
// the peak memory of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace corvane::bench {

namespace {

std::map<std::string, double> g_seconds;
std::map<std::string, double> g_wallSeconds;
std::map<std::string, double> g_pairedRatios;
std::map<std::string, std::string> g_errors;

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            // The name without the run options: function and arguments.
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (run.error_occurred) g_errors[name] = run.error_message;
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                g_seconds[name] =
                    run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
                g_wallSeconds[name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
                if (const auto paired = run.counters.find("paired_ratio");
                    paired != run.counters.end()) {
                    g_pairedRatios[name] = paired->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int runAll(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::cout << std::flush;
    // Ratios of processor time, measured in this same run.
    std::printf("\n%-58s %10s %8s %s\n", "target", "ratio", "limit", "");
    bool allMet = true;
    for (const auto& target : targets()) {
        // A pair whose halves did different work (or failed) has no ratio.
        if (g_errors.count(target.measured) || g_errors.count(target.reference)) {
            allMet = false;
            std::printf("%-58s %10s %8.2f %s\n", target.label.c_str(), "-", target.limit,
                        "MISSED (error, see above)");
            continue;
        }
        const auto& seconds = target.wallClock ? g_wallSeconds : g_seconds;
        const auto num = seconds.find(target.measured);
        if (num == seconds.end()) continue;
        if (target.reference.empty()) {
            // An absolute limit, shown in milliseconds.
            const bool met = num->second <= target.limit;
            allMet = allMet && met;
            std::printf("%-58s %10.3f %8.2f %s\n", target.label.c_str(), num->second * 1e3,
                        target.limit * 1e3, met ? "ok" : "MISSED");
            continue;
        }
        const auto den = seconds.find(target.reference);
        if (den == seconds.end()) continue;
        double ratio = num->second / den->second;
        if (target.paired) {
            const auto pm = g_pairedRatios.find(target.measured);
            const auto pr = g_pairedRatios.find(target.reference);
            if (pm != g_pairedRatios.end() && pr != g_pairedRatios.end()) {
                ratio = std::sqrt(pm->second / pr->second);
            }
        }
        const bool met = ratio <= target.limit;
        allMet = allMet && met;
        std::printf("%-58s %10.3f %8.2f %s\n", target.label.c_str(), ratio, target.limit,
                    met ? "ok" : "MISSED");
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-58s %10.1f %8.0f %s\n", "peak resident memory of the whole run (MB)",
                usage.ru_maxrss / 1024.0, 200.0, usage.ru_maxrss / 1024.0 <= 200 ? "ok" : "MISSED");
    std::fflush(stdout);
    releaseDesktop();  // the windows go before the application does
    benchmark::Shutdown();
    return allMet ? 0 : 1;
}

}  // namespace corvane::bench

int main(int argc, char** argv) {
    // A screen of 1920 × 1080 pixels at 96 dpi, without a display.
    QTemporaryFile screens;
    if (!std::getenv("QT_QPA_PLATFORM") && screens.open()) {
        screens.write(R"({"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1080,)"
                      R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
        screens.flush();
        const std::string platform = "offscreen:configfile=" + screens.fileName().toStdString();
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    }
    QApplication app(argc, argv);
    return corvane::bench::runAll(argc, argv);
}
