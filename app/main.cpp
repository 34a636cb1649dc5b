// The corvane program: the windows on the Qt desktop.

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "app/command_line.h"
#include "app/explore_wiring.h"
#include "app/render.h"
#include "help/help.h"
#include "platform/qt/qt_platform.h"
#include "windows/program.h"

namespace {

// SIGTERM and SIGINT end the program through the event loop: the handler only
// writes a byte into this socket pair, whose other end the loop watches.
int signalSockets[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalSockets[1], &byte, 1);
    errno = saved;
}

bool setUpSignalSockets() {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) return false;
    fcntl(signalSockets[1], F_SETFL, fcntl(signalSockets[1], F_GETFL) | O_NONBLOCK);
    fcntl(signalSockets[0], F_SETFL, fcntl(signalSockets[0], F_GETFL) | O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

bool nonEmpty(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// Qt aborts when it cannot reach a display; say so plainly instead, for the
// common case of a shell without one. An explicitly chosen platform (the
// QT_QPA_PLATFORM variable or -platform) is left to Qt.
bool displayConfigured(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform") return true;
    }
    return nonEmpty("QT_QPA_PLATFORM") || nonEmpty("DISPLAY") || nonEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    const corvane::app::CommandLine commandLine =
        corvane::app::readCommandLine(argc, argv, QStringLiteral(CORVANE_VERSION));
    if (!commandLine.start) {
        std::fputs(commandLine.standardOutput.c_str(), stdout);
        std::fputs(commandLine.standardError.c_str(), stderr);
        return commandLine.exitStatus;
    }

    // --render draws without a display, on Qt's offscreen platform.
    if (commandLine.render) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    if (!displayConfigured(argc, argv)) {
        std::fprintf(stderr,
                     "corvane: no display found (DISPLAY is not set); start it under a desktop "
                     "session or Xvfb\n");
        return 1;
    }

    // A print server that drops the connection must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    // The installed menu entry and icon (data/) carry this name.
    QApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.corvane.Corvane")));
    // Only the program ends the program (closing its main window does).
    QApplication::setQuitOnLastWindowClosed(false);

    if (commandLine.render) {
        corvane::platform::QtPlatform platform;
        return corvane::app::renderSession(platform, commandLine.session, *commandLine.render,
                                           stdout, stderr);
    }

    corvane::platform::QtPlatform platform;

    std::unique_ptr<QSocketNotifier> terminationWatch;
    if (setUpSignalSockets()) {
        terminationWatch =
            std::make_unique<QSocketNotifier>(signalSockets[0], QSocketNotifier::Read);
        QObject::connect(terminationWatch.get(), &QSocketNotifier::activated, [&platform] {
            char buffer[16];
            while (read(signalSockets[0], buffer, sizeof buffer) > 0) {
            }
            platform.endProgram();
        });
    } else {
        std::perror("corvane: cannot watch for termination signals");
    }

    // The guide and About; F1 opens the guide from every window.
    corvane::help::Help help([&platform] { return platform.dialogOwner(); });
    corvane::help::HelpKey helpKey(help);
    app.installEventFilter(&helpKey);

    corvane::Program program(platform);
    corvane::ExploreWiring explore(program);
    program.setExploreLink(&explore);
    program.setHelpLink(&help);
    program.startUp();
    platform.flushDrawing();
    if (platform.endRequested()) return 0;
    // corvane FILE.corvane: the lesson opens over the main window.
    if (!commandLine.session.empty()) {
        explore.openSessionFrom(platform.dialogOwner(),
                                QString::fromLocal8Bit(commandLine.session.c_str()));
    }
    return QApplication::exec();
}
