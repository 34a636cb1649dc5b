// Exporting what a window shows: its picture (PNG, PDF) and its numbers
// (CSV), through the desktop's save dialog and atomic file writing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/numeric/csv.h"
#include "platform/platform.h"

namespace corvane {

class Program;

// The caption of map 1 or 2 as its menu item shows it.
std::string mapCaption(int map);

// Writes a window's data; false when the user stopped it.
using DataWriter = std::function<bool(CsvWriter& csv)>;

// The "Export" menu a window appends to its menu bar: "Picture..." and
// "Data (CSV)...". `name` gives the default file name without its extension
// ("corvane-plots"), asked when the item is chosen.
platform::MenuItem exportMenu(Program& program, platform::Window& window,
                              std::function<std::string()> name, DataWriter data);

// The two commands on their own.
void exportPicture(Program& program, platform::Window& window, const std::string& name);
void exportData(Program& program, platform::Window& window, const std::string& name,
                const DataWriter& data);

// Rows between two questions to the progress dialog (a mask).
inline constexpr std::int64_t kExportPollMask = 0xFFFF;

// The progress dialog of a long export.
class ExportProgress {
public:
    ExportProgress(Program& program, std::int64_t total);
    // True when the user stopped the export.
    bool stopped(std::int64_t done) { return progress_->poll(done); }

private:
    std::unique_ptr<platform::Progress> progress_;
};

}  // namespace corvane
