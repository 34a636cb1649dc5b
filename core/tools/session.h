// A lesson as a file: the main window's fields and map, and for each tool
// window that is open its model (the explorer's views with their undo
// history and cursor, the cobweb's a, x0, k and n, the Feigenbaum table's
// map and depth, the parameter plane's views with their history, cursor and
// colouring) and where it stood on the screen. Written as JSON
// ("*.corvane") with a format version; read back only whole: a file of a
// newer version, a corrupt or truncated one, or one with a value out of
// range is refused with the reason, and nothing of it is used. A formula
// that no longer compiles is left out with a note, and the rest is used.
//
// The file's form (version 1):
//   { "format": "corvane-session", "version": 1,
//     "main": { "a": "3.7", "x0": "0.2", "n": "200", "map": 1 },
//     "windows": { "explorer": {…}, "cobweb": {…}, "feigenbaum": {…},
//                  "plane": {…} } }
// A window missing from "windows" is closed; a window this version does
// not know is refused (a newer program writes a newer version).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/numeric/map.h"
#include "core/tools/cobweb_model.h"
#include "core/tools/explorer_model.h"
#include "core/tools/plane_model.h"

namespace corvane::tools {

inline constexpr int kSessionVersion = 1;
inline constexpr const char* kSessionFormat = "corvane-session";
// The file name's ending, and the most a session file may hold.
inline constexpr const char* kSessionSuffix = ".corvane";
inline constexpr std::size_t kMostSessionBytes = 64u << 20;
// The longest text a main-window field or a formula may have in a file.
inline constexpr std::size_t kMostFieldText = 200;
inline constexpr std::size_t kMostFormulaText = 4000;
// How far a window may stand from the screen's origin, and how large it may be.
inline constexpr int kFarthestWindow = 100'000;

// Where a window stood: its frame's top-left corner and its size.
struct Geometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Geometry&) const = default;
};

// The main window's three fields as typed and its choice of map (0: none
// yet, 1 or 2).
struct MainPart {
    std::string a;
    std::string x0;
    std::string n;
    int map = 0;
    bool operator==(const MainPart&) const = default;
};

struct ExplorerPart {
    std::vector<View> history;  // oldest first, at most ExplorerModel::kHistoryLimit
    std::size_t at = 0;         // the view shown
    std::optional<double> cursor;
    // The λ strip's range typed into its fields; none: automatic.
    std::optional<Interval> lambda;
    std::optional<Geometry> geometry;
    bool operator==(const ExplorerPart&) const = default;
};

struct CobwebPart {
    Map map;
    double a = 3.2;
    double x0 = 0.2;
    int k = 1;
    std::int64_t n = 50;
    std::optional<Geometry> geometry;
    bool operator==(const CobwebPart&) const = default;
};

inline constexpr int kLeastFeigenbaumN = 2;
struct FeigenbaumPart {
    Map map;
    int mostN = 16;
    std::optional<Geometry> geometry;
    bool operator==(const FeigenbaumPart&) const = default;
};

struct PlanePart {
    std::vector<PlaneView> history;  // oldest first, at most PlaneModel::kHistoryLimit
    std::size_t at = 0;              // the view shown
    std::optional<std::pair<double, double>> cursor;
    PlaneColouring colouring = PlaneColouring::Lyapunov;
    std::optional<Geometry> geometry;
    bool operator==(const PlanePart&) const = default;
};

// What a session holds; a window without its part is closed.
struct Session {
    MainPart main;
    std::optional<ExplorerPart> explorer;
    std::optional<CobwebPart> cobweb;
    std::optional<FeigenbaumPart> feigenbaum;
    std::optional<PlanePart> plane;
    bool operator==(const Session&) const = default;
};

// The parts as the models hold them.
ExplorerPart explorerPart(const ExplorerModel& model);
CobwebPart cobwebPart(const CobwebModel& model);
// The models again; each part read from a file has been checked already.
ExplorerModel explorerModel(const ExplorerPart& part);
PlanePart planePart(const PlaneModel& model);
PlaneModel planeModel(const PlanePart& part);
CobwebModel cobwebModel(const CobwebPart& part);

// The session as the file holds it (JSON, ending in a newline).
std::string writeSession(const Session& session);

struct SessionRead {
    std::optional<Session> session;  // empty when refused
    std::string error;               // why it was refused
    // What was left out of a session that opens: a formula that no longer
    // compiles, with the window or views it belonged to.
    std::vector<std::string> notes;
};

// Reads a session's text: every value checked, formulas compiled.
SessionRead readSession(std::string_view text);
// Reads the file at `path`; the error names the file ("Cannot open
// lesson.corvane: …").
SessionRead readSessionFile(const std::string& path);

}  // namespace corvane::tools
