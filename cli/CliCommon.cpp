#include "cli/CliCommon.h"

#include "cli/TraceOptions.h"

#include <QCoreApplication>

#include <cstdio>

namespace quarlink::cli {

namespace {
const QString kProgram = QStringLiteral("quarlink-cli");
} // namespace

void printOut(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void printError(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
}

void printError(const std::string& line)
{
    printError(QString::fromStdString(line));
}

int usageError(const Invocation& invocation, const QString& message)
{
    printError(QStringLiteral("quarlink-cli %1: %2").arg(invocation.command, message));
    printError(QStringLiteral("Try 'quarlink-cli %1 --help'.").arg(invocation.command));
    return kExitUsage;
}

int badInput(const Invocation& invocation, const QString& message)
{
    printError(QStringLiteral("quarlink-cli %1: %2").arg(invocation.command, message));
    return kExitUsage;
}

std::optional<int> parseOptions(QCommandLineParser& parser, const Invocation& invocation,
                                const QString& description, int maxPositional)
{
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    addTraceOptions(parser);
    // Single-dash options are short names only, so "-" stays free for standard input.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    if (!parser.parse(QStringList{kProgram} + invocation.args))
        return usageError(invocation, parser.errorText());
    if (parser.isSet(help)) {
        // The usage line names the program and the subcommand.
        QString text = parser.helpText();
        text.replace(QCoreApplication::arguments().value(0),
                     kProgram + QLatin1Char(' ') + invocation.command);
        std::fputs(qPrintable(text), stdout);
        return kExitSuccess;
    }
    if (parser.positionalArguments().size() > maxPositional)
        return usageError(invocation, QStringLiteral("unexpected argument '%1'")
                                          .arg(parser.positionalArguments().at(maxPositional)));
    return std::nullopt;
}

} // namespace quarlink::cli
