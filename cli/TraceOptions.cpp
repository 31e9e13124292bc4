#include "cli/TraceOptions.h"

#include "trace/TraceLog.h"

#include <QFile>

#include <cstdio>
#include <memory>

namespace quarlink::cli {

namespace {

std::unique_ptr<trace::TraceLog>& activeTrace()
{
    static std::unique_ptr<trace::TraceLog> log;
    return log;
}

const QString kTrace = QStringLiteral("--trace");
const QString kTraceFile = QStringLiteral("--trace-file");

} // namespace

bool takeTraceOptions(QStringList& args, QString& error)
{
    bool toStandardError = false;
    QString file;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--")) {
            rest += args.mid(i); // what follows is the subcommand's, whatever it looks like
            break;
        }
        if (arg == kTrace) {
            toStandardError = true;
        } else if (arg == kTraceFile) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                error = QStringLiteral("--trace-file: the FILE is missing");
                return false;
            }
            file = args[++i];
        } else if (arg.startsWith(kTraceFile + QLatin1Char('='))) {
            file = arg.mid(kTraceFile.size() + 1);
            if (file.isEmpty()) {
                error = QStringLiteral("--trace-file: the FILE is missing");
                return false;
            }
        } else {
            rest += arg;
        }
    }
    args = rest;
    if (!file.isEmpty()) {
        std::string reason;
        activeTrace() = trace::TraceLog::openFile(QFile::encodeName(file).toStdString(), reason);
        if (!activeTrace()) {
            error = QStringLiteral("--trace-file: cannot write %1: %2")
                        .arg(file, QString::fromStdString(reason));
            return false;
        }
    } else if (toStandardError) {
        activeTrace() = std::make_unique<trace::TraceLog>(stderr);
    }
    return true;
}

trace::TraceSink* cliTrace()
{
    return activeTrace().get();
}

void addTraceOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        kTrace.mid(2), QStringLiteral("Writes each frame and datagram sent and received, and "
                                      "what they are, to standard error.")));
    parser.addOption(QCommandLineOption(kTraceFile.mid(2),
                                        QStringLiteral("Writes the same trace to FILE instead."),
                                        QStringLiteral("FILE")));
}

} // namespace quarlink::cli
