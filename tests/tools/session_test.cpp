// Sessions written and read back: every model equals itself again (random
// ones too), and a file that is corrupt, cut short, of a newer version or
// with a value out of range is refused whole.
#include "core/tools/session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>

#include "core/numeric/custom_map.h"

namespace corvane::tools {
namespace {

using nlohmann::json;

Map formula(const char* text, Interval a, Interval x, double x0) {
    const auto compiled = custom::CustomMap::compile(text);
    EXPECT_TRUE(compiled.map) << compiled.error;
    return Map::formula(compiled.map, a, x, x0);
}

Map gauss() { return formula("exp(-6.2*x^2)+a", {-1, 1}, {-1, 1.5}, 0); }

// An explorer after a random walk of the commands a user gives it.
ExplorerModel randomExplorer(std::mt19937_64& random) {
    const Map maps[] = {Map::logistic(), Map::sine(), gauss()};
    ExplorerModel m(maps[random() % 3]);
    std::uniform_real_distribution<double> unit(0, 1);
    const int steps = int(random() % 60);
    for (int i = 0; i < steps; ++i) {
        const View& v = m.view();
        const double a1 = v.aMin + unit(random) * (v.aMax - v.aMin);
        const double a2 = v.aMin + unit(random) * (v.aMax - v.aMin);
        const double x1 = v.xMin + unit(random) * (v.xMax - v.xMin);
        const double x2 = v.xMin + unit(random) * (v.xMax - v.xMin);
        switch (random() % 7) {
            case 0:
                m.zoomRect(a1, a2, x1, x2);
                break;
            case 1:
                m.wheel(a1, x1, 0.5 + 2 * unit(random));
                break;
            case 2:
                m.undo();
                break;
            case 3:
                m.redo();
                break;
            case 4:
                m.selectMap(maps[random() % 3]);
                break;
            case 5:
                m.setCursor(a1);
                break;
            default: {
                View next = v;
                next.transient = std::int64_t(random() % 5000);
                next.kept = 1 + std::int64_t(random() % 5000);
                next.x0 = x1;
                m.show(next);
            }
        }
    }
    return m;
}

CobwebModel randomCobweb(std::mt19937_64& random) {
    const Map maps[] = {Map::logistic(), Map::sine(), gauss()};
    CobwebModel m(maps[random() % 3]);
    std::uniform_real_distribution<double> unit(0, 1);
    m.setA(m.aRange().from + unit(random) * m.aRange().width());
    m.setX0(m.span().from + unit(random) * (m.span().to - m.span().from));
    m.setFold(1 + int(random() % 64));
    m.setSteps(std::int64_t(random() % 10001));
    return m;
}

plane::PlaneMap circle() { return {plane::Mode::TwoParameter, {}, "", ""}; }

// A parameter plane after a random walk: zooms, wheel turns, Undo, Redo,
// other maps and sequences, a cursor and a colouring.
PlaneModel randomPlane(std::mt19937_64& random) {
    const plane::PlaneMap maps[] = {
        {},
        {plane::Mode::Forcing, gauss(), "ABB", ""},
        circle(),
        {plane::Mode::TwoParameter, {}, "", "a - x*x + b*sin(x)"},
    };
    PlaneModel m(maps[random() % 4]);
    std::uniform_real_distribution<double> unit(0, 1);
    const int steps = int(random() % 30);
    for (int i = 0; i < steps; ++i) {
        const PlaneView& v = m.view();
        const double p = v.pMin + unit(random) * (v.pMax - v.pMin);
        const double q = v.qMin + unit(random) * (v.qMax - v.qMin);
        switch (random() % 6) {
            case 0:
                m.zoomRect(v.pMin, p, q, v.qMax);
                break;
            case 1:
                m.wheel(p, q, 0.5 + unit(random));
                break;
            case 2:
                random() % 2 ? m.undo() : m.redo();
                break;
            case 3: {
                plane::PlaneMap next = maps[random() % 4];
                if (next.mode == plane::Mode::Forcing && random() % 2) next.sequence = "AABAB";
                m.selectMap(next);
                break;
            }
            case 4:
                m.setCursor(p, q);
                break;
            default:
                m.setColouring(PlaneColouring(random() % 3));
        }
    }
    return m;
}

Session lesson() {
    Session s;
    s.main = {"3.7", "0.2", "200", 1};
    ExplorerModel e(Map::logistic());
    e.zoomRect(3.82, 3.86, 0, 1);
    e.setCursor(3.83);
    s.explorer = explorerPart(e);
    s.explorer->geometry = Geometry{10, 20, 1200, 800};
    s.explorer->lambda = Interval{-2, 0.5};
    s.cobweb = cobwebPart(CobwebModel(gauss()));
    s.feigenbaum = FeigenbaumPart{Map::sine(), 12, Geometry{-5, 0, 640, 480}};
    PlaneModel plane;
    plane.selectMap({plane::Mode::Forcing, Map::logistic(), "AABAB", ""});
    plane.zoomRect(3.4, 3.9, 3.0, 3.8);
    plane.setCursor(3.6, 3.5);
    plane.setColouring(PlaneColouring::Period);
    s.plane = planePart(plane);
    s.plane->geometry = Geometry{100, 50, 1000, 760};
    return s;
}

TEST(Session, EverySessionReadsBackAsItWasWritten) {
    std::vector<Session> sessions;
    sessions.push_back(Session{});  // only the main window, nothing typed
    sessions.push_back(lesson());
    std::mt19937_64 random(28);
    for (int i = 0; i < 40; ++i) {
        Session s;
        s.main = {"x" + std::to_string(i), "0,5", "", int(random() % 3)};
        if (random() % 4) {
            s.explorer = explorerPart(randomExplorer(random));
            if (random() % 2) s.explorer->lambda = Interval{-1e300, double(random() % 10)};
        }
        if (random() % 4) s.cobweb = cobwebPart(randomCobweb(random));
        if (random() % 2) s.plane = planePart(randomPlane(random));
        sessions.push_back(std::move(s));
    }
    for (const Session& s : sessions) {
        const std::string written = writeSession(s);
        const SessionRead read = readSession(written);
        ASSERT_TRUE(read.session) << read.error << "\n" << written;
        EXPECT_TRUE(read.notes.empty());
        EXPECT_EQ(*read.session, s) << written;
        EXPECT_EQ(writeSession(*read.session), written);
        // The models made again hold what they held.
        if (s.explorer) {
            const ExplorerModel m = explorerModel(*read.session->explorer);
            EXPECT_EQ(m.history(), s.explorer->history);
            EXPECT_EQ(m.view(), s.explorer->history[s.explorer->at]);
            EXPECT_EQ(m.cursor(), s.explorer->cursor);
        }
        if (s.cobweb) {
            EXPECT_EQ(cobwebPart(cobwebModel(*read.session->cobweb)), *s.cobweb);
        }
        if (s.plane) {
            PlanePart model = *s.plane;
            model.geometry.reset();  // the window's, not the model's
            EXPECT_EQ(planePart(planeModel(*read.session->plane)), model);
        }
    }
}

TEST(Session, AFileThatCannotBeUsedWholeIsRefusedWithTheReason) {
    const std::string good = writeSession(lesson());
    struct Case {
        const char* name;
        std::function<std::string()> text;
        const char* says;
    };
    const auto edited = [&good](std::function<void(json&)> edit) {
        return [good, edit] {
            json j = json::parse(good);
            edit(j);
            return j.dump();
        };
    };
    const Case cases[] = {
        {"truncated", [&] { return good.substr(0, good.size() / 2); }, "corrupt or cut short"},
        {"empty", [] { return std::string(); }, "corrupt or cut short"},
        {"binary", [] { return std::string("\x89PNG\r\n\x1a\n", 8); }, "corrupt or cut short"},
        {"overflowing number",
         [&] { return std::string(good).replace(good.find("1200"), 4, "1e999"); }, "corrupt"},
        {"other JSON", [] { return std::string("[1, 2]"); }, "not a Corvane session"},
        {"newer version", edited([](json& j) { j["version"] = 2; }),
         "written by a newer Corvane (format version 2; this one reads up to version 1)"},
        {"huge version", edited([](json& j) { j["version"] = 18446744073709551615u; }),
         "newer Corvane"},
        {"version as text", edited([](json& j) { j["version"] = "1"; }), "version: must be"},
        {"unknown window", edited([](json& j) { j["windows"]["spreadsheet"] = json::object(); }),
         "windows: unknown entry \"spreadsheet\""},
        {"unknown plane", edited([](json& j) {
             j["windows"]["plane"]["history"][0]["mode"] = "mandelbrot";
         }),
         "windows.plane.history[0].mode: unknown plane \"mandelbrot\""},
        {"sequence of other letters", edited([](json& j) {
             j["windows"]["plane"]["history"][1]["sequence"] = "ABC";
         }),
         "windows.plane.history[1]: The sequence must be 1 to 64 letters A and B."},
        {"plane beyond any map", edited([](json& j) {
             j["windows"]["plane"]["history"][1]["qMax"] = -1e6;
         }),
         "windows.plane.history[1].qMax: -1000000 is out of range"},
        {"plane cursor", edited([](json& j) { j["windows"]["plane"]["cursor"] = 3.5; }),
         "windows.plane.cursor: must be two numbers"},
        {"colouring", edited([](json& j) { j["windows"]["plane"]["colouring"] = "rainbow"; }),
         "windows.plane.colouring: unknown colouring \"rainbow\""},
        {"plane history too long", edited([](json& j) {
             auto& h = j["windows"]["plane"]["history"];
             while (h.size() <= PlaneModel::kHistoryLimit) h.push_back(h[0]);
         }),
         "windows.plane.history: holds more than 100 views"},
        {"unknown entry", edited([](json& j) { j["windows"]["cobweb"]["speed"] = 5; }),
         "windows.cobweb: unknown entry \"speed\""},
        {"k out of range", edited([](json& j) { j["windows"]["cobweb"]["k"] = 65; }),
         "windows.cobweb.k: 65 is out of range (1 to 64)"},
        {"k not whole", edited([](json& j) { j["windows"]["cobweb"]["k"] = 2.5; }),
         "windows.cobweb.k: must be a whole number"},
        {"a beyond the formula's range",
         edited([](json& j) { j["windows"]["cobweb"]["a"] = 1001; }),
         "windows.cobweb.a: 1001 is out of range (-1 to 5)"},
        {"x0 beyond the span", edited([](json& j) { j["windows"]["cobweb"]["x0"] = 2; }),
         "windows.cobweb.x0"},
        {"empty formula range", edited([](json& j) {
             j["windows"]["cobweb"]["map"]["a"] = {1, 1};
         }),
         "windows.cobweb.map.a: must run from a smaller"},
        {"unknown map", edited([](json& j) { j["windows"]["feigenbaum"]["map"]["kind"] = "tent"; }),
         "unknown map \"tent\""},
        {"mostN", edited([](json& j) { j["windows"]["feigenbaum"]["mostN"] = 1; }),
         "windows.feigenbaum.mostN: 1 is out of range (2 to 24)"},
        {"view beyond any map",
         edited([](json& j) { j["windows"]["explorer"]["history"][0]["aMax"] = 1001; }),
         "windows.explorer.history[0].aMax: 1001 is out of range (-1000 to 1000)"},
        {"view turned over", edited([](json& j) {
             auto& v = j["windows"]["explorer"]["history"][1];
             std::swap(v["aMin"], v["aMax"]);
         }),
         "windows.explorer.history[1]: a_min must be less than a_max."},
        {"K = 0", edited([](json& j) { j["windows"]["explorer"]["history"][0]["kept"] = 0; }),
         "kept: 0 is out of range"},
        {"at past the history", edited([](json& j) { j["windows"]["explorer"]["at"] = 2; }),
         "windows.explorer.at: 2 is out of range (0 to 1)"},
        {"lambda turned over", edited([](json& j) {
             j["windows"]["explorer"]["lambda"] = {0.5, -2};
         }),
         "windows.explorer.lambda: must run from a smaller"},
        {"empty history",
         edited([](json& j) { j["windows"]["explorer"]["history"] = json::array(); }),
         "one or more views"},
        {"window off every screen",
         edited([](json& j) { j["windows"]["explorer"]["geometry"]["width"] = 0; }),
         "windows.explorer.geometry.width: 0 is out of range"},
        {"field too long",
         edited([](json& j) { j["main"]["a"] = std::string(kMostFieldText + 1, '3'); }),
         "main.a: is longer than 200 characters"},
        {"main map", edited([](json& j) { j["main"]["map"] = 3; }), "main.map: 3 is out of range"},
        {"main missing", edited([](json& j) { j.erase("main"); }), "\"main\" is missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SessionRead read = readSession(c.text());
        EXPECT_FALSE(read.session);
        EXPECT_NE(read.error.find(c.says), std::string::npos) << read.error;
    }
}

TEST(Session, AFormulaThatNoLongerCompilesIsLeftOutAndTheRestOpens) {
    Session s = lesson();
    json j = json::parse(writeSession(s));
    // The explorer showed the formula between two views of the logistic map.
    json formulaView = j["windows"]["explorer"]["history"][0];
    formulaView["map"] = {
        {"kind", "formula"}, {"formula", "sni(x)*a"}, {"a", {0, 4}}, {"x", {0, 1}}, {"x0", 0.5}};
    j["windows"]["explorer"]["history"].insert(j["windows"]["explorer"]["history"].begin() + 1,
                                               formulaView);
    j["windows"]["explorer"]["at"] = 1;
    j["windows"]["cobweb"]["map"]["formula"] = "sni(x)*a";
    // The plane showed a formula in x, a and b that no longer compiles, and
    // only that: it stays closed.
    j["windows"]["plane"]["history"] = json::array(
        {{{"mode", "formula"}, {"formula", "a*x*c"}, {"pMin", 0}, {"pMax", 1}, {"qMin", 0},
          {"qMax", 1}, {"x0", 0.5}, {"transient", 10}, {"kept", 10}}});
    j["windows"]["plane"]["at"] = 0;
    const SessionRead read = readSession(j.dump());
    ASSERT_TRUE(read.session) << read.error;
    ASSERT_EQ(read.notes.size(), 3u);
    EXPECT_NE(read.notes[2].find("a*x*c no longer compiles"), std::string::npos) << read.notes[2];
    EXPECT_FALSE(read.session->plane);
    EXPECT_NE(read.notes[0].find("sni(x)*a no longer compiles (unknown function"),
              std::string::npos)
        << read.notes[0];
    EXPECT_NE(read.notes[0].find("explorer"), std::string::npos);
    EXPECT_NE(read.notes[1].find("cobweb was left closed"), std::string::npos);
    EXPECT_FALSE(read.session->cobweb);
    // The view shown was the formula's: the one before it is shown instead.
    EXPECT_EQ(read.session->explorer->history, s.explorer->history);
    EXPECT_EQ(read.session->explorer->at, 0u);
    EXPECT_EQ(read.session->feigenbaum, s.feigenbaum);
    EXPECT_EQ(read.session->main, s.main);
}

TEST(Session, AFileIsNamedInEveryRefusal) {
    const std::string path = ::testing::TempDir() + "session_test.corvane";
    {
        std::ofstream out(path, std::ios::binary);
        out << writeSession(lesson()).substr(0, 100);
    }
    SessionRead read = readSessionFile(path);
    EXPECT_FALSE(read.session);
    EXPECT_EQ(read.error.rfind("Cannot open " + path + ": the file is corrupt or cut short", 0), 0u)
        << read.error;
    {
        std::ofstream out(path, std::ios::binary);
        out << writeSession(lesson());
    }
    read = readSessionFile(path);
    ASSERT_TRUE(read.session) << read.error;
    EXPECT_EQ(*read.session, lesson());
    std::remove(path.c_str());
    read = readSessionFile(path);
    EXPECT_EQ(read.error, "Cannot open " + path + ": No such file or directory.");
}

}  // namespace
}  // namespace corvane::tools
