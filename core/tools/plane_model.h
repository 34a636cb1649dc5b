// The parameter plane's state without its window: the view shown, the
// history Undo and Redo walk (100 steps), the cursor, what the pixels are
// coloured by, and the wording of its readouts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/numeric/plane.h"
#include "core/tools/view_history.h"

namespace corvane::tools {

// What a pixel's colour shows.
enum class PlaneColouring : std::uint8_t { Lyapunov, Period, Winding };

struct PlaneView {
    plane::PlaneMap map;
    // p across (A, Ω or a), q up (B, K or b).
    double pMin = 2, pMax = 4, qMin = 2, qMax = 4;
    double x0 = 0.5;
    std::int64_t transient = 1000;
    std::int64_t kept = 1000;

    plane::Orbit orbit() const { return {x0, transient, kept}; }
    bool operator==(const PlaneView&) const = default;
};

// The map's start view: f1's forcing plane over [2, 4] × [2, 4]; another
// map's over its start range of a both ways; the sine-circle map over Ω in
// [0, 1] and K in [0, 4π]; a formula in x, a and b over [0, 4] × [0, 4].
PlaneView startPlaneView(const plane::PlaneMap& map);

// The names of the two parameters: A and B, Ω and K, or a and b.
struct ParameterNames {
    std::string p, q;
};
ParameterNames parameterNames(const plane::PlaneMap& map);

// Why a view cannot be shown, as the window says it; empty when it can.
std::string planeRefusal(const PlaneView& view);

// The hover readout: "A = 3.2, B = 3.8: λ = -0.1234, period 2".
std::string planeReadout(const PlaneView& view, double p, double q,
                         const plane::PointOutcome& outcome);

class PlaneModel {
public:
    static constexpr std::size_t kHistoryLimit = 100;

    explicit PlaneModel(const plane::PlaneMap& map = {});

    const PlaneView& view() const { return history_.current(); }
    std::string show(const PlaneView& view);
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool undo();
    bool redo();
    std::size_t historySize() const { return history_.size(); }
    // The history, oldest first, and the index of the view shown in it.
    const std::vector<PlaneView>& history() const { return history_.views(); }
    std::size_t historyAt() const { return history_.at(); }
    // Takes a history back (a session read from a file): at most
    // kHistoryLimit views, each one planeRefusal() lets through, `at` one
    // of them; the cursor kept while the view shown holds it. False with
    // nothing changed otherwise.
    bool restore(std::vector<PlaneView> history, std::size_t at,
                 std::optional<std::pair<double, double>> cursor, PlaneColouring colouring);

    std::string home() { return show(startPlaneView(view().map)); }
    std::string zoomRect(double p1, double p2, double q1, double q2);
    // Zooms by `factor` about (p, q); nothing when the view stays the same.
    std::string wheel(double p, double q, double factor);
    // Another map (or sequence) from its start view; the same map's view
    // when only the sequence changed.
    std::string selectMap(const plane::PlaneMap& map);

    // The cursor: a point of the view, dropped when the view leaves it.
    const std::optional<std::pair<double, double>>& cursor() const { return cursor_; }
    bool setCursor(double p, double q);
    bool keepCursorInView();

    PlaneColouring colouring() const { return colouring_; }
    // Winding numbers only for the sine-circle map: another map's
    // colouring falls back to the exponent.
    void setColouring(PlaneColouring c);

private:
    ViewHistory<PlaneView> history_;
    std::optional<std::pair<double, double>> cursor_;
    PlaneColouring colouring_ = PlaneColouring::Lyapunov;
};

}  // namespace corvane::tools
