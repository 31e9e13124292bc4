// The serial line options every subcommand that talks to a module takes:
// --port, --baud, --parity, --data-bits, --stop-bits (the window's defaults) and --answer-timeout.
#pragma once

#include "cli/CliCommon.h"
#include "serial/LineSettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <chrono>
#include <optional>

namespace quarlink::cli {

struct LineChoice
{
    QString port;
    serial::LineSettings line;
    std::chrono::milliseconds answerTimeout{2000};
};

class LineOptions
{
public:
    // Adds the options to `parser`.
    explicit LineOptions(QCommandLineParser& parser);

    // The choice after parsing; nothing (the reason reported, see usageError) when an option is
    // missing or out of range.
    std::optional<LineChoice> read(const QCommandLineParser& parser,
                                   const Invocation& invocation) const;

private:
    QCommandLineOption m_port;
    QCommandLineOption m_baud;
    QCommandLineOption m_parity;
    QCommandLineOption m_dataBits;
    QCommandLineOption m_stopBits;
    QCommandLineOption m_answerTimeout;
};

} // namespace quarlink::cli
