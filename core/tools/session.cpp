#include "core/tools/session.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "core/numeric/cobweb.h"
#include "core/numeric/custom_map.h"
#include "core/numeric/feigenbaum.h"
#include "core/numeric/number_text.h"

namespace corvane::tools {

using nlohmann::json;

namespace {

// ---- writing ----

json mapJson(const Map& map) {
    switch (map.kind()) {
        case Map::Kind::Logistic:
            return {{"kind", "logistic"}};
        case Map::Kind::Sine:
            return {{"kind", "sine"}};
        case Map::Kind::Formula:
            break;
    }
    const Interval a = map.startParameters(), x = map.xRange();
    return {{"kind", "formula"},
            {"formula", map.caption()},
            {"a", {a.from, a.to}},
            {"x", {x.from, x.to}},
            {"x0", map.startX0()}};
}

void putGeometry(json& part, const std::optional<Geometry>& g) {
    if (g)
        part["geometry"] = {{"x", g->x}, {"y", g->y}, {"width", g->width}, {"height", g->height}};
}

json viewJson(const View& v) {
    return {{"map", mapJson(v.map)},    {"aMin", v.aMin}, {"aMax", v.aMax},
            {"xMin", v.xMin},           {"xMax", v.xMax}, {"x0", v.x0},
            {"transient", v.transient}, {"kept", v.kept}};
}

const char* const kColourings[] = {"lyapunov", "period", "winding"};

json planeViewJson(const PlaneView& v) {
    json j;
    switch (v.map.mode) {
        case plane::Mode::Forcing:
            j = {{"mode", "forcing"}, {"map", mapJson(v.map.map)}, {"sequence", v.map.sequence}};
            break;
        case plane::Mode::TwoParameter:
            j = v.map.isCircle() ? json{{"mode", "circle"}}
                                 : json{{"mode", "formula"}, {"formula", v.map.formula}};
            break;
    }
    j.update({{"pMin", v.pMin},
              {"pMax", v.pMax},
              {"qMin", v.qMin},
              {"qMax", v.qMax},
              {"x0", v.x0},
              {"transient", v.transient},
              {"kept", v.kept}});
    return j;
}

// ---- reading ----

// A refusal of the whole file, with where in it and what is wrong.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void refuse(const std::string& where, const std::string& what) {
    throw Refused(where + ": " + what);
}

const json& member(const json& object, const std::string& where, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) refuse(where, std::string("\"") + key + "\" is missing");
    return *it;
}

// Refuses a key the format does not have (a typo, or a newer program's).
void onlyKeys(const json& object, const std::string& where,
              std::initializer_list<const char*> keys) {
    if (!object.is_object()) refuse(where, "must be an object");
    for (const auto& item : object.items()) {
        if (std::none_of(keys.begin(), keys.end(),
                         [&](const char* k) { return item.key() == k; })) {
            refuse(where, "unknown entry \"" + item.key() + "\"");
        }
    }
}

std::string rangeText(double least, double most) {
    return numberText(least) + " to " + numberText(most);
}

double number(const json& object, const std::string& where, const char* key, double least,
              double most) {
    const json& v = member(object, where, key);
    const std::string at = where + "." + key;
    if (!v.is_number()) refuse(at, "must be a number");
    const double d = v.get<double>();
    if (!(d >= least && d <= most)) {
        refuse(at, numberText(d) + " is out of range (" + rangeText(least, most) + ")");
    }
    return d + 0.0;
}

std::int64_t whole(const json& object, const std::string& where, const char* key,
                   std::int64_t least, std::int64_t most) {
    const json& v = member(object, where, key);
    const std::string at = where + "." + key;
    if (!v.is_number_integer()) refuse(at, "must be a whole number");
    if (v.is_number_unsigned() && v.get<std::uint64_t>() > std::uint64_t(most)) {
        refuse(at, v.dump() + " is out of range (" + std::to_string(least) + " to " +
                       std::to_string(most) + ")");
    }
    const std::int64_t n = v.get<std::int64_t>();
    if (n < least || n > most) {
        refuse(at, std::to_string(n) + " is out of range (" + std::to_string(least) + " to " +
                       std::to_string(most) + ")");
    }
    return n;
}

