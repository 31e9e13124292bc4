// The diagnostics of quarlink-cli: the protocol trace of a Get Info, port probing, finding the
// line speed, and doctor's report of held and forbidden ports. Also the access rule doctor and
// the probe judge a device by, and the trace's masking of bytes.
#include "CliFixture.h"

#include "cli/PortAccess.h"
#include "os/SerialDevice.h"
#include "serial/FrameTrace.h"
#include "serial/LineSettings.h"
#include "serial/PtyPair.h"
#include "serial/SettingsItems.h"
#include "trace/TraceLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::cli::testing {
namespace {

using serial::testing::PtyPair;

// "54 68 69 73": the spaced upper-case hex of a text's first bytes, as the trace shows bytes.
QString spacedHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// The letters of the frames the simulator received, from its line log ("<- 1B 7E 53  (S)").
QStringList receivedLetters(const QByteArray& log)
{
    QStringList letters;
    static const QRegularExpression frame(QStringLiteral("<- [0-9A-F ]+ \\((\\S)"));
    for (auto it = frame.globalMatch(QString::fromUtf8(log)); it.hasNext();)
        letters << it.next().captured(1);
    return letters;
}

class Diagnostics : public CliFixture
{
protected:
    QString moduleMac() const
    {
        return QString::fromStdString(
            serial::identityMacText(sim::defaultModuleSettings().identity()));
    }
};

TEST_F(Diagnostics, GetInfoTraceNamesEveryFrameInOrderAndMasksTheSecrets)
{
    startSim();
    const QString tracePath = dir.filePath("trace.txt");
    const CliRun run = cli(onPort({"get", "--trace-file", tracePath}));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QFile file(tracePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString trace = QString::fromUtf8(file.readAll());

    QStringList expected{"send     3 B  'S' setup request  [1B 7E 53]", "recv     3 B  'S' answer",
                         "send     3 B  'C' identity request",
                         "recv    19 B  'C' answer: product 3, firmware 1.2a, MAC " + moduleMac()};
    for (const auto& item : serial::kSettingsItems) {
        const QString code = QString::asprintf("0x%02X %s", item.code, item.name);
        expected << "'R' read " + code << "'R' answer " + code;
    }
    expected << "'R' read 0xFF setup text"
             << "'R' answer 0xFF setup text"
             << "'G' go";
    const QStringList lines = trace.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), expected.size()) << trace.toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].contains(" ms serial ")) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(expected[i]))
            << "line " << i << ": " << lines[i].toStdString() << "\nexpected "
            << expected[i].toStdString();
    }
    // Neither the pass phrase nor the keys appear, as text or as bytes.
    EXPECT_FALSE(trace.contains("ThisIsAPassword"));
    EXPECT_FALSE(trace.contains(spacedHex("ThisIsAPass")));
    EXPECT_FALSE(trace.contains(spacedHex("WEP128-Key")));
    EXPECT_FALSE(trace.contains(
        spacedHex(QByteArray::fromHex(QByteArray(sim::kDefaultWpaPskHex.data(), 16)))));
    EXPECT_TRUE(trace.contains("'R' answer 0x24 WPA pass phrase  [1B 7E 52 ** **"));
}

TEST_F(Diagnostics, BytesOfASecretAnswerThatIsDroppedStayMasked)
{
    // A stray byte before the pass phrase's answer drops it whole; a zero byte too many leaves
    // the PSK's answer incomplete until the time-out. Either way its bytes are traced masked.
    const std::pair<QStringList, QString> faults[] = {
        {{"--stray-byte", "R:24"}, "recv    36 B  not an answer frame, dropped  [** ** **"},
        {{"--too-long", "R:25"}, "recv    36 B  incomplete answer, dropped  [** ** **"},
    };
    for (const auto& [options, line] : faults) {
        startSim(sim::defaultModuleSettings(), options);
        const CliRun run = cli(onPort({"get", "--trace", "--answer-timeout", "300"}));
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(line)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("no answer to R within the answer time-out"));
        EXPECT_FALSE(run.err.contains(spacedHex("ThisIsAPass")));
        EXPECT_FALSE(run.err.contains(
            spacedHex(QByteArray::fromHex(QByteArray(sim::kDefaultWpaPskHex.data(), 16)))));
        sim.kill();
        sim.waitForFinished();
    }
}

