#include "explore/explore_export.h"

#include "core/numeric/csv.h"
#include "gui/export.h"

namespace corvane::explore {

namespace {

// The explorer's view as a data file's parameters.
std::string parameters(const View& view, int columns) {
    return "a from " + exactNumber(view.aMin) + " to " + exactNumber(view.aMax) + " in " +
           std::to_string(columns) + " columns; x0 = " + exactNumber(view.x0) +
           "; T = " + std::to_string(view.transient) + "; K = " + std::to_string(view.kept);
}

}  // namespace

platform::ExportOutcome writeLyapunovCsv(const View& view, const ColumnData& data,
                                         const std::string& path) {
    return gui::saveData(path, [&](platform::TextSink& sink) {
        std::string text =
            csvAbout({"the Lyapunov exponent of each column of the bifurcation diagram",
                      "f(x) = " + view.map.caption(), parameters(view, data.columns)});
        text += csvComment("a: the column's centre; lambda: the mean of ln|f'| over the K kept "
                           "iterates (-inf superstable; inf escaped)");
        text += "a,lambda\n";
        for (int c = 0; c < data.columns; ++c) {
            appendCsvNumber(text, bifurcation::columnA(view.aMin, view.aMax, c, data.columns));
            text += ',';
            appendCsvNumber(text, data.outcomes[std::size_t(c)].lyapunov);
            text += '\n';
        }
        sink.write(text);
        return true;
    });
}

platform::ExportOutcome writeKeptValuesCsv(const View& view, int columns, int rows,
                                           const std::string& path,
                                           const std::function<bool(double done)>& progress) {
    const bifurcation::OrbitSetup setup = orbitSetup(view, rows);
    return gui::saveData(path, [&](platform::TextSink& sink) {
        std::string text =
            csvAbout({"the kept iterates of each column of the bifurcation diagram",
                      "f(x) = " + view.map.caption(), parameters(view, columns)});
        text += "a,x\n";
        for (int c = 0; c < columns; ++c) {
            const double a = bifurcation::columnA(view.aMin, view.aMax, c, columns);
            std::string prefix;
            appendCsvNumber(prefix, a);
            prefix += ',';
            // One column at a time, handed on in pieces of about a
            // megabyte: the file never waits in memory.
            auto visit = [&](double x) {
                text += prefix;
                appendCsvNumber(text, x);
                text += '\n';
                if (text.size() >= (1u << 20)) {
                    sink.write(text);
                    text.clear();
                }
            };
            bifurcation::visitKept(setup, a, visit);
            if (progress && !progress(double(c + 1) / columns)) return false;
        }
        sink.write(text);
        return true;
    });
}

platform::ExportOutcome writeDensityCsv(const density::Histogram& histogram,
                                        const std::string& path) {
    return gui::saveData(path, [&](platform::TextSink& sink) {
        CsvWriter out([&](std::string_view piece) { sink.write(piece); });
        density::writeCsv(histogram, out);
        return true;
    });
}

}  // namespace corvane::explore