std::string text(const json& object, const std::string& where, const char* key,
                 std::size_t longest) {
    const json& v = member(object, where, key);
    const std::string at = where + "." + key;
    if (!v.is_string()) refuse(at, "must be a text");
    std::string s = v.get<std::string>();
    if (s.size() > longest) refuse(at, "is longer than " + std::to_string(longest) + " characters");
    return s;
}

Interval interval(const json& object, const std::string& where, const char* key, double farthest) {
    const json& v = member(object, where, key);
    const std::string at = where + "." + key;
    if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number()) {
        refuse(at, "must be two numbers [from, to]");
    }
    const Interval i{v[0].get<double>() + 0.0, v[1].get<double>() + 0.0};
    if (!(i.from >= -farthest && i.to <= farthest)) {
        refuse(at, "must lie within " + rangeText(-farthest, farthest));
    }
    if (!(i.from < i.to)) refuse(at, "must run from a smaller to a larger number");
    return i;
}

std::optional<Geometry> geometry(const json& part, const std::string& where) {
    const auto it = part.find("geometry");
    if (it == part.end()) return std::nullopt;
    const std::string at = where + ".geometry";
    onlyKeys(*it, at, {"x", "y", "width", "height"});
    Geometry g;
    g.x = int(whole(*it, at, "x", -kFarthestWindow, kFarthestWindow));
    g.y = int(whole(*it, at, "y", -kFarthestWindow, kFarthestWindow));
    g.width = int(whole(*it, at, "width", 1, kFarthestWindow));
    g.height = int(whole(*it, at, "height", 1, kFarthestWindow));
    return g;
}

// A map as the file names it, its formula not compiled yet.
struct MapEntry {
    Map::Kind kind = Map::Kind::Logistic;
    std::string formula;
    Interval a, x;
    double x0 = 0;
};

MapEntry mapEntry(const json& part, const std::string& where) {
    const std::string at = where + ".map";
    const json& m = member(part, where, "map");
    if (!m.is_object()) refuse(at, "must be an object");
    const std::string kind = text(m, at, "kind", 20);
    MapEntry entry;
    if (kind == "logistic" || kind == "sine") {
        onlyKeys(m, at, {"kind"});
        entry.kind = kind == "logistic" ? Map::Kind::Logistic : Map::Kind::Sine;
        return entry;
    }
    if (kind != "formula") refuse(at + ".kind", "unknown map \"" + kind + "\"");
    onlyKeys(m, at, {"kind", "formula", "a", "x", "x0"});
    entry.kind = Map::Kind::Formula;
    entry.formula = text(m, at, "formula", kMostFormulaText);
    entry.a = interval(m, at, "a", kFarthestA);
    entry.x = interval(m, at, "x", kFarthestX);
    entry.x0 = number(m, at, "x0", entry.x.from, entry.x.to);
    return entry;
}

// Compiles each formula once; a formula refused is kept with its reason.
class Maps {
public:
    // The map, or the reason its formula does not compile.
    std::pair<std::optional<Map>, std::string> make(const MapEntry& entry) {
        if (entry.kind != Map::Kind::Formula) {
            return {entry.kind == Map::Kind::Sine ? Map::sine() : Map::logistic(), {}};
        }
        auto it = compiled_.find(entry.formula);
        if (it == compiled_.end()) {
            it = compiled_.emplace(entry.formula, custom::CustomMap::compile(entry.formula)).first;
        }
        const custom::CustomMap::Compiled& c = it->second;
        if (!c.map) return {std::nullopt, c.error};
        return {Map::formula(c.map, entry.a, entry.x, entry.x0), {}};
    }

private:
    std::map<std::string, custom::CustomMap::Compiled> compiled_;
};

std::string noLongerCompiles(const MapEntry& entry, const std::string& why) {
    return "The formula " + entry.formula + " no longer compiles (" + why + ")";
}

MainPart mainPart(const json& root) {
    const json& m = member(root, "session", "main");
    onlyKeys(m, "main", {"a", "x0", "n", "map"});
    MainPart part;
    part.a = text(m, "main", "a", kMostFieldText);
    part.x0 = text(m, "main", "x0", kMostFieldText);
    part.n = text(m, "main", "n", kMostFieldText);
    part.map = int(whole(m, "main", "map", 0, 2));
    return part;
}

