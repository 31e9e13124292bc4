#include "cli/SerialSession.h"

#include "cli/TraceOptions.h"

#include <QMetaObject>

#include <span>

namespace quarlink::cli {

namespace {
const std::string kSuccess = "Success";
} // namespace

SerialSession::SerialSession()
{
    auto postToOwner = [this](std::function<void()> work) {
        QMetaObject::invokeMethod(&m_context, std::move(work), Qt::QueuedConnection);
    };
    serial::ReaderCallbacks callbacks;
    callbacks.onChunk = [this](std::span<const std::uint8_t> chunk) { m_engine.onReceived(chunk); };
    callbacks.onHangUp = [this] { onHangUp(); };
    m_connection = std::make_unique<serial::SerialConnection>(postToOwner, callbacks);
    m_engine.setTrace(cliTrace());

    m_answerTimer.setSingleShot(true);
    QObject::connect(&m_answerTimer, &QTimer::timeout, &m_context,
                     [this] { m_engine.onAnswerTimeout(); });
    m_limitTimer.setSingleShot(true);
    m_limitTimer.setInterval(kOperationLimit);
    QObject::connect(&m_limitTimer, &QTimer::timeout, &m_context, [this] {
        reportError(QStringLiteral("Error : no end of the exchange within %1 s")
                        .arg(kOperationLimit.count() / 1000));
        finish(false);
    });
}

SerialSession::~SerialSession()
{
    close();
}

void SerialSession::close()
{
    if (m_connection->isOpen())
        m_engine.sendGo();
    m_connection->close();
}

serial::OpenResult SerialSession::openLine(const LineChoice& choice)
{
    m_portName = choice.port;
    m_answerTimer.setInterval(choice.answerTimeout);
    return m_connection->open(choice.port.toStdString(), choice.line);
}

bool SerialSession::open(const LineChoice& choice)
{
    LineChoice at = choice;
    const std::span<const int> speeds = choice.autoBaud
                                            ? std::span<const int>(kAutoBaudRates)
                                            : std::span<const int>(&choice.line.baudRate, 1);
    for (const int speed : speeds) {
        at.line.baudRate = speed;
        const auto result = openLine(at);
        if (!result.ok()) {
            reportError(QStringLiteral("Cannot open %1: %2")
                           .arg(choice.port, QString::fromStdString(result.reason)));
            return false;
        }
        if (!choice.autoBaud)
            return true;
        if (identify()) {
            // The identity request is the beginning of a Get Info; 'G' ends it, as it ends
            // every exchange, before the operation begins its own.
            m_engine.sendGo();
            printError(
                QStringLiteral("%1: the module answers at %2 baud").arg(choice.port).arg(speed));
            return true;
        }
        close();
    }
    reportError(QStringLiteral("Error : no module answers on %1 at 57600, 115200, 38400, 19200 or "
                              "9600 baud")
                   .arg(choice.port));
    return false;
}

std::optional<std::vector<std::uint8_t>> SerialSession::identify(std::string* error)
{
    m_quiet = true;
    m_lastMessage.clear();
    m_identity.clear();
    const bool ok = run([this] { m_engine.startIdentify(); });
    m_quiet = false;
    if (error)
        *error = m_lastMessage;
    if (!ok)
        return std::nullopt;
    return m_identity;
}

bool SerialSession::readSettings(ModuleReadout& out)
{
    m_readout = &out;
    const bool ok = run([this] { m_engine.startGetInfo(); });
    m_readout = nullptr;
    return ok;
}

bool SerialSession::writeSettings(std::function<settings::Bytes(std::uint8_t)> payloadFor)
{
    m_payloadFor = std::move(payloadFor);
    const bool ok = run([this] { m_engine.startSetInfo(); });
    m_payloadFor = nullptr;
    return ok;
}

bool SerialSession::writeItem(std::uint8_t item, std::span<const std::uint8_t> payload)
{
    return run([&] { m_engine.sendWrite(item, payload); });
}

bool SerialSession::run(const std::function<void()>& start)
{
    if (!m_connection->isOpen()) {
        reportError(QStringLiteral("%1 is closed").arg(m_portName));
        return false;
    }
    m_result.reset();
    m_limitTimer.start();
    start();
    if (!m_result)
        m_loop.exec();
    m_limitTimer.stop();
    m_answerTimer.stop();
    return m_result.value_or(false);
}

void SerialSession::finish(bool ok)
{
    if (m_result)
        return;
    m_result = ok;
    m_loop.quit();
}

void SerialSession::onHangUp()
{
    if (!m_connection->isOpen())
        return;
    if (m_beforeClose)
        m_beforeClose();
    m_connection->close();
    reportError(QStringLiteral("%1 is no longer available").arg(m_portName));
    finish(false);
}

void SerialSession::reportError(const QString& text)
{
    if (m_errorSink)
        m_errorSink(text);
    else
        printError(text);
}

void SerialSession::writeBytes(std::span<const std::uint8_t> bytes)
{
    // A failed write shows up as the answer's time-out, as in the window.
    m_connection->write(bytes);
}

bool SerialSession::isConnectionOpen() const
{
    return m_connection->isOpen();
}

void SerialSession::closeConnection()
{
    // As the window's "Close": 'G' goes out before the port is released. An identity request
    // that nothing answered leaves the port as it found it: probing writes no more than it must
    // to a port where no module is (or none at this speed).
    if (m_beforeClose)
        m_beforeClose();
    if (m_engine.kind() != serial::SequenceKind::Identify)
        m_engine.sendGo();
    m_connection->close();
}

void SerialSession::startAnswerTimer()
{
    m_answerTimer.start();
}

void SerialSession::stopAnswerTimer()
{
    m_answerTimer.stop();
}

std::vector<std::uint8_t> SerialSession::itemPayload(std::uint8_t item)
{
    return m_payloadFor ? m_payloadFor(item) : std::vector<std::uint8_t>{};
}

void SerialSession::showIdentity(std::span<const std::uint8_t> record)
{
    if (m_engine.kind() == serial::SequenceKind::Identify) {
        m_identity.assign(record.begin(), record.end());
        finish(true);
        return;
    }
    if (m_readout && record.size() == m_readout->document.identity.size())
        std::copy(record.begin(), record.end(), m_readout->document.identity.begin());
}

void SerialSession::showItem(std::uint8_t item, std::span<const std::uint8_t> payload)
{
    if (m_readout && m_readout->document.takeItem(item, payload))
        m_readout->items[item] = settings::Bytes(payload.begin(), payload.end());
}

void SerialSession::keepSetupText(std::span<const std::uint8_t> text)
{
    if (m_readout)
        m_readout->document.takeSetupText(text);
    finish(true); // the last step of the Get Info sequence
}

void SerialSession::showMessage(const std::string& text)
{
    // "Success" ends a write; every other message the engine shows is an error.
    if (text == kSuccess) {
        finish(true);
        return;
    }
    if (m_quiet)
        m_lastMessage = text;
    else
        reportError(QString::fromStdString(text));
    finish(false);
}

} // namespace quarlink::cli
