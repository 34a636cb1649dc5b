// The command line, read before any window or display exists: --help and
// --version answer and end the program, a FILE.corvane is a session to open,
// --render draws a session's windows into files without a display, anything
// unknown is a usage error.
#pragma once

#include <QStringList>
#include <optional>
#include <string>

namespace corvane::app {

struct CommandLine {
    bool start = true;   // no option ends the program early
    int exitStatus = 0;  // the program's status when it does not start
    std::string standardOutput;
    std::string standardError;
    // The session to open at the start (FILE.corvane), or to render.
    std::string session;
    // --render FILE.corvane --output DIR [--format png|svg|pdf] [--size WxH].
    struct Render {
        std::string output;
        std::string format = "png";
        int width = 1600;  // pixels of a PNG; the vector formats' size at 96 dpi
        int height = 1000;
    };
    std::optional<Render> render;
};

// The sizes --size takes, each side.
inline constexpr int kLeastRenderSide = 100;
inline constexpr int kMostRenderSide = 16384;

// `arguments` includes the program path first, as argv does. Qt's own options
// (-platform, -style and the rest) are accepted and listed by --help; they are
// left for QApplication to act on.
CommandLine readCommandLine(const QStringList& arguments, const QString& version);
CommandLine readCommandLine(int argc, char** argv, const QString& version);

}  // namespace corvane::app