TEST_F(Diagnostics, ProbeFindsTheModuleAmongAnUnusedPtyAndAMissingPath)
{
    startSim();
    PtyPair unused;
    ASSERT_FALSE(unused.slavePath().empty());
    const QString unusedPath = QString::fromStdString(unused.slavePath());
    const QString missing = dir.filePath("no-such-port");
    const CliRun run = cli({"ports", "--probe", "--port", device, "--port", unusedPath, "--port",
                            missing, "--answer-timeout", "1000"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.split('\n', Qt::SkipEmptyParts),
              (QStringList{device + ": module " + moduleMac() + " firmware 1.2a at 57600",
                           unusedPath + ": no answer", missing + ": no such device"}));
    EXPECT_EQ(receivedLetters(logText()), (QStringList{"S", "C", "G"}));

    const CliRun json = cli({"ports", "--probe", "--json", "--port", device, "--port", missing,
                             "--answer-timeout", "1000"});
    const QJsonArray results = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(results.size(), 2) << json.out.toStdString();
    EXPECT_TRUE(results[0].toObject().value("found").toBool());
    EXPECT_EQ(results[1].toObject().value("result").toString(), "no such device");
}

TEST_F(Diagnostics, AutoBaudFindsAModuleAt19200)
{
    startSim(sim::defaultModuleSettings(), {"--baud", "19200"});
    const CliRun probe =
        cli({"ports", "--probe", "--baud", "auto", "--port", device, "--answer-timeout", "1000"});
    EXPECT_EQ(probe.out.trimmed(), device + ": module " + moduleMac() + " firmware 1.2a at 19200")
        << probe.err.toStdString();
    const CliRun get = cli(onPort({"get", "--json", "--baud", "auto", "--answer-timeout", "1000"}));
    EXPECT_EQ(get.status, 0) << get.err.toStdString();
    EXPECT_TRUE(get.err.contains("answers at 19200 baud")) << get.err.toStdString();
    EXPECT_TRUE(get.out.contains("ThisIsASSID"));
}

TEST_F(Diagnostics, DoctorReportsAHeldPortAndAPortWithoutPermission)
{
    PtyPair held;
    os::SerialDevice holder;
    ASSERT_TRUE(holder.open(held.slavePath(), serial::LineSettings{}).ok());
    const QString heldPath = QString::fromStdString(held.slavePath());
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    socklen_t length = sizeof any;
    ASSERT_EQ(::bind(udp, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(::getsockname(udp, reinterpret_cast<sockaddr*>(&any), &length), 0);
    const QString pid = QString::number(::getpid());

    const CliRun run =
        cli({"doctor", "--port", heldPath, "--local-port", QString::number(ntohs(any.sin_port)),
             "--broadcast", "127.255.255.255"});
    ::close(udp);
    EXPECT_EQ(run.status, 1) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(heldPath + ": held by process " + pid)) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("management UDP port %1: held by process %2")
                                     .arg(ntohs(any.sin_port))
                                     .arg(pid)))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("broadcast 127.255.255.255: goes out from 127.0.0.1"));

    // Nothing wrong: exit 0.
    PtyPair fine;
    const CliRun clean = cli({"doctor", "--port", QString::fromStdString(fine.slavePath()),
                              "--local-port", "0", "--broadcast", "127.255.255.255"});
    EXPECT_EQ(clean.status, 0) << clean.out.toStdString();
    EXPECT_TRUE(clean.out.contains("No problem found.")) << clean.out.toStdString();
    const CliRun cleanJson =
        cli({"doctor", "--json", "--port", QString::fromStdString(fine.slavePath()),
             "--local-port", "0", "--broadcast", "127.255.255.255"});
    const QJsonObject report = QJsonDocument::fromJson(cleanJson.out.toUtf8()).object();
    EXPECT_EQ(report.value("problems").toInt(-1), 0) << cleanJson.out.toStdString();
    EXPECT_EQ(report.value("sections").toArray().size(), 3);

    // A device the mode bits close to this user. The superuser passes any mode bits, so as root
    // the check runs as the user nobody.
    PtyPair denied;
    const QString deniedPath = QString::fromStdString(denied.slavePath());
    ASSERT_EQ(::chmod(denied.slavePath().c_str(), 0), 0);
    QStringList args{"doctor", "--port",      deniedPath,       "--local-port",
                     "0",      "--broadcast", "127.255.255.255"};
    QString program = QStringLiteral(QUARLINK_CLI_PROGRAM);
    if (::geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            GTEST_SKIP() << "running as root without setpriv: no user the mode bits stop";
        const QStringList asNobody{"--reuid=65534", "--regid=65534", "--clear-groups", program};
        // A build under a folder closed to other users (root's home) cannot run as nobody.
        QProcess probe;
        probe.start(setpriv, asNobody + QStringList{"--version"});
        if (!probe.waitForFinished(kProcessLimitMs) || probe.exitCode() != 0)
            GTEST_SKIP() << "the user nobody cannot run " << program.toStdString() << ": "
                         << probe.readAllStandardError().trimmed().toStdString();
        args = asNobody + args;
        program = setpriv;
    }
    QProcess doctor;
    doctor.start(program, args);
    ASSERT_TRUE(doctor.waitForFinished(kProcessLimitMs));
    const QString out = QString::fromUtf8(doctor.readAllStandardOutput());
    EXPECT_EQ(doctor.exitCode(), 1) << out.toStdString() << doctor.readAllStandardError().data();
    EXPECT_TRUE(out.contains(deniedPath + ": no read and write access for ")) << out.toStdString();
    EXPECT_TRUE(out.contains("    fix: sudo ")) << out.toStdString();
}

