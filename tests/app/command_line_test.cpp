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
    const std::string usage = "Usage: corvane [options] [FILE.corvane]\n";
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
        {{"a.corvane", "b.corvane"}, false, 2, "", "corvane: Unexpected argument 'b.corvane'.\n" + usage},
        {{"--render", "a.corvane"}, false, 2, "", "corvane: --render needs --output DIR.\n" + usage},
        {{"--output", "out"}, false, 2, "", "corvane: --output belongs with --render.\n" + usage},
        {{"a.corvane", "--size", "10x10"}, false, 2, "", "corvane: --size belongs with --render."},
        {{"--render", "a.corvane", "--output", "o", "--format", "jpg"}, false, 2, "",
         "corvane: --format takes png, svg or pdf, not 'jpg'."},
        {{"--render", "a.corvane", "--output", "o", "--size", "800x"}, false, 2, "",
         "corvane: --size takes WxH, each from 100 to 16384 pixels, not '800x'."},
        {{"--render", "a.corvane", "--output", "o", "--size", "99999999999x10"}, false, 2, "",
         "corvane: --size takes WxH"},
        {{"--render", "a.corvane", "--output", "o", "b.corvane"}, false, 2, "",
         "corvane: Unexpected argument 'b.corvane'."},
        {{"--render", "a.corvane", "--output", "o", "--size", "640x480", "--format", "SVG"}, true,
         0, "", ""},
        {{"-platform", "xcb", "lessons/period 3.corvane"}, true, 0, "", ""},
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

TEST(CommandLine, TakesASessionToOpenOrToRender) {
    CommandLine line = read({"lessons/period 3.corvane"});
    EXPECT_EQ(line.session, "lessons/period 3.corvane");
    EXPECT_FALSE(line.render);
    line = read({"--render", "x.corvane", "--output", "out", "--format", "SVG", "--size",
                 "640x480"});
    ASSERT_TRUE(line.render);
    EXPECT_EQ(line.session, "x.corvane");
    EXPECT_EQ(line.render->output, "out");
    EXPECT_EQ(line.render->format, "svg");
    EXPECT_EQ(line.render->width, 640);
    EXPECT_EQ(line.render->height, 480);
    line = read({"--render=x.corvane", "--output=out"});
    ASSERT_TRUE(line.render);
    EXPECT_EQ(line.render->format, "png");
}

TEST(CommandLine, HelpListsTheProgramsAndQtsOptions) {
    const std::string help = read({"--help"}).standardOutput;
    for (const char* option : {"-h, --help", "-v, --version", "--platform <name[:options]>",
                               "--display <host:screen>", "--style <style>", "--reverse",
                               "--render <FILE.corvane>", "--output <DIR>", "--size <WxH>"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option << " in\n" << help;
    }
}

}  // namespace
}  // namespace corvane::app
