#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <array>
#include <string>
#include <utility>

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
    return QStringLiteral("Usage: corvane [options] [FILE.corvane]") + text.mid(text.indexOf(u'\n'));
}

std::string bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

CommandLine ending(int status, std::string output, std::string error) {
    CommandLine line;
    line.start = false;
    line.exitStatus = status;
    line.standardOutput = std::move(output);
    line.standardError = std::move(error);
    return line;
}

CommandLine answer(const QString& text) { return ending(0, bytes(text), {}); }

CommandLine usageError(const QCommandLineParser& parser, const QString& problem) {
    return ending(usageErrorStatus, {},
                  bytes(QStringLiteral("corvane: ") + problem + u'\n' + usage(parser)));
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
    const QCommandLineOption render(
        QStringLiteral("render"),
        QStringLiteral("Draws each window of the session into --output, without a display, "
                       "and exits."),
        QStringLiteral("FILE.corvane"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("The folder --render writes into."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("The pictures' format for --render: png (the default), svg or pdf."),
        QStringLiteral("png|svg|pdf"));
    const QCommandLineOption size(
        QStringLiteral("size"),
        QStringLiteral("The pictures' size for --render in pixels (default 1600x1000)."),
        QStringLiteral("WxH"));
    parser.addOption(help);
    parser.addOption(versionOption);
    for (const QCommandLineOption* option : {&render, &output, &format, &size}) {
        parser.addOption(*option);
    }
    parser.addPositionalArgument(QStringLiteral("FILE.corvane"),
                                 QStringLiteral("A session to open (a lesson)."));
    for (const QtOption& option : qtOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(option.name),
                                            QString::fromLatin1(option.description),
                                            QString::fromLatin1(option.valueName)));
    }

    if (!parser.parse(arguments)) return usageError(parser, parser.errorText());
    if (parser.isSet(help)) return answer(usage(parser));
    if (parser.isSet(versionOption)) return answer(QStringLiteral("Corvane ") + version + u'\n');
    CommandLine line;
    const QStringList positional = parser.positionalArguments();
    for (const QString& argument : positional) {
        if (argument.endsWith(QLatin1String(".corvane")) && line.session.empty() &&
            !parser.isSet(render)) {
            line.session = argument.toStdString();
            continue;
        }
        return usageError(parser,
                          QStringLiteral("Unexpected argument '") + argument + QStringLiteral("'."));
    }
    if (!parser.isSet(render)) {
        for (const QCommandLineOption* option : {&output, &format, &size}) {
            if (parser.isSet(*option)) {
                return usageError(parser, QStringLiteral("--") + option->names().constFirst() +
                                              QStringLiteral(" belongs with --render."));
            }
        }
        return line;
    }
    CommandLine::Render r;
    line.session = parser.value(render).toStdString();
    if (!parser.isSet(output) || parser.value(output).isEmpty()) {
        return usageError(parser, QStringLiteral("--render needs --output DIR."));
    }
    r.output = parser.value(output).toStdString();
    if (parser.isSet(format)) {
        const QString f = parser.value(format).toLower();
        if (f != QLatin1String("png") && f != QLatin1String("svg") && f != QLatin1String("pdf")) {
            return usageError(parser, QStringLiteral("--format takes png, svg or pdf, not '") +
                                          parser.value(format) + QStringLiteral("'."));
        }
        r.format = f.toStdString();
    }
    if (parser.isSet(size)) {
        static const QRegularExpression wxh(QStringLiteral("^([0-9]{1,9})x([0-9]{1,9})$"));
        const QRegularExpressionMatch m = wxh.match(parser.value(size));
        const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
        const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (w < kLeastRenderSide || w > kMostRenderSide || h < kLeastRenderSide ||
            h > kMostRenderSide) {
            return usageError(parser, QStringLiteral("--size takes WxH, each from %1 to %2 "
                                                     "pixels, not '%3'.")
                                          .arg(kLeastRenderSide)
                                          .arg(kMostRenderSide)
                                          .arg(parser.value(size)));
        }
        r.width = w;
        r.height = h;
    }
    line.render = r;
    return line;
}

CommandLine readCommandLine(int argc, char** argv, const QString& version) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    return readCommandLine(arguments, version);
}

}  // namespace corvane::app
