// Any sequence of menu commands of all four windows, with any dialog
// answers, against the scripted desktop. After every command the counters
// stay in their ranges, no rescale is left running and every coordinate
// handed to a surface is finite. The Explore menu reaches a recording link
// in place of the explorer's windows, with the map chosen at the time.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "windows/explore_link.h"
#include "windows/functions/form4.h"
#include "windows/histogram/form3.h"
#include "windows/main/form1.h"
#include "windows/program.h"

namespace {

using corvane::fake::FakePlatform;
using corvane::fake::FakeWindow;
using corvane::platform::Answer;
using corvane::platform::MenuItem;

// Answers a student might type; iteration counts stay small so a run is fast.
const std::vector<std::string> kAnswers = {
    "",    "abc",    "1",   "2",      "3",     "4",      "5",      "6",          "7",
    "0",   "-3",     "0.4", "0.5",    "0.6",   "1.5",    "2.5",    "3.5",        "3.9",
    "0.2", "0.3",    "1e3", "1e-300", "1e999", "-1e999", "99999",  "2147483648", "2000000000",
    " 3 ", "4.0001", "1,5", "0x10",   "inf",   "32767",  "-32768", "50",         "1e-10"};
const std::vector<std::string> kIterations = {"",    "x",    "0",  "1",   "2.5",  "10",
                                              "100", "3000", "-5", "1e4", "1e999"};

const std::string& pick(FuzzedDataProvider& input, const std::vector<std::string>& from) {
    return from[input.ConsumeIntegralInRange<std::size_t>(0, from.size() - 1)];
}

void check(bool ok) {
    if (!ok) std::abort();
}

struct RecordingLink : corvane::ExploreLink {
    std::vector<int> opened;
    std::vector<std::pair<int, std::optional<double>>> cobwebs;
    void openBifurcation(int mapChoice) override { opened.push_back(mapChoice); }
    void openCobweb(int mapChoice, std::optional<double> a) override {
        cobwebs.emplace_back(mapChoice, a);
    }
    std::vector<int> feigenbaums;
    void openFeigenbaum(int mapChoice) override { feigenbaums.push_back(mapChoice); }
    std::vector<int> planes;
    void openPlane(int mapChoice) override { planes.push_back(mapChoice); }
    int sessions = 0;
    void openSession() override { ++sessions; }
    void saveSession() override { ++sessions; }
    void openRecentSession() override { ++sessions; }
};

struct Command {
    FakeWindow* window;
    const MenuItem* item;
};

void collect(FakeWindow& w, const std::vector<MenuItem>& items, std::vector<Command>& out) {
    for (const auto& item : items) {
        out.push_back({&w, &item});
        collect(w, item.items, out);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    FakePlatform ui;
    ui.inputSource = [&](const std::string& prompt) -> std::string {
        if (prompt.find("bins") != std::string::npos && input.ConsumeBool()) {
            return std::to_string(input.ConsumeIntegralInRange<std::int64_t>(-5, 3000000000LL));
        }
        return pick(input, kAnswers);
    };
    ui.questionSource = [&](const std::string&) {
        return input.ConsumeBool() ? Answer::Yes : Answer::No;
    };
    // Save dialogs: cancelled, or a file (kept in memory) under the name offered.
    ui.exportSource = [&](const std::string& name) -> std::optional<std::string> {
        if (input.ConsumeBool()) return std::nullopt;
        return "/exports/" + name;
    };
    corvane::Program program(ui);
    RecordingLink explorer;
    program.setExploreLink(&explorer);
    program.startUp();
    const char* names[] = {"Form1", "Form2", "Form3", "Form4"};
    for (int step = 0; step < 40 && input.remaining_bytes() > 0; ++step) {
        for (const char* name : names) {
            if (ui.hasWindow(name)) ui.window(name).setRecording(false);
        }
        const int kind = input.ConsumeIntegralInRange(0, 9);
        if (kind == 0) {
            FakeWindow& main = ui.window("Form1");
            main.field("Text1").setText(pick(input, kAnswers));
            main.field("Text2").setText(pick(input, kAnswers));
            main.field("Text3").setText(pick(input, kIterations));
        } else if (kind == 1) {
            const char* name = names[input.ConsumeIntegralInRange(1, 3)];
            if (ui.hasWindow(name)) ui.window(name).closeByFrame();
        } else {
            std::vector<Command> commands;
            for (const char* name : names) {
                if (ui.hasWindow(name)) {
                    FakeWindow& w = ui.window(name);
                    collect(w, w.menu(), commands);
                }
            }
            const Command& c =
                commands[input.ConsumeIntegralInRange<std::size_t>(0, commands.size() - 1)];
            if (c.item->name == "mnuExit") continue;  // the process would end here
            const std::size_t opened = explorer.opened.size();
            const std::size_t cobwebs = explorer.cobwebs.size();
            const std::size_t feigenbaums = explorer.feigenbaums.size();
            const std::size_t planes = explorer.planes.size();
            const int sessions = explorer.sessions;
            if (c.item->items.empty()) {
                c.window->click(c.item->name);
            } else {
                c.window->open(c.item->name);
            }
            if (c.item->name == "mnuExploreBifurcation") {
                check(explorer.opened.size() == opened + 1);
                check(explorer.opened.back() == program.module.funcChoice);
            } else {
                check(explorer.opened.size() == opened);
            }
            if (c.item->name == "mnuExploreCobweb") {
                check(explorer.cobwebs.size() == cobwebs + 1);
                check(explorer.cobwebs.back().first == program.module.funcChoice);
                // An a is handed on only when it is one the plots would take.
                const std::optional<double> a = explorer.cobwebs.back().second;
                check(!a || (*a >= 0 && *a <= 5));
            } else {
                check(explorer.cobwebs.size() == cobwebs);
            }
            if (c.item->name == "mnuExploreFeigenbaum") {
                check(explorer.feigenbaums.size() == feigenbaums + 1);
                check(explorer.feigenbaums.back() == program.module.funcChoice);
            } else {
                check(explorer.feigenbaums.size() == feigenbaums);
            }
            if (c.item->name == "mnuExplorePlane") {
                check(explorer.planes.size() == planes + 1);
                check(explorer.planes.back() == program.module.funcChoice);
            } else {
                check(explorer.planes.size() == planes);
            }
            const bool session = c.item->name == "mnuExploreOpenSession" ||
                                 c.item->name == "mnuExploreSaveSession" ||
                                 c.item->name == "mnuExploreOpenRecent";
            check(explorer.sessions == sessions + (session ? 1 : 0));
        }
        const corvane::Module1& m = program.module;
        check(m.plotCount >= 0 && m.plotCount <= 6);
        check(m.funcChoice >= 0 && m.funcChoice <= 2);
        corvane::Form3& form3 = program.form3();
        check(form3.histCount >= 0 && form3.histCount <= 6);
        check(form3.rescaleTarget == 0);
        if (program.form4Loaded()) {
            const auto graphs = program.form4().graphCount;
            check(graphs >= 0 && graphs <= 6);
        }
        for (const char* name : names) {
            if (ui.hasWindow(name)) check(ui.window(name).allFinite());
        }
    }
    return 0;
}
