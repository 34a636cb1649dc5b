#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <array>
#include <string>

namespace corvane::app {

namespace {

constexpr int usageErrorStatus = 2;

struct QtOption {
    const char* name;
    const char* valueName;  // empty for a flag
    const char* description;
};

// What QGuiApplication and QApplication read from the command line themselves.
constexpr std::array qtOptions = {
    QtOption{"platform", "name[:options]", "Qt platform plugin, e.g. xcb, wayland or offscreen."},
    QtOption{"platformpluginpath", "path", "Path to the Qt platform plugins."},
    QtOption{"platformtheme", "theme", "Qt platform theme."},
    QtOption{"plugin", "plugin", "Additional Qt plugin to load; may be repeated."},
    QtOption{"display", "host:screen", "X11 display to use instead of $DISPLAY."},
    QtOption{"qwindowgeometry", "geometry", "Geometry of the main window, like 100x100+50+50."},
    QtOption{"geometry", "geometry", "Same as -qwindowgeometry (X11)."},
    QtOption{"qwindowicon", "icon", "Default window icon."},
    QtOption{"qwindowtitle", "title", "Title of the first window."},
    QtOption{"style", "style", "Widget style, e.g. Fusion."},
    QtOption{"stylesheet", "file", "Qt style sheet applied to every window."},
    QtOption{"reverse", "", "Lays out from right to left (debugging helper)."},
    QtOption{"widgetcount", "", "Prints the number of widgets left at the end."},
    QtOption{"session", "session", "Restores the program from an earlier session."},
};

QString usage(const QCommandLineParser& parser) {
    // Without a QCoreApplication the parser cannot know the program's name.
    const QString text = parser.helpText();
    return QStringLiteral("Usage: corvane [options]") + text.mid(text.indexOf(u'\n'));
}

std::string bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

CommandLine answer(const QString& text) { return CommandLine{false, 0, bytes(text), {}}; }

CommandLine usageError(const QCommandLineParser& parser, const QString& problem) {
    return CommandLine{false,
                       usageErrorStatus,
                       {},
                       bytes(QStringLiteral("corvane: ") + problem + u'\n' + usage(parser))};
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    // Qt's options take one dash and a whole word: -platform, -style.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Plots orbits, histograms and k-fold maps of the iterated maps\n"
                       "f1(x) = a*x*(1-x) and f2(x) = a*x^2*sin(pi*x) on [0, 1]."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Shows the name and version and exits."));
    parser.addOption(help);
    parser.addOption(versionOption);
    for (const QtOption& option : qtOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(option.name),
                                            QString::fromLatin1(option.description),
                                            QString::fromLatin1(option.valueName)));
    }

    if (!parser.parse(arguments)) return usageError(parser, parser.errorText());
    if (parser.isSet(help)) return answer(usage(parser));
    if (parser.isSet(versionOption)) return answer(QStringLiteral("Corvane ") + version + u'\n');
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(parser, QStringLiteral("Unexpected argument '") +
                                      parser.positionalArguments().constFirst() +
                                      QStringLiteral("'."));
    }
    return {};
}

CommandLine readCommandLine(int argc, char** argv, const QString& version) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    return readCommandLine(arguments, version);
}

}  // namespace corvane::app