TEST(DeviceAccess, ModeBitsDecideByOwnerGroupAndOtherInTurn)
{
    struct Case
    {
        mode_t mode;
        uid_t owner;
        gid_t group;
        UserIdentity user;
        bool allowed;
        std::optional<gid_t> granting;
    };
    const UserIdentity outsider{1000, 1000, {}};
    const UserIdentity member{1000, 1000, {20}};
    const Case cases[] = {
        {0660, 0, 20, outsider, false, 20},                       // the group would grant it
        {0660, 0, 20, member, true, std::nullopt},                // a member may
        {0066, 1000, 20, member, false, std::nullopt},            // the owner's bits decide
        {0606, 0, 20, member, false, std::nullopt},               // a member's bits decide
        {0640, 0, 20, outsider, false, std::nullopt},             // no group grants writing
        {0666, 0, 20, outsider, true, std::nullopt},              // everyone may
        {0000, 5, 5, UserIdentity{0, 0, {}}, true, std::nullopt}, // the superuser may
    };
    for (const Case& c : cases) {
        const DeviceMode device{c.mode, c.owner, c.group};
        EXPECT_EQ(mayReadWrite(device, c.user), c.allowed) << std::oct << c.mode;
        EXPECT_EQ(grantingGroup(device, c.user), c.granting) << std::oct << c.mode;
    }
}

TEST(TraceLine, MasksSecretBytesAndShortensLongBlocks)
{
    const std::vector<std::uint8_t> bytes{0x1B, 0x7E, 0x52, 0x41, 0x42};
    trace::Entry entry;
    entry.bytes = bytes;
    EXPECT_EQ(trace::entryHex(entry), "1B 7E 52 41 42");
    entry.masked = {{3, 2}};
    EXPECT_EQ(trace::entryHex(entry), "1B 7E 52 ** **");
    entry.shownBytes = 2;
    EXPECT_EQ(trace::entryHex(entry), "1B 7E ...");
    EXPECT_TRUE(trace::formatEntry(entry, std::chrono::milliseconds(42))
                    .starts_with("     42 ms serial send     5 B"));
}

} // namespace
} // namespace quarlink::cli::testing
