#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

namespace quarlink::app {

namespace {

const char kDescription[] =
    "Configures the wireless-LAN module built into a printer over the serial port the printer\n"
    "is attached to: Get Info reads every network and WLAN setting of the module onto the\n"
    "form, Set Info writes the edited settings back.";

const char kEpilogue[] =
    "\nQt's standard options (-platform, -style, -reverse, ...) are accepted as well.\n"
    "\nEnvironment:\n"
    "  QUARLINK_EXTRA_PORTS  Colon-separated device paths listed at the end of the Port\n"
    "                        list: pseudo-terminals and the simulated module, which the\n"
    "                        system does not list.\n"
    "\nTo open a serial adapter the user needs access to its device, usually membership of\n"
    "the dialout group.\n";

void print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

} // namespace

std::optional<int> answerInformationOptions(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform); they must not read as -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    // Answered by the application itself; listed here so that --help names it.
    const QCommandLineOption allCommands(
        QStringLiteral("all-commands"),
        QStringLiteral("Keep the menu bar, and let the network panel search, read and write "
                       "modules in TCP/IP mode."));
    const QCommandLineOption lanModules(
        QStringLiteral("lan-modules"),
        QStringLiteral("With --all-commands: open \"Modules on the LAN\" at start and search."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(allCommands);
    parser.addOption(lanModules);
    parser.parse(arguments); // options it does not know are Qt's, or ignored as before

    if (parser.isSet(help)) {
        // Without an application object the parser cannot know the program's name.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("quarlink"));
        print(text + QString::fromLatin1(kEpilogue));
        return 0;
    }
    if (parser.isSet(version)) {
        print(QStringLiteral("quarlink %1\n").arg(QStringLiteral(QUARLINK_VERSION)));
        return 0;
    }
    return std::nullopt;
}

} // namespace quarlink::app