// A view's values checked against the farthest a and x any map takes: a
// view need not lie within its map's ranges (Feigenbaum's "Show in
// explorer" may go beyond them), only within what the program can draw.
View viewOf(const json& item, const std::string& at, const Map& map) {
    const Interval as{-kFarthestA, kFarthestA}, xs{-kFarthestX, kFarthestX};
    View v;
    v.map = map;
    v.aMin = number(item, at, "aMin", as.from, as.to);
    v.aMax = number(item, at, "aMax", as.from, as.to);
    v.xMin = number(item, at, "xMin", xs.from, xs.to);
    v.xMax = number(item, at, "xMax", xs.from, xs.to);
    v.x0 = number(item, at, "x0", xs.from, xs.to);
    v.transient = whole(item, at, "transient", std::int64_t(transientRule().least), kMostSteps);
    v.kept = whole(item, at, "kept", std::int64_t(keptRule().least), kMostSteps);
    const std::string why = refusal(v);
    if (!why.empty()) refuse(at, why);
    return v;
}

std::optional<ExplorerPart> explorer(const json& part, Maps& maps,
                                     std::vector<std::string>& notes) {
    const std::string where = "windows.explorer";
    onlyKeys(part, where, {"history", "at", "cursor", "lambda", "geometry"});
    const json& history = member(part, where, "history");
    if (!history.is_array() || history.empty()) {
        refuse(where + ".history", "must be a list of one or more views");
    }
    if (history.size() > ExplorerModel::kHistoryLimit) {
        refuse(where + ".history",
               "holds more than " + std::to_string(ExplorerModel::kHistoryLimit) + " views");
    }
    const auto at = std::size_t(whole(part, where, "at", 0, std::int64_t(history.size()) - 1));
    std::optional<double> cursor;
    if (part.contains("cursor") && !part["cursor"].is_null()) {
        cursor = number(part, where, "cursor", -kFarthestA, kFarthestA);
    }
    ExplorerPart out;
    if (part.contains("lambda") && !part["lambda"].is_null()) {
        out.lambda = interval(part, where, "lambda", std::numeric_limits<double>::max());
    }
    out.geometry = geometry(part, where);
    std::size_t shown = 0;
    std::vector<std::string> failed;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const std::string itemAt = where + ".history[" + std::to_string(i) + "]";
        const json& item = history[i];
        onlyKeys(item, itemAt, {"map", "aMin", "aMax", "xMin", "xMax", "x0", "transient", "kept"});
        const MapEntry entry = mapEntry(item, itemAt);
        const auto [map, why] = maps.make(entry);
        if (!map) {
            const std::string note = noLongerCompiles(entry, why);
            if (std::find(failed.begin(), failed.end(), note) == failed.end())
                failed.push_back(note);
            continue;
        }
        if (i <= at) shown = out.history.size();
        out.history.push_back(viewOf(item, itemAt, *map));
    }
    for (const std::string& note : failed)
        notes.push_back(note + ": the explorer's views of it were left out.");
    if (out.history.empty()) return std::nullopt;
    out.at = shown;
    out.cursor = cursor;
    return out;
}

std::optional<CobwebPart> cobweb(const json& part, Maps& maps, std::vector<std::string>& notes) {
    const std::string where = "windows.cobweb";
    onlyKeys(part, where, {"map", "a", "x0", "k", "n", "geometry"});
    const MapEntry entry = mapEntry(part, where);
    CobwebPart out;
    out.geometry = geometry(part, where);
    const auto [map, why] = maps.make(entry);
    if (!map) {
        notes.push_back(noLongerCompiles(entry, why) + ": the cobweb was left closed.");
        return std::nullopt;
    }
    const CobwebModel model(*map);
    out.map = *map;
    const FieldRule a = model.fieldRule("a"), x0 = model.fieldRule("x0");
    out.a = number(part, where, "a", a.least, a.most);
    out.x0 = number(part, where, "x0", x0.least, x0.most);
    out.k = int(whole(part, where, "k", 1, cobweb::kMostFold));
    out.n = whole(part, where, "n", 0, cobweb::kMostSteps);
    return out;
}

