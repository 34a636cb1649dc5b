#include "windows/export.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "windows/program.h"

namespace corvane {

std::string mapCaption(int map) {
    if (map == 1) return "a*x*(1-x)";
    if (map == 2) return "a*x^2*sin(PI*x)";
    return "none";
}

ExportProgress::ExportProgress(Program& program, std::int64_t total)
    : progress_(program.ui.beginProgress("Export", total)) {}

namespace {

void report(Program& program, const platform::ExportOutcome& outcome) {
    if (outcome.status == platform::ExportOutcome::Status::Failed) {
        program.ui.MsgBox(outcome.message, platform::Buttons::Ok);
    }
}

}  // namespace

void exportPicture(Program& program, platform::Window& window, const std::string& name) {
    const auto target = program.ui.askExportTarget(window, name + ".png", true);
    if (!target) return;
    report(program, program.ui.exportPicture(window, *target));
}

void exportData(Program& program, platform::Window& window, const std::string& name,
                const DataWriter& data, const NothingToExport& nothing) {
    if (nothing) {
        const std::string why = nothing();
        if (!why.empty()) {
            program.ui.MsgBox(why, platform::Buttons::Ok);
            return;
        }
    }
    const auto target = program.ui.askExportTarget(window, name + ".csv", false);
    if (!target) return;
    const auto outcome = program.ui.exportData(target->path, [&](platform::TextSink& sink) {
        CsvWriter csv([&sink](std::string_view text) { sink.write(text); });
        if (!data(csv)) return false;
        csv.flush();
        return true;
    });
    report(program, outcome);
}

std::string distinctCaptions(const std::vector<int>& maps) {
    std::string text;
    std::vector<int> seen;
    for (const int map : maps) {
        if (std::find(seen.begin(), seen.end(), map) != seen.end()) continue;
        seen.push_back(map);
        text += (text.empty() ? "" : "; ") + mapCaption(map);
    }
    return text;
}

platform::MenuItem exportMenu(Program& program, platform::Window& window,
                              std::function<std::string()> name, DataWriter data,
                              NothingToExport nothing) {
    return {"mnuExport",
            "Export",
            nullptr,
            {{"mnuExportPicture", "Picture...",
              [&program, &window, name] { exportPicture(program, window, name()); },
              {}},
             {"mnuExportData", "Data (CSV)...",
              [&program, &window, name, data = std::move(data), nothing = std::move(nothing)] {
                  exportData(program, window, name(), data, nothing);
              },
              {}}}};
}

}  // namespace corvane
