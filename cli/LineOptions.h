// The serial line options every subcommand that talks to a module takes:
// --port, --baud (a speed, or auto), --parity, --data-bits, --stop-bits (the window's defaults) and
// --answer-timeout.
#pragma once

#include "cli/CliCommon.h"
#include "serial/LineSettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <array>
#include <chrono>
#include <optional>

namespace quarlink::cli {

// The speeds --baud auto tries, in this order, until a module answers.
inline constexpr std::array<int, 5> kAutoBaudRates{57600, 115200, 38400, 19200, 9600};

struct LineChoice
{
    QString port;
    serial::LineSettings line;
    bool autoBaud = false; // find the speed: line.baudRate is then the first of kAutoBaudRates
    std::chrono::milliseconds answerTimeout{2000};
};

class LineOptions
{
public:
    // Adds the options to `parser`. Without `portRequired` --port may be left out, or given
    // more than once (see ports()).
    explicit LineOptions(QCommandLineParser& parser, bool portRequired = true);

    // The choice after parsing; nothing (the reason reported, see usageError) when an option is
    // missing or out of range.
    std::optional<LineChoice> read(const QCommandLineParser& parser,
                                   const Invocation& invocation) const;
    // Every --port given, in order.
    QStringList ports(const QCommandLineParser& parser) const { return parser.values(m_port); }

private:
    bool m_portRequired;
    QCommandLineOption m_port;
    QCommandLineOption m_baud;
    QCommandLineOption m_parity;
    QCommandLineOption m_dataBits;
    QCommandLineOption m_stopBits;
    QCommandLineOption m_answerTimeout;
};

} // namespace quarlink::cli
