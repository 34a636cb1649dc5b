// Exporting what a window shows: its picture (PNG, PDF) and its numbers
// (CSV), through the desktop's save dialog and atomic file writing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/numeric/csv.h"
#include "platform/platform.h"

namespace corvane {

class Program;

// The caption of map 1 or 2 as its menu item shows it.
std::string mapCaption(int map);

// Writes a window's data; false when the user stopped it.
using DataWriter = std::function<bool(CsvWriter& csv)>;
// Why the window has no data to export ("There is no plot to export yet."),
// or empty when it has.
using NothingToExport = std::function<std::string()>;

// The "Export" menu a window appends to its menu bar: "Picture..." and
// "Data (CSV)...". `name` gives the default file name without its extension
// ("corvane-plots"), asked when the item is chosen. A window with nothing to
// export says so and no file is asked for or written.
platform::MenuItem exportMenu(Program& program, platform::Window& window,
                              std::function<std::string()> name, DataWriter data,
                              NothingToExport nothing);

// The two commands on their own.
void exportPicture(Program& program, platform::Window& window, const std::string& name);
void exportData(Program& program, platform::Window& window, const std::string& name,
                const DataWriter& data, const NothingToExport& nothing = {});

// The maps' captions, each once, in the order given, joined by "; ".
std::string distinctCaptions(const std::vector<int>& maps);

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