std::optional<FeigenbaumPart> feigenbaum(const json& part, Maps& maps,
                                         std::vector<std::string>& notes) {
    const std::string where = "windows.feigenbaum";
    onlyKeys(part, where, {"map", "mostN", "geometry"});
    const MapEntry entry = mapEntry(part, where);
    FeigenbaumPart out;
    out.mostN = int(whole(part, where, "mostN", kLeastFeigenbaumN, feigenbaum::kMostN));
    out.geometry = geometry(part, where);
    const auto [map, why] = maps.make(entry);
    if (!map) {
        notes.push_back(noLongerCompiles(entry, why) +
                        ": the table of Feigenbaum's constants was left closed.");
        return std::nullopt;
    }
    out.map = *map;
    return out;
}

// The plane's views: a forcing sequence's map as the other windows name
// theirs, a formula in x, a and b compiled once for all views naming it.
std::optional<PlanePart> planeOf(const json& part, Maps& maps, std::vector<std::string>& notes) {
    const std::string where = "windows.plane";
    onlyKeys(part, where, {"history", "at", "cursor", "colouring", "geometry"});
    const json& history = member(part, where, "history");
    if (!history.is_array() || history.empty()) {
        refuse(where + ".history", "must be a list of one or more views");
    }
    if (history.size() > PlaneModel::kHistoryLimit) {
        refuse(where + ".history",
               "holds more than " + std::to_string(PlaneModel::kHistoryLimit) + " views");
    }
    const auto at = std::size_t(whole(part, where, "at", 0, std::int64_t(history.size()) - 1));
    PlanePart out;
    if (part.contains("cursor") && !part["cursor"].is_null()) {
        const Interval c = [&] {
            const json& v = part["cursor"];
            if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number()) {
                refuse(where + ".cursor", "must be two numbers [p, q]");
            }
            return Interval{v[0].get<double>() + 0.0, v[1].get<double>() + 0.0};
        }();
        if (!(std::fabs(c.from) <= kFarthestA && std::fabs(c.to) <= kFarthestA)) {
            refuse(where + ".cursor", "must lie within " + rangeText(-kFarthestA, kFarthestA));
        }
        out.cursor = std::pair(c.from, c.to);
    }
    const std::string colouring = text(part, where, "colouring", 20);
    const auto known = std::find(std::begin(kColourings), std::end(kColourings), colouring);
    if (known == std::end(kColourings)) {
        refuse(where + ".colouring", "unknown colouring \"" + colouring + "\"");
    }
    out.colouring = PlaneColouring(known - std::begin(kColourings));
    out.geometry = geometry(part, where);
    std::map<std::string, std::string> twoParameter;  // formula → why it is refused
    std::vector<std::string> failed;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const std::string itemAt = where + ".history[" + std::to_string(i) + "]";
        const json& item = history[i];
        const std::string mode = text(item, itemAt, "mode", 20);
        PlaneView v;
        std::string why;
        if (mode == "forcing") {
            onlyKeys(item, itemAt, {"mode", "map", "sequence", "pMin", "pMax", "qMin", "qMax",
                                    "x0", "transient", "kept"});
            const MapEntry entry = mapEntry(item, itemAt);
            v.map.mode = plane::Mode::Forcing;
            const std::string sequence = text(item, itemAt, "sequence", plane::kLongestSequence);
            v.map.sequence = plane::readSequence(sequence).value_or(sequence);
            const auto [map, refused] = maps.make(entry);
            if (map) {
                v.map.map = *map;
            } else {
                why = noLongerCompiles(entry, refused);
            }
        } else if (mode == "circle") {
            onlyKeys(item, itemAt,
                     {"mode", "pMin", "pMax", "qMin", "qMax", "x0", "transient", "kept"});
            v.map = {plane::Mode::TwoParameter, {}, "", ""};
        } else if (mode == "formula") {
            onlyKeys(item, itemAt, {"mode", "formula", "pMin", "pMax", "qMin", "qMax", "x0",
                                    "transient", "kept"});
            v.map = {plane::Mode::TwoParameter, {}, "",
                     text(item, itemAt, "formula", kMostFormulaText)};
            if (v.map.formula.empty()) refuse(itemAt + ".formula", "must not be empty");
            auto it = twoParameter.find(v.map.formula);
            if (it == twoParameter.end()) {
                const auto compiled = custom::CustomMap::compile(
                    v.map.formula, custom::Compiler::Tree, custom::Variables::XAB);
                it = twoParameter.emplace(v.map.formula, compiled.error).first;
            }
            if (!it->second.empty()) {
                why = "The formula " + v.map.formula + " no longer compiles (" + it->second + ")";
            }
        } else {
            refuse(itemAt + ".mode", "unknown plane \"" + mode + "\"");
        }
        const Interval far{-kFarthestA, kFarthestA};
        v.pMin = number(item, itemAt, "pMin", far.from, far.to);
        v.pMax = number(item, itemAt, "pMax", far.from, far.to);
        v.qMin = number(item, itemAt, "qMin", far.from, far.to);
        v.qMax = number(item, itemAt, "qMax", far.from, far.to);
        v.x0 = number(item, itemAt, "x0", -kFarthestX, kFarthestX);
        v.transient = whole(item, itemAt, "transient", std::int64_t(transientRule().least), kMostSteps);
        v.kept = whole(item, itemAt, "kept", std::int64_t(keptRule().least), kMostSteps);
        if (!why.empty()) {
            if (std::find(failed.begin(), failed.end(), why) == failed.end()) failed.push_back(why);
            continue;
        }
        if (const std::string refused = planeRefusal(v); !refused.empty()) refuse(itemAt, refused);
        if (i <= at) shown = out.history.size();
        out.history.push_back(std::move(v));
    }
    for (const std::string& note : failed) {
        notes.push_back(note + ": the parameter plane's views of it were left out.");
    }
    if (out.history.empty()) return std::nullopt;
    out.at = shown;
    return out;
}

