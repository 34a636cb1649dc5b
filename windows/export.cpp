#include "windows/export.h"

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
                const DataWriter& data) {
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

platform::MenuItem exportMenu(Program& program, platform::Window& window,
                              std::function<std::string()> name, DataWriter data) {
    return {"mnuExport",
            "Export",
            nullptr,
            {{"mnuExportPicture", "Picture...",
              [&program, &window, name] { exportPicture(program, window, name()); },
              {}},
             {"mnuExportData", "Data (CSV)...",
              [&program, &window, name, data = std::move(data)] {
                  exportData(program, window, name(), data);
              },
              {}}}};
}

}  // namespace corvane
