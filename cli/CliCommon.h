// What every subcommand of quarlink-cli shares: its invocation, the exit statuses, output to the
// two standard streams and the parsing of its options with --help.
//
// Exit status: 0 success; 1 the module or the line failed; 2 bad usage or a bad document (then
// nothing has been sent to a module).
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace quarlink::cli {

enum ExitStatus : int
{
    kExitSuccess = 0,
    kExitFailure = 1, // the module answered with an error, did not answer, or the line failed
    kExitUsage = 2,   // bad options or a bad document
};

struct Invocation
{
    QString command;  // the subcommand's name, such as "get"
    QStringList args; // the arguments after it
};

// One line on standard output or standard error (the line end is added).
void printOut(const QString& line);
void printError(const QString& line);
void printError(const std::string& line);

// Reports a usage error of the subcommand on standard error and returns kExitUsage.
int usageError(const Invocation& invocation, const QString& message);

// Reports bad input (a document, a file) of the subcommand and returns kExitUsage.
int badInput(const Invocation& invocation, const QString& message);

// Parses the subcommand's arguments with `parser`, whose options and positional arguments the
// caller has added; adds --help, the trace options (for the help) and `description`. Returns
// nothing when the subcommand should go on; otherwise its exit status: kExitSuccess after printing
// the help, kExitUsage after reporting an unknown option, a missing value or more than
// `maxPositional` arguments.
std::optional<int> parseOptions(QCommandLineParser& parser, const Invocation& invocation,
                                const QString& description, int maxPositional = 0);

} // namespace quarlink::cli