// The parse error's message without the library's prefix.
std::string parseProblem(const json::exception& e) {
    std::string what = e.what();
    const auto at = what.find("] ");
    if (at != std::string::npos) what.erase(0, at + 2);
    return what;
}

}  // namespace

ExplorerPart explorerPart(const ExplorerModel& model) {
    ExplorerPart part;
    part.history = model.history();
    part.at = model.historyAt();
    part.cursor = model.cursor();
    return part;
}

CobwebPart cobwebPart(const CobwebModel& model) {
    CobwebPart part;
    part.map = model.map();
    part.a = model.a();
    part.x0 = model.x0();
    part.k = model.fold();
    part.n = model.steps();
    return part;
}

ExplorerModel explorerModel(const ExplorerPart& part) {
    ExplorerModel model(part.history.at(part.at).map);
    if (!model.restore(part.history, part.at, part.cursor)) {
        throw std::invalid_argument("an explorer history that cannot be shown");
    }
    return model;
}

PlanePart planePart(const PlaneModel& model) {
    PlanePart part;
    part.history = model.history();
    part.at = model.historyAt();
    part.cursor = model.cursor();
    part.colouring = model.colouring();
    return part;
}

PlaneModel planeModel(const PlanePart& part) {
    PlaneModel model(part.history.at(part.at).map);
    if (!model.restore(part.history, part.at, part.cursor, part.colouring)) {
        throw std::invalid_argument("a parameter plane's history that cannot be shown");
    }
    return model;
}

CobwebModel cobwebModel(const CobwebPart& part) {
    CobwebModel model(part.map);
    model.setA(part.a);
    model.setX0(part.x0);
    model.setFold(part.k);
    model.setSteps(part.n);
    return model;
}

