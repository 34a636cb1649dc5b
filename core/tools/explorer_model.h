// The bifurcation explorer's state without its window: the view shown, the
// history that Undo and Redo walk, the a-cursor, and the rules every new
// view must keep. The window draws what this holds; the monkey fuzzer
// drives it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/numeric/map.h"
#include "core/tools/field_check.h"
#include "core/tools/view_history.h"

namespace corvane::tools {

// What the explorer shows: the map, the window onto the (a, x) plane and the
// orbit's start and lengths.
struct View {
    Map map;
    double aMin = 2.5;
    double aMax = 4.0;
    double xMin = 0.0;
    double xMax = 1.0;
    double x0 = 0.5;
    std::int64_t transient = 1000;
    std::int64_t kept = 1000;

    bool operator==(const View&) const = default;
};

// The map's start view: its start range of a across its x-range, x0 its
// start (the built-in maps' critical point).
View startView(const Map& map);

// The most steps T and K take; K = 0 would leave nothing to draw.
inline constexpr std::int64_t kMostSteps = 100'000'000;
const FieldRule& transientRule();
const FieldRule& keptRule();
// A view narrower than this share of its a (or x) is beyond what doubles
// resolve across a picture's columns.
inline constexpr double kNarrowest = 1e-13;
bool tooNarrow(double lo, double hi);

// Why a view cannot be shown, as the window says it; empty when it can.
std::string refusal(const View& view);

class ExplorerModel {
public:
    static constexpr std::size_t kHistoryLimit = 1000;

    explicit ExplorerModel(const Map& map);

    const View& view() const { return history_.current(); }
    // Shows `view` as the next step of the history (Redo's steps are
    // dropped); the refusal, with nothing changed, when refusal() gives one.
    std::string show(const View& view);
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool undo();
    bool redo();
    std::size_t historySize() const { return history_.size(); }
    // The history, oldest first, and the index of the view shown in it.
    const std::vector<View>& history() const { return history_.views(); }
    std::size_t historyAt() const { return history_.at(); }
    // Takes a history back (a session read from a file): at most
    // kHistoryLimit views, each one refusal() lets through, `at` one of
    // them; the cursor kept while the view shown holds it. False with
    // nothing changed otherwise.
    bool restore(std::vector<View> history, std::size_t at, std::optional<double> cursor);

    // The a and x the fields and the wheel take for the map shown.
    Interval aLimits() const { return view().map.parameterRange(); }
    Interval xLimits() const { return view().map.xRange(); }

    // The start view of the map shown.
    std::string home() { return show(startView(view().map)); }
    // The rectangle spanned by two corners.
    std::string zoomRect(double a1, double a2, double x1, double x2);
    // Zooms by `factor` about a (and x when given), stopping at the ranges
    // the fields take; nothing when the view stays the same.
    std::string wheel(double a, std::optional<double> x, double factor);
    // Another map from its start view; nothing when it is shown already.
    std::string selectMap(const Map& map);

    // The a-cursor: a finite a, kept while it lies in the view.
    const std::optional<double>& cursor() const { return cursor_; }
    bool setCursor(double a);
    // Drops the cursor when the view no longer holds it; true when dropped.
    bool keepCursorInView();

private:
    ViewHistory<View> history_;
    std::optional<double> cursor_;
};

}  // namespace corvane::tools
