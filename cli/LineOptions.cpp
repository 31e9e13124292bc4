#include "cli/LineOptions.h"

#include "os/SerialDevice.h"
#include "settings/AnswerTimeout.h"

#include <algorithm>

namespace quarlink::cli {

namespace {

const QStringList kParities{QStringLiteral("none"), QStringLiteral("odd"), QStringLiteral("even")};

std::optional<int> numberIn(const QString& text, std::initializer_list<int> allowed)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || std::find(allowed.begin(), allowed.end(), value) == allowed.end())
        return std::nullopt;
    return value;
}

} // namespace

LineOptions::LineOptions(QCommandLineParser& parser, bool portRequired)
    : m_portRequired(portRequired),
      m_port(QStringLiteral("port"),
             QStringLiteral("Serial port: %1.").arg(QLatin1String(os::kPortNameForm)),
             QStringLiteral("P")),
      m_baud(QStringLiteral("baud"),
             QStringLiteral("Baud rate: 1200 to 115200 as the window lists them, or auto: "
                            "57600, 115200, 38400, 19200 and 9600 tried in turn until the "
                            "module answers (default 57600)."),
             QStringLiteral("N|auto"), QStringLiteral("57600")),
      m_parity(QStringLiteral("parity"),
               QStringLiteral("Parity: none, odd or even (default none)."),
               QStringLiteral("none|odd|even"), QStringLiteral("none")),
      m_dataBits(QStringLiteral("data-bits"), QStringLiteral("Data bits: 7 or 8 (default 8)."),
                 QStringLiteral("7|8"), QStringLiteral("8")),
      m_stopBits(QStringLiteral("stop-bits"), QStringLiteral("Stop bits: 1 or 2 (default 1)."),
                 QStringLiteral("1|2"), QStringLiteral("1")),
      m_answerTimeout(QStringLiteral("answer-timeout"),
                      QStringLiteral("How long each answer is awaited, in ms (default 2000)."),
                      QStringLiteral("MS"), QStringLiteral("2000"))
{
    parser.addOptions({m_port, m_baud, m_parity, m_dataBits, m_stopBits, m_answerTimeout});
}

std::optional<LineChoice> LineOptions::read(const QCommandLineParser& parser,
                                            const Invocation& invocation) const
{
    LineChoice choice;
    choice.port = parser.value(m_port);
    if (choice.port.isEmpty() && m_portRequired) {
        usageError(invocation, QStringLiteral("--port is required"));
        return std::nullopt;
    }
    choice.autoBaud = parser.value(m_baud) == QLatin1String("auto");
    const auto baud =
        choice.autoBaud
            ? std::optional<int>(kAutoBaudRates.front())
            : numberIn(parser.value(m_baud), {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200});
    if (!baud) {
        usageError(invocation, QStringLiteral("--baud: expected 1200, 2400, 4800, 9600, 19200, "
                                              "38400, 57600, 115200 or auto"));
        return std::nullopt;
    }
    choice.line.baudRate = *baud;
    const auto parity = kParities.indexOf(parser.value(m_parity));
    if (parity < 0) {
        usageError(invocation, QStringLiteral("--parity: expected none, odd or even"));
        return std::nullopt;
    }
    choice.line.parity = static_cast<int>(parity); // the form's Parity list order
    const auto dataBits = numberIn(parser.value(m_dataBits), {7, 8});
    const auto stopBits = numberIn(parser.value(m_stopBits), {1, 2});
    if (!dataBits || !stopBits) {
        usageError(invocation, !dataBits ? QStringLiteral("--data-bits: expected 7 or 8")
                                         : QStringLiteral("--stop-bits: expected 1 or 2"));
        return std::nullopt;
    }
    choice.line.dataBits = *dataBits;
    choice.line.stopBits = *stopBits;
    bool ok = false;
    const int timeout = parser.value(m_answerTimeout).toInt(&ok);
    if (!ok || timeout < 1 || timeout > settings::kMaxAnswerTimeoutMs) {
        usageError(invocation, QStringLiteral("--answer-timeout: expected 1 to 600000 ms"));
        return std::nullopt;
    }
    choice.answerTimeout = std::chrono::milliseconds(timeout);
    return choice;
}

} // namespace quarlink::cli
