// The diagnostics of quarlink-cli: the protocol trace of a Get Info, port probing, finding the
// line speed, and doctor's report of held and forbidden ports with its fixes. Also the access
// rule doctor and the probe judge a device by, and the trace's masking of bytes.
#include "CliFixture.h"

#include "cli/DoctorFixes.h"
#include "cli/PortAccess.h"
#include "cli/Subcommands.h"
#include "serial/FrameTrace.h"
#include "serial/PtyPair.h"
#include "serial/SerialPort.h"
#include "serial/SettingsItems.h"
#include "trace/TraceLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdio>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// "name (process N)" of this test program, as doctor and the probe name a holder.
QString holderOfPid(pid_t pid)
{
    return QString::fromStdString(holdersText({static_cast<int>(pid)}));
}

// A process of its own that holds a pseudo-terminal as another program would: open and
// exclusive (TIOCEXCL), with an advisory lock when asked. It lets go when destroyed.
class PortHolder
{
public:
    PortHolder(const PtyPair& pty, bool lock)
    {
        int ready[2] = {-1, -1};
        int hold[2] = {-1, -1};
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls in the child of a threaded process. Without the
            // master side it is no far end of the terminal, only a program that has it open.
            ::close(pty.master());
            ::close(ready[0]);
            ::close(hold[1]);
            const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
            const bool held = fd >= 0 && ::ioctl(fd, TIOCEXCL) == 0 &&
                              (!lock || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
            char c = held ? '1' : '0';
            if (::write(ready[1], &c, 1) == 1)
                while (::read(hold[0], &c, 1) > 0) {
                }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        m_hold = hold[1];
        char c = 0;
        m_held = m_pid > 0 && ::read(ready[0], &c, 1) == 1 && c == '1';
        ::close(ready[0]);
    }
    ~PortHolder()
    {
        ::close(m_hold);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

    bool held() const { return m_held; }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_hold = -1;
    bool m_held = false;
};

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

TEST_F(Diagnostics, EveryCommandsHelpListsTheTraceOptions)
{
    for (const Subcommand& command : subcommands()) {
        const CliRun help = cli({QLatin1String(command.name), "--help"});
        EXPECT_EQ(help.status, 0) << command.name;
        EXPECT_TRUE(help.out.contains(QRegularExpression("\n +--trace +\\S")))
            << command.name << ":\n"
            << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("--trace-file <FILE>")) << command.name;
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
    // The probe's closing 'G' is in the simulator's log before the next run begins.
    ASSERT_TRUE(waitUntil([&] { return receivedLetters(logText()).endsWith("G"); }));
    const qsizetype probed = receivedLetters(logText()).size();
    const CliRun get = cli(onPort({"get", "--json", "--baud", "auto", "--answer-timeout", "1000"}));
    EXPECT_EQ(get.status, 0) << get.err.toStdString();
    EXPECT_TRUE(get.err.contains("answers at 19200 baud")) << get.err.toStdString();
    EXPECT_TRUE(get.out.contains("ThisIsASSID"));
    // The speed is found with 'S' and 'C', which 'G' ends before Get Info begins again.
    const QStringList letters = receivedLetters(logText()).mid(probed);
    ASSERT_GE(letters.size(), 6) << letters.join(' ').toStdString();
    EXPECT_EQ(letters.mid(0, 6), (QStringList{"S", "C", "G", "S", "C", "R"}))
        << letters.join(' ').toStdString();
}

TEST_F(Diagnostics, DoctorReportsAHeldPortAndAPortWithoutPermission)
{
    PtyPair held;
    serial::SerialPort holder;
    ASSERT_TRUE(holder.open(held.slavePath(), serial::LineSettings{}).ok());
    const QString heldPath = QString::fromStdString(held.slavePath());
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    socklen_t length = sizeof any;
    ASSERT_EQ(::bind(udp, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(::getsockname(udp, reinterpret_cast<sockaddr*>(&any), &length), 0);

    const CliRun run =
        cli({"doctor", "--port", heldPath, "--local-port", QString::number(ntohs(any.sin_port)),
             "--broadcast", "127.255.255.255"});
    ::close(udp);
    EXPECT_EQ(run.status, 1) << run.out.toStdString();
    const QString self = holderOfPid(::getpid());
    EXPECT_TRUE(run.out.contains(heldPath + ": held by " + self)) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(
        QStringLiteral("management UDP port %1: held by %2").arg(ntohs(any.sin_port)).arg(self)))
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
    EXPECT_TRUE(out.contains("    fix: ")) << out.toStdString();
}

TEST_F(Diagnostics, DoctorAndProbeNameTheProgramsThatHoldAPort)
{
    // One program has a terminal open exclusively, another also locks its own; this test
    // program is the far end of both, which holds neither.
    PtyPair exclusive;
    PtyPair locked;
    const PortHolder opener(exclusive, false);
    const PortHolder locker(locked, true);
    ASSERT_TRUE(opener.held() && locker.held());
    const QString exclusivePath = QString::fromStdString(exclusive.slavePath());
    const QString lockedPath = QString::fromStdString(locked.slavePath());
    const QString missing = dir.filePath("no-such-port");

    const CliRun run = cli({"doctor", "--port", exclusivePath, "--port", lockedPath, "--port",
                            missing, "--local-port", "0", "--broadcast", "127.255.255.255"});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n');
    for (const auto& [path, holder] :
         {std::pair{exclusivePath, &opener}, std::pair{lockedPath, &locker}}) {
        const QString held = path + ": held by " + holderOfPid(holder->pid());
        const auto at = lines.indexOf("  " + held);
        ASSERT_GE(at, 0) << held.toStdString() << " in\n" << run.out.toStdString();
        EXPECT_EQ(lines.value(at + 1),
                  "    fix: close what has the port open: " + holderOfPid(holder->pid()));
    }
    // A --port that does not exist is no matter of QUARLINK_EXTRA_PORTS.
    const auto at = lines.indexOf("  " + missing + ": no such device");
    ASSERT_GE(at, 0) << run.out.toStdString();
    EXPECT_TRUE(lines.value(at + 1).contains("--port")) << lines.value(at + 1).toStdString();
    EXPECT_FALSE(run.out.contains("QUARLINK_EXTRA_PORTS")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("(process %1)").arg(::getpid())));
    EXPECT_FALSE(run.out.contains("kill"));

    // The probe finds the same holder of the port it cannot open.
    const CliRun probe = cli({"ports", "--probe", "--port", lockedPath});
    EXPECT_EQ(probe.out.trimmed(), lockedPath + ": busy, held by " + holderOfPid(locker.pid()))
        << probe.err.toStdString();
}

TEST_F(Diagnostics, NoPasswordOrKeyIsPrintedNotEvenAWrongOne)
{
    const QString password = QStringLiteral("Doctor-Pw7");
    const QString shortKey = QStringLiteral("5AC3178E42F906B16D2CE49338A7FE"); // 30 digits
    const QString badDigit = QStringLiteral("5AC3178E42F906B16D2CE49338AZ");   // a 'Z'
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUARLINK_MGMT_PASSWORD"), password);
    env.insert(QStringLiteral("QUARLINK_MGMT_KEY"), shortKey);
    QProcessEnvironment keyOnly = QProcessEnvironment::systemEnvironment();
    keyOnly.remove(QStringLiteral("QUARLINK_MGMT_KEY"));
    const QString plan = dir.filePath("plan.json");
    QFile file(plan);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"lan": {"mgmtKey": ")" + badDigit.toUtf8() +
               R"("}, "modules": [{"mac": "00:11:22:33:60:01"}]})");
    file.close();
    PtyPair port;
    const QStringList doctor{"doctor", "--port", QString::fromStdString(port.slavePath()),
                             "--local-port", "0", "--broadcast", "127.255.255.255"};
    const struct
    {
        QStringList args;
        QProcessEnvironment env;
        int status;
    } cases[] = {
        {doctor, env, 1},
        {doctor + QStringList{"--json"}, env, 1},
        {{"read", "--ip", "127.0.0.2", "--mgmt-key", badDigit}, keyOnly, 2},
        {{"write", "--ip", "127.0.0.2", "--mgmt-key", shortKey, "-"}, keyOnly, 2},
        {{"provision", "--dry-run", plan}, keyOnly, 2},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(c.args, "{}", c.env);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(run.status, c.status) << what << "\n" << run.err.toStdString();
        const QString printed = run.out + run.err;
        EXPECT_TRUE(printed.contains("not a management key")) << what << "\n"
                                                              << printed.toStdString();
        for (const QString& secret : {password, shortKey, badDigit})
            EXPECT_FALSE(printed.contains(secret, Qt::CaseInsensitive))
                << secret.toStdString() << " printed by " << what << ":\n"
                << printed.toStdString();
    }
}

