// quarlink-cli: every function of the program from a shell, on the window's engines. The first
// argument names the subcommand; the rest are its options.
#include "cli/Subcommands.h"
#include "cli/TraceOptions.h"
#include "os/Process.h"

#include <QCoreApplication>

using namespace quarlink::cli;

namespace {

void printProgramHelp()
{
    QString text =
        QStringLiteral("Usage: quarlink-cli COMMAND [options]\n\n"
                       "Configures the wireless-LAN module of a printer from a shell.\n\n"
                       "Commands:\n");
    for (const Subcommand& s : subcommands())
        text += QStringLiteral("  %1 %2\n")
                    .arg(QLatin1String(s.name), -10)
                    .arg(QLatin1String(s.summary));
    text +=
        QStringLiteral("\nEvery command takes --trace, which writes each frame and datagram sent "
                       "and received to standard error, or --trace-file FILE.");
    text += QStringLiteral("\n'quarlink-cli COMMAND --help' describes a command's options; "
                           "'quarlink-cli --version' prints the version.\n"
                           "Exit status: 0 success, 1 the module or the line failed, "
                           "2 bad usage or a bad document.");
    printOut(text);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    quarlink::os::prepareConsoleOutput(); // a closed pipe must not kill a session; UTF-8 out
    QStringList args = app.arguments().mid(1);
    QString traceError;
    if (!takeTraceOptions(args, traceError)) {
        printError(QStringLiteral("quarlink-cli: ") + traceError);
        return kExitUsage;
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        printProgramHelp();
        return args.isEmpty() ? kExitUsage : kExitSuccess;
    }
    if (args.first() == QLatin1String("--version")) {
        // The version of the whole program set, the one the window's --version prints.
        printOut(QStringLiteral("quarlink-cli %1").arg(QStringLiteral(QUARLINK_VERSION)));
        return kExitSuccess;
    }
    const Subcommand* subcommand = findSubcommand(args.first());
    if (!subcommand) {
        printError(QStringLiteral("quarlink-cli: unknown command '%1'").arg(args.first()));
        printError(QStringLiteral("Try 'quarlink-cli --help'."));
        return kExitUsage;
    }
    return subcommand->run(Invocation{args.first(), args.mid(1)});
}
