// The protocol trace of quarlink-cli: --trace (to standard error) and --trace-file FILE, which
// every subcommand takes. They are taken out of the arguments before the subcommand parses
// them; the sessions then report to the trace they opened.
#pragma once

#include "trace/TraceSink.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace quarlink::cli {

// Removes --trace, --trace-file FILE and --trace-file=FILE from `args` and opens the trace they
// ask for. False, with the reason in `error`, when FILE is missing or cannot be written.
bool takeTraceOptions(QStringList& args, QString& error);

// The trace the options opened; null when there is none.
trace::TraceSink* cliTrace();

// Adds --trace and --trace-file to a subcommand's parser for its help; its arguments no longer
// hold them when it parses.
void addTraceOptions(QCommandLineParser& parser);

} // namespace quarlink::cli