TEST(DoctorFixes, EveryAccessFixIsSafeToFollow)
{
    const UserIdentity outsider{1000, 1000, {}};
    const std::string user = userName(1000);
    const struct
    {
        DeviceMode device;
        bool pseudoTerminal;
        std::string expected;
    } cases[] = {
        // A group grants it: join that group.
        {{0660, 0, 20}, false, "sudo usermod -aG " + groupName(20) + " " + user},
        // Only the superuser may open these: a udev rule gives the device to a group.
        {{0660, 0, 0}, false, "KERNEL==\"ttyUSB7\", GROUP=\""},
        {{0600, 0, 20}, false, "KERNEL==\"ttyUSB7\", GROUP=\"" + groupName(20) + "\""},
        {{0600, 0, 0}, false, "/etc/udev/rules.d/"},
        // A pseudo-terminal belongs to the user whose program made it.
        {{0620, 1001, 5}, true, "run as " + userName(1001) + ", "},
        {{0600, 0, 0}, true, "sudo chown " + user + " /dev/ttyUSB7"},
        {{0000, 1000, 5}, true, "chmod u+rw /dev/ttyUSB7"}, // this user's own
    };
    for (const auto& c : cases) {
        const std::string fix = accessFix("/dev/ttyUSB7", c.device, outsider, c.pseudoTerminal);
        EXPECT_NE(fix.find(c.expected), std::string::npos) << fix << "\nexpected " << c.expected;
        EXPECT_EQ(fix.find("-aG root"), std::string::npos) << fix;
        EXPECT_EQ(fix.find("o+"), std::string::npos) << fix; // never open to every user
    }
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
        {0660, 0, 0, outsider, false, std::nullopt}, // joining the superuser's group is no fix
    };
    for (const Case& c : cases) {
        const DeviceMode device{c.mode, c.owner, c.group};
        EXPECT_EQ(mayReadWrite(device, c.user), c.allowed) << std::oct << c.mode;
        EXPECT_EQ(grantingGroup(device, c.user), c.granting) << std::oct << c.mode;
    }
}

TEST(TraceLine, MasksSecretBytesShortensLongBlocksAndListsDetailsOnLinesOfTheirOwn)
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

    // With details: the first line, one line per detail, then the hex in rows, all lined up.
    std::vector<std::uint8_t> datagram(20);
    for (std::size_t i = 0; i < datagram.size(); ++i)
        datagram[i] = static_cast<std::uint8_t>(i);
    trace::Entry items;
    items.link = trace::Link::Lan;
    items.bytes = datagram;
    items.what = "read answer";
    items.details = {"2/0 product_id 21", "9/4 wpa_passphrase (masked)"};
    items.masked = {{15, 2}};
    const std::string indent(32, ' ');
    EXPECT_EQ(trace::formatEntry(items, std::chrono::milliseconds(7)),
              "      7 ms lan    send    20 B  read answer\n" + indent + "2/0 product_id 21\n" +
                  indent + "9/4 wpa_passphrase (masked)\n" + indent +
                  "0000  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E **\n" + indent +
                  "0010  ** 11 12 13");
}

} // namespace
} // namespace quarlink::cli::testing
