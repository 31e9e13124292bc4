// quarlink-cli firmware as a process against quarlink-sim: the image over the serial link and
// over TCP, the verdict texts and exit statuses, and files refused before anything is sent.
#include "CliFixture.h"

namespace quarlink::cli::testing {
namespace {

class FirmwareCli : public CliFixture
{
protected:
    // The simulator with its TCP listener; returns the listener's port.
    QString startModule(const QString& verdict)
    {
        startSim(sim::defaultModuleSettings(),
                 {"--firmware-listen", "127.0.0.1:0", "--firmware-verdict", verdict,
                  "--firmware-flash-time", "100"});
        while (!sim.canReadLine())
            if (!sim.waitForReadyRead(kProcessLimitMs))
                return {};
        return QString::fromUtf8(sim.readLine()).trimmed().section(':', 1);
    }

    QString image(const char* name, qsizetype size)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + 1);
        file.write(bytes);
        return file.fileName();
    }
};

TEST_F(FirmwareCli, VerdictsOverTheSerialLinkAndTcp)
{
    struct Case
    {
        const char* name;
        QString verdict;
        bool tcp;
        int status;
        QString lastLine;
    };
    const Case cases[] = {
        {"serial, success", "Y", false, 0, "Update Success"},
        {"serial, error answer", "9", false, 1, "Error : 0x59[Y]"},
        {"serial, no verdict", "none", false, 1, "Error : Update Failure [Timeout]"},
        {"serial, status 0xFF", "FF", false, 1, "0xff"},
        {"tcp, success", "Y", true, 0, "Update Success"},
    };
    const QString file = image("fw_tavrel.bin", 2049);
    for (const Case& c : cases) {
        const QString port = startModule(c.verdict);
        const QString tracePath = dir.filePath("trace.txt");
        QStringList args{"firmware", "--verdict-timeout", "0.3", "--trace-file", tracePath, file};
        if (c.tcp)
            args << "--ip"
                 << "127.0.0.1"
                 << "--tcp-port" << port << "--block-pause-ms"
                 << "0";
        const CliRun run = cli(onPort(args));
        EXPECT_EQ(run.status, c.status) << c.name << run.err.toStdString();
        EXPECT_EQ(run.err, "99% completed\n100% completed\n" + c.lastLine + "\n") << c.name;
        const auto receipt = stopSim().lastFirmware();
        ASSERT_TRUE(receipt) << c.name;
        EXPECT_TRUE(receipt->complete) << c.name;
        EXPECT_TRUE(receipt->checksumCorrect()) << c.name;
        EXPECT_EQ(receipt->declaredLength, 2049u) << c.name;
        QFile trace(tracePath);
        ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
        const QString traced = QString::fromUtf8(trace.readAll());
        const QString link =
            c.tcp ? QStringLiteral(" ms tcp    send ") : QStringLiteral(" ms serial send ");
        for (const char* what :
             {"B  'Y' firmware header: image of 2049 bytes", "2048 B  firmware block 1 of 2  [",
              "1 B  firmware block 2 of 2  ["}) {
            const QStringList lines = traced.split('\n').filter(QLatin1String(what));
            EXPECT_TRUE(lines.size() == 1 && lines[0].contains(link))
                << c.name << ": " << what << "\n"
                << traced.toStdString();
        }
    }
}

TEST_F(FirmwareCli, RefusedBeforeAnythingIsSent)
{
    startModule("Y");
    const QString abc = image("abc_tavrel.bin", 3);
    struct Case
    {
        QStringList args;
        int status;
        QString error; // contained in standard error
    };
    const Case cases[] = {
        {onPort({"firmware", image("big_tavrel.bin", 524289)}), 2, "Overflow : 1 BYTE"},
        {onPort({"firmware", dir.filePath("none_tavrel.bin")}), 2, "File not found."},
        {onPort({"firmware"}), 2, "the IMAGE file is required"},
        {onPort({"firmware", "--ip", "127.0.0.300", "--tcp-port", "1", abc}), 2, "--ip"},
        {{"firmware", "--ip", "127.0.0.1", abc}, 2, "--tcp-port"},
        {onPort({"firmware", "--verdict-timeout", "0", abc}), 2,
         "--verdict-timeout: expected seconds, more than 0, at most 3600"},
        {{"firmware", abc}, 2, "--port is required"},
    };
    for (const Case& c : cases) {
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.error)) << run.err.toStdString();
    }
    EXPECT_EQ(framesReceived(), 0);
}

TEST_F(FirmwareCli, FailToConnectToServer)
{
    // A port on which nothing listens: the simulator's own listener, once it has stopped.
    const QString port = startModule("Y");
    stopSim();
    const CliRun run =
        cli({"firmware", "--ip", "127.0.0.1", "--tcp-port", port, image("abc_tavrel.bin", 3)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Fail to connect to server\n");
}

} // namespace
} // namespace quarlink::cli::testing
