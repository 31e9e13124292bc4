// quarlink-cli firmware: the firmware update of the "Download" command. The image goes to the
// module over the serial link, or over TCP to the module's address; the verdict is read on the
// serial line when there is one. Progress goes to standard error, a line per report (a bar on
// a terminal), and the verdict text ends the run.
#include "cli/ProgressBar.h"
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "cli/TraceOptions.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareSender.h"
#include "firmware/TransferOwner.h"
#include "firmware/UpdateVerdicts.h"
#include "serial/SettingsItems.h"

#include "netmgmt/ManagementParameters.h"
#include "os/Process.h"

#include <QMetaObject>

#include <cstdio>

namespace quarlink::cli {

namespace {

struct FirmwareChoice
{
    QString imagePath;
    std::optional<LineChoice> line;         // the serial port, if any
    std::optional<firmware::TcpTarget> tcp; // over TCP, else over the serial link
    std::chrono::milliseconds verdictTimeout = firmware::UpdateVerdicts::kUpdateTimeout;
    firmware::SenderTiming timing;
};

// One update: the sender's reports and the verdict handling in one event loop. It stands
// between the answer dispatch and the verdict handling so that every verdict ends the run.
class FirmwareRun final : private firmware::TransferOwner,
                          private firmware::UpdateHost,
                          private serial::FirmwareVerdictListener
{
public:
    FirmwareRun(const FirmwareChoice& choice, SerialSession* session)
        : m_session(session), m_verdicts(*this, choice.verdictTimeout),
          m_sender(
              [this](std::function<void()> work) {
                  QMetaObject::invokeMethod(&m_context, std::move(work), Qt::QueuedConnection);
              },
              *this, choice.timing)
    {
        m_verdictTimer.setSingleShot(true);
        QObject::connect(&m_verdictTimer, &QTimer::timeout, &m_context,
                         [this] { m_verdicts.updateTimedOut(); });
        if (m_session) {
            m_session->engine().setFirmwareListener(this);
            m_session->setBeforeClose([this] {
                m_sender.cancel(); // nothing writes to a port being closed
                end(kExitFailure);
            });
        }
    }

    ~FirmwareRun() override
    {
        m_sender.cancel();
        if (m_session) {
            m_session->setBeforeClose(nullptr);
            m_session->engine().setFirmwareListener(nullptr);
        }
    }

    int run(const firmware::FirmwareImage& image, const std::optional<firmware::TcpTarget>& tcp)
    {
        firmware::TransferJob job;
        job.image = image.bytes();
        job.checksum = image.checksum;
        job.tcp = tcp;
        job.trace = cliTrace();
        if (!tcp) {
            job.serial = firmware::serialLineOf(m_session->port());
            m_session->engine().setCurrentLetter(serial::kGoLetter);
        }
        m_sender.start(job);
        return m_loop.exec();
    }

private:
    void end(int status)
    {
        if (m_barShown)
            std::fputc('\n', stderr);
        m_barShown = false;
        m_loop.exit(status);
    }

    void transferProgress(int percent) override
    {
        if (!os::isTerminal(stderr)) {
            printError(QStringLiteral("%1% completed").arg(percent));
            return;
        }
        char label[32];
        std::snprintf(label, sizeof label, "%3d%% completed", percent);
        drawProgressBar(static_cast<std::size_t>(percent), 100, kBarWidth, label);
        m_barShown = true;
    }

    void transferFinished() override
    {
        m_sender.cancel(); // the sender has ended; this closes its TCP connection
        if (!m_session) {
            end(kExitSuccess);
            printError(
                QStringLiteral("Image sent; no serial port given, so no verdict is awaited"));
            return;
        }
        m_session->engine().setCurrentLetter(serial::kFirmwareLetter);
        m_verdicts.streamFinished();
    }

    void transferFailed(firmware::TransferFailure failure) override
    {
        end(kExitFailure);
        printError(firmware::failureText(failure));
    }

    void startUpdateTimer(std::chrono::milliseconds period) override
    {
        m_verdictTimer.start(period);
    }
    void stopUpdateTimer() override { m_verdictTimer.stop(); }
    void closeWaitWindow() override {}
    void showMessage(const std::string& text) override
    {
        end(text == firmware::kUpdateSuccess ? kExitSuccess : kExitFailure);
        printError(text);
    }
    // The verdict is read on the serial line in both ways of sending, so a time-out is told.
    bool isSerialMode() const override { return true; }

    void updateSucceeded() override { m_verdicts.updateSucceeded(); }
    void updateRefused() override
    {
        m_verdicts.updateRefused();
        end(kExitFailure); // the dispatch has printed the error answer's text
    }
    void statusAnswer(bool lastByteIsZero) override
    {
        // A status still coming leaves the time-out running, so the run always ends.
        if (lastByteIsZero)
            m_verdicts.statusAnswer(true);
    }

    static constexpr int kBarWidth = 40;
    QObject m_context;
    QEventLoop m_loop;
    QTimer m_verdictTimer;
    SerialSession* m_session;
    firmware::UpdateVerdicts m_verdicts;
    firmware::FirmwareSender m_sender;
    bool m_barShown = false;
};

std::optional<std::chrono::milliseconds> parseSeconds(const QString& text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > 3600)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

} // namespace

int runFirmware(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LineOptions lineOptions(parser);
    const QCommandLineOption ip(
        QStringLiteral("ip"), QStringLiteral("Sends over TCP to the module at this IPv4 address."),
        QStringLiteral("IP"));
    const QCommandLineOption tcpPort(
        QStringLiteral("tcp-port"),
        QStringLiteral("The module's TCP port (its \"Local Port :\" setting); with --ip."),
        QStringLiteral("N"));
    // The help and the refusal name the same range, the one parseSeconds() accepts.
    const QString verdictRange = QStringLiteral("more than 0, at most 3600");
    const QCommandLineOption verdictTimeout(
        QStringLiteral("verdict-timeout"),
        QStringLiteral("Seconds to wait for the module's verdict after the last byte (%1; 53).")
            .arg(verdictRange),
        QStringLiteral("SECONDS"), QStringLiteral("53"));
    const QCommandLineOption blockPause(
        QStringLiteral("block-pause-ms"),
        QStringLiteral("Milliseconds before each 2048-byte block over TCP (300)."),
        QStringLiteral("N"), QStringLiteral("300"));
    parser.addOptions({ip, tcpPort, verdictTimeout, blockPause});
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("The firmware image file, at most 524288 bytes."));
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Sends a firmware image to the module over the serial link (--port), "
                           "or over TCP (--ip, --tcp-port) with the verdict read on --port when "
                           "given, and waits for the module's verdict."),
            1))
        return *status;

    FirmwareChoice choice;
    if (parser.positionalArguments().isEmpty())
        return usageError(invocation, QStringLiteral("the IMAGE file is required"));
    choice.imagePath = parser.positionalArguments().first();
    if (parser.isSet(ip)) {
        const auto address = netmgmt::parseIpv4(parser.value(ip).toStdString());
        if (!address)
            return usageError(invocation, QStringLiteral("--ip: expected an IPv4 address"));
        bool ok = false;
        const uint port = parser.value(tcpPort).toUInt(&ok);
        if (!parser.isSet(tcpPort) || !ok || port == 0 || port > 65535)
            return usageError(invocation, QStringLiteral("--tcp-port: expected 1 to 65535"));
        const std::uint32_t host = (std::uint32_t{(*address)[0]} << 24) |
                                   (std::uint32_t{(*address)[1]} << 16) |
                                   (std::uint32_t{(*address)[2]} << 8) | (*address)[3];
        choice.tcp = firmware::TcpTarget{host, static_cast<std::uint16_t>(port)};
    } else if (parser.isSet(tcpPort)) {
        return usageError(invocation, QStringLiteral("--tcp-port goes with --ip"));
    }
    if (!choice.tcp || parser.isSet(QStringLiteral("port"))) {
        choice.line = lineOptions.read(parser, invocation);
        if (!choice.line)
            return kExitUsage;
    }
    const auto timeout = parseSeconds(parser.value(verdictTimeout));
    if (!timeout)
        return usageError(
            invocation,
            QStringLiteral("--verdict-timeout: expected seconds, %1").arg(verdictRange));
    choice.verdictTimeout = *timeout;
    bool pauseOk = false;
    const uint pause = parser.value(blockPause).toUInt(&pauseOk);
    if (!pauseOk || pause > 60000)
        return usageError(invocation, QStringLiteral("--block-pause-ms: expected 0 to 60000"));
    choice.timing.blockPause = std::chrono::milliseconds(pause);

    firmware::FirmwareImage image;
    const auto loaded = firmware::loadFirmwareImage(choice.imagePath.toStdString(), image);
    if (!loaded.ok()) {
        QString text = QString::fromStdString(
            firmware::loadFailureMessage(loaded, choice.imagePath.toStdString()).text);
        return badInput(invocation, QStringLiteral("%1: %2").arg(choice.imagePath, text.trimmed()));
    }

    std::unique_ptr<SerialSession> session;
    if (choice.line) {
        session = std::make_unique<SerialSession>();
        if (!session->open(*choice.line))
            return kExitFailure;
    }
    FirmwareRun run(choice, session.get());
    return run.run(image, choice.tcp);
}

} // namespace quarlink::cli
