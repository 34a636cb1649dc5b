// The command line, read before any window or display exists: --help and
// --version answer and end the program, anything unknown is a usage error.
#pragma once

#include <QStringList>
#include <string>

namespace corvane::app {

struct CommandLine {
    bool start = true;   // no option ends the program early
    int exitStatus = 0;  // the program's status when it does not start
    std::string standardOutput;
    std::string standardError;
};

// `arguments` includes the program path first, as argv does. Qt's own options
// (-platform, -style and the rest) are accepted and listed by --help; they are
// left for QApplication to act on.
CommandLine readCommandLine(const QStringList& arguments, const QString& version);
CommandLine readCommandLine(int argc, char** argv, const QString& version);

}  // namespace corvane::app
