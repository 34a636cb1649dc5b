#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::app {
namespace {

const QString kVersion = QStringLiteral("9.8.7");

CommandLine read(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/corvane");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    return readCommandLine(static_cast<int>(argv.size()), argv.data(), kVersion);
}

struct Case {
    std::vector<std::string> arguments;
    bool start;
    int status;
    std::string outputStart;  // what standard output begins with
    std::string errorStart;   // what standard error begins with
};

TEST(CommandLine, StartsAnswersOrRefuses) {
    const std::string usage = "Usage: corvane [options]\n";
    const Case cases[] = {
        {{}, true, 0, "", ""},
        // Qt's own options are left for QApplication, in every spelling.
        {{"-platform", "offscreen"}, true, 0, "", ""},
        {{"--platform=offscreen"}, true, 0, "", ""},
        {{"-style", "Fusion", "-reverse", "-display", ":1"}, true, 0, "", ""},
        {{"-plugin", "a", "-plugin", "b"}, true, 0, "", ""},
        {{"--version"}, false, 0, "Corvane 9.8.7\n", ""},
        {{"-v"}, false, 0, "Corvane 9.8.7\n", ""},
        {{"--help"}, false, 0, usage, ""},
        {{"-h"}, false, 0, usage, ""},
        {{"-platform", "xcb", "--help"}, false, 0, usage, ""},
        {{"--bogus"}, false, 2, "", "corvane: Unknown option 'bogus'.\n" + usage},
        {{"-vh"}, false, 2, "", "corvane: Unknown option 'vh'.\n" + usage},
        {{"--help", "--bogus"}, false, 2, "", "corvane: Unknown option 'bogus'.\n" + usage},
        {{"-platform"}, false, 2, "", "corvane: Missing value after '-platform'.\n" + usage},
        {{"lesson.txt"}, false, 2, "", "corvane: Unexpected argument 'lesson.txt'.\n" + usage},
    };
    for (const Case& c : cases) {
        std::string arguments;
        for (const std::string& argument : c.arguments) arguments += argument + ' ';
        SCOPED_TRACE(arguments);
        const CommandLine line = read(c.arguments);
        EXPECT_EQ(line.start, c.start);
        EXPECT_EQ(line.exitStatus, c.status);
        EXPECT_EQ(line.standardOutput.substr(0, c.outputStart.size()), c.outputStart);
        EXPECT_EQ(line.standardError.substr(0, c.errorStart.size()), c.errorStart);
        EXPECT_EQ(line.standardOutput.empty(), c.outputStart.empty());
        EXPECT_EQ(line.standardError.empty(), c.errorStart.empty());
    }
}

TEST(CommandLine, HelpListsTheProgramsAndQtsOptions) {
    const std::string help = read({"--help"}).standardOutput;
    for (const char* option : {"-h, --help", "-v, --version", "--platform <name[:options]>",
                               "--display <host:screen>", "--style <style>", "--reverse"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option << " in\n" << help;
    }
}

}  // namespace
}  // namespace corvane::app