std::string writeSession(const Session& s) {
    json root;
    root["format"] = kSessionFormat;
    root["version"] = kSessionVersion;
    root["main"] = {{"a", s.main.a}, {"x0", s.main.x0}, {"n", s.main.n}, {"map", s.main.map}};
    json windows = json::object();
    if (s.explorer) {
        json part;
        json history = json::array();
        for (const View& v : s.explorer->history) history.push_back(viewJson(v));
        part["history"] = std::move(history);
        part["at"] = s.explorer->at;
        part["cursor"] = s.explorer->cursor ? json(*s.explorer->cursor) : json(nullptr);
        if (s.explorer->lambda) part["lambda"] = {s.explorer->lambda->from, s.explorer->lambda->to};
        putGeometry(part, s.explorer->geometry);
        windows["explorer"] = std::move(part);
    }
    if (s.cobweb) {
        json part = {{"map", mapJson(s.cobweb->map)},
                     {"a", s.cobweb->a},
                     {"x0", s.cobweb->x0},
                     {"k", s.cobweb->k},
                     {"n", s.cobweb->n}};
        putGeometry(part, s.cobweb->geometry);
        windows["cobweb"] = std::move(part);
    }
    if (s.feigenbaum) {
        json part = {{"map", mapJson(s.feigenbaum->map)}, {"mostN", s.feigenbaum->mostN}};
        putGeometry(part, s.feigenbaum->geometry);
        windows["feigenbaum"] = std::move(part);
    }
    if (s.plane) {
        json part;
        json history = json::array();
        for (const PlaneView& v : s.plane->history) history.push_back(planeViewJson(v));
        part["history"] = std::move(history);
        part["at"] = s.plane->at;
        part["cursor"] = s.plane->cursor ? json{s.plane->cursor->first, s.plane->cursor->second}
                                         : json(nullptr);
        part["colouring"] = kColourings[int(s.plane->colouring)];
        putGeometry(part, s.plane->geometry);
        windows["plane"] = std::move(part);
    }
    root["windows"] = std::move(windows);
    return root.dump(2) + "\n";
}

SessionRead readSession(std::string_view textIn) {
    SessionRead out;
    json root;
    try {
        root = json::parse(textIn.begin(), textIn.end());
    } catch (const json::exception& e) {
        // Out-of-range numbers (1e999) too.
        out.error = "the file is corrupt or cut short (" + parseProblem(e) + ").";
        return out;
    }
    try {
        if (!root.is_object() || !root.contains("format") || root["format"] != kSessionFormat) {
            out.error = "it is not a Corvane session.";
            return out;
        }
        const json& version = member(root, "session", "version");
        if (!version.is_number_integer()) refuse("version", "must be a whole number from 1");
        // JSON's positive whole numbers read as unsigned.
        const bool newer = version.is_number_unsigned()
                               ? version.get<std::uint64_t>() > std::uint64_t(kSessionVersion)
                               : version.get<std::int64_t>() > kSessionVersion;
        if (!newer && version.get<std::int64_t>() < 1) {
            refuse("version", "must be a whole number from 1");
        }
        if (newer) {
            out.error = "it was written by a newer Corvane (format version " + version.dump() +
                        "; this one reads up to version " + std::to_string(kSessionVersion) + ").";
            return out;
        }
        onlyKeys(root, "session", {"format", "version", "main", "windows"});
        Session s;
        s.main = mainPart(root);
        const json& windows = member(root, "session", "windows");
        onlyKeys(windows, "windows", {"explorer", "cobweb", "feigenbaum", "plane"});
        Maps maps;
        std::vector<std::string> notes;
        if (windows.contains("explorer")) s.explorer = explorer(windows["explorer"], maps, notes);
        if (windows.contains("cobweb")) s.cobweb = cobweb(windows["cobweb"], maps, notes);
        if (windows.contains("feigenbaum")) {
            s.feigenbaum = feigenbaum(windows["feigenbaum"], maps, notes);
        }
        if (windows.contains("plane")) s.plane = planeOf(windows["plane"], maps, notes);
        out.session = std::move(s);
        out.notes = std::move(notes);
    } catch (const Refused& e) {
        out.error = std::string(e.what()) + ".";
    } catch (const json::exception& e) {
        out.error = std::string("the file is corrupt (") + e.what() + ").";
    }
    return out;
}

SessionRead readSessionFile(const std::string& path) {
    SessionRead out;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out.error = "Cannot open " + path + ": " + std::strerror(errno) + ".";
        return out;
    }
    std::string contents;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        contents.append(buffer, std::size_t(in.gcount()));
        if (contents.size() > kMostSessionBytes) {
            out.error = "Cannot open " + path + ": it is larger than a session can be.";
            return out;
        }
    }
    if (in.bad()) {
        out.error = "Cannot open " + path + ": it could not be read.";
        return out;
    }
    out = readSession(contents);
    if (!out.error.empty()) out.error = "Cannot open " + path + ": " + out.error;
    return out;
}

}  // namespace corvane::tools
