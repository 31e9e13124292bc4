// quarlink-cli provision as a process: a plan of three LAN modules (simulated in this process)
// and two serial ports (quarlink-sim on pseudo-terminals) with a CSV of addresses, through a dry
// run, the run, a second run, a silent module, a restore, and bad plans that send nothing.
#include "cli/CliFixture.h"
#include "common/LoopbackLan.h"

#include "netmgmt/CDalmorTCP.h"
#include "netmgmt/ItemTable.h"
#include "sim/SimulatedLan.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace quarlink::cli::testing {
namespace {

// A quarlink-sim process on a pseudo-terminal with its own state file and line log.
struct SerialSim
{
    QString statePath;
    QString logPath;
    QProcess process;
    QString device;

    bool start(const QString& folder, const sim::ModuleSettings& settings)
    {
        statePath = folder + "/state.json";
        logPath = folder + "/line.log";
        QFile state(statePath);
        if (!state.open(QIODevice::WriteOnly))
            return false;
        state.write(QByteArray::fromStdString(sim::settingsToJson(settings)));
        state.close();
        process.start(QStringLiteral(QUARLINK_SIM_PROGRAM),
                      {"--state", statePath, "--log", logPath});
        while (process.waitForStarted() && !process.canReadLine())
            if (!process.waitForReadyRead(30000))
                return false;
        device = QString::fromUtf8(process.readLine()).trimmed();
        return device.startsWith("/dev/");
    }
    sim::ModuleSettings settings() const
    {
        return sim::loadStateFile(statePath.toStdString(), sim::ModuleSettings()).settings;
    }
    // Frames received from the program, and of them the item writes, from the line log.
    int count(const char* pattern) const
    {
        QFile log(logPath);
        return log.open(QIODevice::ReadOnly) ? static_cast<int>(log.readAll().count(pattern)) : 0;
    }
    int frames() const { return count("<- "); }
    int writes() const { return count("<- 1B 7E 57"); }
    ~SerialSim()
    {
        process.kill();
        process.waitForFinished();
    }
};

class Provision : public CliFixture
{
protected:
    static constexpr int kLanModules = 3;

    // `silent`: that LAN module answers nothing; `protect`: the first two have a password.
    void start(std::optional<std::size_t> silent = std::nullopt, bool protect = false)
    {
        sim::LanConfig config;
        config.port = 0;
        for (int i = 0; i < kLanModules; ++i) {
            sim::LanFaults faults;
            faults.silent = silent == static_cast<std::size_t>(i);
            config.modules.push_back(
                {sim::defaultLanModule({127, 0, 41, static_cast<std::uint8_t>(i + 2)},
                                       static_cast<unsigned>(i + 1)),
                 faults});
            if (protect && i < 2)
                config.modules.back().password = sim::LanPassword{'s', 'e', 'c', 'r', 'e', 't'};
        }
        std::string error;
        lan = sim::SimulatedLan::start(config, error);
        ASSERT_TRUE(lan) << error;
        initialLan = lan->runner().modules();
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(dir.isValid());
            ASSERT_TRUE(QDir(dir.path()).mkpath(QString("serial%1").arg(i)));
            sim::ModuleSettings settings = sim::defaultModuleSettings();
            auto identity = settings.identity();
            identity[serial::identity::Mac + 5] = static_cast<std::uint8_t>(0x60 + i);
            settings.setIdentity(identity);
            ASSERT_TRUE(serials[i].start(dir.filePath(QString("serial%1").arg(i)), settings));
            initialSerial[i] = serials[i].settings();
        }
        writeFile("plan.json", planText());
        QByteArray csv = "mac;port;localIp\r\n";
        for (int i = 0; i < kLanModules; ++i)
            csv += "00:11:22:33:50:0" + QByteArray::number(i + 1) + ";;10.1.0." +
                   QByteArray::number(21 + i) + "\r\n";
        for (int i = 0; i < 2; ++i)
            csv +=
                ";" + serials[i].device.toUtf8() + ";10.1.0." + QByteArray::number(31 + i) + "\r\n";
        writeFile("values.csv", "\xEF\xBB\xBF" + csv);
    }

    QByteArray planText() const
    {
        QJsonArray modules;
        for (int i = 0; i < kLanModules; ++i)
            modules.append(QJsonObject{{"mac", QString("00:11:22:33:50:0%1").arg(i + 1)}});
        for (const SerialSim& s : serials)
            modules.append(QJsonObject{{"port", s.device}, {"baud", 57600}});
        const QJsonObject plan{{"template", QJsonObject{{"ssid", "PlantNet"}}},
                               {"lan", QJsonObject{{"mgmtPort", lan->port()},
                                                   {"localPort", 0},
                                                   {"broadcast", "127.255.255.255"},
                                                   {"answerTimeout", 300}}},
                               {"modules", modules}};
        return QJsonDocument(plan).toJson();
    }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    CliRun provision(QStringList extra = {}) const
    {
        return cli(QStringList{"provision", dir.filePath("plan.json"), "--values",
                               dir.filePath("values.csv")} +
                   extra);
    }

    // Each LAN module's and serial module's settings as `read` and `get` print them.
    QJsonObject lanDocument(int i) const
    {
        const CliRun run = cli({"read", "--json", "--mac", QString("00:11:22:33:50:0%1").arg(i + 1),
                                "--mgmt-port", QString::number(lan->port()), "--local-port", "0",
                                "--broadcast", "127.255.255.255", "--answer-timeout", "300"});
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    }
    QJsonObject serialDocument(int i) const
    {
        const CliRun run = cli({"get", "--json", "--port", serials[i].device});
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    }
    static QStringList differingKeys(const QJsonObject& a, const QJsonObject& b)
    {
        QStringList keys;
        for (auto it = a.begin(); it != a.end(); ++it)
            if (b.value(it.key()) != it.value())
                keys << it.key();
        return keys;
    }

    std::unique_ptr<sim::SimulatedLan> lan;
    std::vector<sim::LanModuleState> initialLan;
    SerialSim serials[2];
    sim::ModuleSettings initialSerial[2];
};

TEST_F(Provision, DryRunRunSecondRunAndRestore)
{
    start();
    QJsonObject before[5];
    for (int i = 0; i < kLanModules; ++i)
        before[i] = lanDocument(i);
    for (int i = 0; i < 2; ++i)
        before[3 + i] = serialDocument(i);
    const std::size_t requestsBefore = lan->runner().requestCount();

    const CliRun dry = provision({"--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err.toStdString() << dry.out.toStdString();
    const QStringList lines = dry.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << dry.out.toStdString();
    EXPECT_EQ(lines.filter(" changed: localIp, ssid").size(), 5) << dry.out.toStdString();
    // The address each module has: in a dry run still the one it was read with.
    EXPECT_TRUE(lines.contains("00:11:22:33:50:02 " + before[1].value("localIp").toString() +
                               " changed: localIp, ssid"))
        << dry.out.toStdString();
    EXPECT_TRUE(lines.contains(serials[1].device + " " + before[4].value("localIp").toString() +
                               " changed: localIp, ssid"))
        << dry.out.toStdString();
    EXPECT_EQ(lines.last(), "5 changed, 0 unchanged, 0 failed, 0 not found");
    EXPECT_EQ(lan->runner().modules(), initialLan);
    EXPECT_EQ(lan->runner().requestCount(), requestsBefore + 2 * kLanModules); // reads only
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(serials[i].writes(), 0);
        EXPECT_EQ(serials[i].settings(), initialSerial[i]);
    }

    const CliRun run = provision({"--backup", dir.filePath("backups"), "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList results = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(results.size(), 6);
    QStringList addresses;
    for (int i = 0; i < 5; ++i) {
        const QJsonObject result = QJsonDocument::fromJson(results[i].toUtf8()).object();
        EXPECT_EQ(result.value("result").toString(), "changed") << results[i].toStdString();
        EXPECT_EQ(result.value("changes").toArray(), QJsonArray({"localIp", "ssid"}));
        addresses << result.value("address").toString(); // the one it has after the write
    }
    addresses.sort();
    EXPECT_EQ(addresses,
              QStringList({"10.1.0.21", "10.1.0.22", "10.1.0.23", "10.1.0.31", "10.1.0.32"}));
    EXPECT_EQ(QDir(dir.filePath("backups")).entryList({"*.json"}).size(), 5);
    for (int i = 0; i < 5; ++i) {
        const QJsonObject after =
            i < kLanModules ? lanDocument(i) : serialDocument(i - kLanModules);
        EXPECT_EQ(differingKeys(before[i], after), QStringList({"localIp", "psk", "ssid"})) << i;
        EXPECT_EQ(after.value("ssid").toString(), "PlantNet");
    }
    EXPECT_EQ(lanDocument(2).value("localIp").toString(), "10.1.0.23");
    EXPECT_EQ(serialDocument(1).value("localIp").toString(), "10.1.0.32");

    const int serialWrites = serials[0].writes();
    const std::size_t requestsSecond = lan->runner().requestCount();
    const CliRun again = provision();
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_EQ(again.out.split('\n', Qt::SkipEmptyParts)
                  .filter(QRegularExpression(QStringLiteral(" unchanged$")))
                  .size(),
              5);
    EXPECT_EQ(lan->runner().requestCount(), requestsSecond + 2 * kLanModules); // no write
    EXPECT_EQ(serials[0].writes(), serialWrites);

    const CliRun restore =
        cli({"provision", "--restore", dir.filePath("backups"), dir.filePath("plan.json")});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString() << restore.out.toStdString();
    // Everything but the WLAN extra item is as it was.
    EXPECT_EQ(quarlink::testing::withoutWlanExtra(lan->runner().modules()), quarlink::testing::withoutWlanExtra(initialLan));
    for (int i = 0; i < kLanModules; ++i)
        EXPECT_EQ(lanDocument(i), before[i]) << i;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(serials[i].settings(), initialSerial[i]) << i;
}

TEST_F(Provision, ASilentModuleFailsAndTheOthersSucceed)
{
    start(1);
    const CliRun run = provision();
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("00:11:22:33:50:02 failed: No response from selected Vorbex."))
        << run.out.toStdString();
    EXPECT_EQ(lines.last(), "4 changed, 0 unchanged, 1 failed, 0 not found");
}

TEST_F(Provision, APasswordFileOfThePlanUnlocksItsModule)
{
    start(std::nullopt, true);
    writeFile("secret.txt", "secret\n");
    QJsonObject plan = QJsonDocument::fromJson(planText()).object();
    QJsonArray modules = plan.value("modules").toArray();
    QJsonObject first = modules[0].toObject();
    first.insert("passwordFile", "secret.txt"); // beside the plan
    modules[0] = first;
    plan.insert("modules", modules);
    writeFile("plan.json", QJsonDocument(plan).toJson());
    const QJsonObject before = lanDocument(0);
    const QString backups = dir.filePath("backups");
    const CliRun run = provision({"--backup", backups});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("00:11:22:33:50:01 10.1.0.21 changed: localIp, ssid"))
        << run.out.toStdString();
    // A module that refused the write keeps, and shows, the address it had.
    EXPECT_TRUE(lines.contains("00:11:22:33:50:02 " + lanDocument(1).value("localIp").toString() +
                               " failed: Password mismatch error occured."))
        << run.out.toStdString();

    // The restore sends the module the password of its plan entry as well.
    ASSERT_TRUE(QFile::remove(QDir(backups).filePath("00:11:22:33:50:02.json")));
    const CliRun restore = cli({"provision", "--restore", backups, dir.filePath("plan.json")});
    EXPECT_EQ(restore.status, 0) << restore.out.toStdString() << restore.err.toStdString();
    EXPECT_TRUE(restore.out.split('\n').contains(
        "00:11:22:33:50:01 " + before.value("localIp").toString() + " changed: localIp, ssid"))
        << restore.out.toStdString() << restore.err.toStdString();
    EXPECT_EQ(lanDocument(0), before);
}

TEST_F(Provision, BadPlansAreRefusedWithNothingSent)
{
    start();
    struct Case
    {
        QByteArray plan;
        QByteArray csv;
        QStringList options;
        QString expected;
    };
    const QByteArray planText = this->planText();
    const std::vector<Case> cases = {
        {R"({"template": {"sid": "x"}, "modules": [{"mac": "00:11:22:33:50:01"}]})",
         {},
         {},
         "template.sid"},
        {planText,
         "mac,localIp\n00:11:22:33:50:01,10.1.0.9\n00:11:22:33:50:02,10.1.0.9\n",
         {},
         "is planned for"},
        {planText, "mac,color\n00:11:22:33:50:01,red\n", {}, "\"color\" is not a settings key"},
        {planText,
         "mac,localIp\n00:11:22:33:50:01,10.1.0.9\n",
         {"--dry-run", "--backup", "b"},
         "--dry-run"},
    };
    for (const Case& c : cases) {
        writeFile("bad.json", c.plan);
        writeFile("bad.csv", c.csv.isEmpty() ? QByteArray("mac\n") : c.csv);
        const CliRun run = cli(QStringList{"provision", dir.filePath("bad.json"), "--values",
                                           dir.filePath("bad.csv")} +
                               c.options);
        EXPECT_EQ(run.status, 2) << c.expected.toStdString();
        EXPECT_TRUE(run.err.contains(c.expected)) << run.err.toStdString();
    }
    EXPECT_EQ(lan->runner().requestCount(), 0u);
    for (const SerialSim& s : serials)
        EXPECT_EQ(s.frames(), 0);
}

TEST_F(Provision, ALanBackupHoldsWhatWasReadAndRestoresOverSerialWithoutTheSetupText)
{
    start();
    const QString backups = dir.filePath("backups");
    ASSERT_EQ(provision({"--backup", backups}).status, 0);
    const auto backupOf = [&](const QString& name) {
        QFile file(QDir(backups).filePath(name + ".json"));
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    };
    // The LAN module's backup is what `read` prints; the serial module's what `get` prints.
    const QJsonObject lanBackup = backupOf("00:11:22:33:50:01");
    EXPECT_FALSE(lanBackup.contains("setupText"));
    EXPECT_EQ(lanBackup.value("moduleIp").toString(), "127.0.41.2");
    EXPECT_EQ(backupOf("00:11:22:33:44:60").value("setupText"),
              serialDocument(0).value("setupText"));

    // The same module on a serial port gets the LAN backup back and keeps its setup text.
    sim::ModuleSettings settings = sim::defaultModuleSettings();
    auto identity = settings.identity();
    const std::uint8_t mac[] = {0x00, 0x11, 0x22, 0x33, 0x50, 0x01};
    std::copy(std::begin(mac), std::end(mac), identity.begin() + serial::identity::Mac);
    settings.setIdentity(identity);
    ASSERT_TRUE(QDir(dir.path()).mkpath("same"));
    SerialSim same;
    ASSERT_TRUE(same.start(dir.filePath("same"), settings));
    ASSERT_TRUE(QDir(dir.path()).mkpath("restore"));
    ASSERT_TRUE(QFile::copy(QDir(backups).filePath("00:11:22:33:50:01.json"),
                            dir.filePath("restore/00:11:22:33:50:01.json")));
    writeFile(
        "serial.json",
        QJsonDocument(QJsonObject{{"modules", QJsonArray{QJsonObject{{"port", same.device}}}}})
            .toJson());
    const CliRun restore =
        cli({"provision", "--restore", dir.filePath("restore"), dir.filePath("serial.json")});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString() << restore.out.toStdString();
    EXPECT_TRUE(restore.out.startsWith(same.device + " 192.168.1.101 changed: "))
        << restore.out.toStdString();
    EXPECT_FALSE(restore.out.contains("setupText")) << restore.out.toStdString();
    EXPECT_EQ(same.settings().setupText(), settings.setupText());
    EXPECT_EQ(same.settings().itemText(serial::item::Ssid),
              lanBackup.value("ssid").toString().toStdString());
}

TEST_F(Provision, ARestoreChecksEveryBackupBeforeAnythingIsSent)
{
    start();
    const QJsonObject module = lanDocument(0); // as `read --json` prints it
    // Both copies of that read's request are in before the count is taken.
    ASSERT_TRUE(waitUntil([&] { return lan->runner().requestCount() >= 2; }));
    QJsonObject readForm = module;
    readForm.insert("productId", 300);
    readForm.insert("userClassId", "PTR-7");
    QJsonObject badChannel = module;
    badChannel.insert("channel", 15);
    const struct
    {
        const char* what;
        std::vector<std::pair<QString, QJsonObject>> files;
        int status;
        QString expected; // on standard error, or standard output for a restore that runs
    } cases[] = {
        {"a bad value", {{"a", readForm}, {"b", badChannel}}, 2, "b.json: channel: expected"},
        {"one MAC address in two files",
         {{"a", readForm}, {"b", module}},
         2,
         "a.json and " + dir.filePath("b1/b.json") + " both hold a backup of 00:11:22:33:50:01"},
        {"what read printed",
         {{"a", readForm}},
         0,
         "00:11:22:33:50:01 " + module.value("localIp").toString() + " changed: userClassId"},
    };
    // A plan of the LAN alone: a restore reads every serial port its plan names.
    QJsonObject plan = QJsonDocument::fromJson(planText()).object();
    plan.insert("modules", QJsonArray());
    writeFile("lan.json", QJsonDocument(plan).toJson());
    int folder = 0;
    for (const auto& c : cases) {
        const QString name = QStringLiteral("b%1").arg(folder++);
        ASSERT_TRUE(QDir(dir.path()).mkpath(name));
        for (const auto& [file, document] : c.files)
            writeFile(name + "/" + file + ".json", QJsonDocument(document).toJson());
        const std::size_t requests = lan->runner().requestCount();
        const CliRun run =
            cli({"provision", "--restore", dir.filePath(name), dir.filePath("lan.json")});
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.err.toStdString();
        EXPECT_TRUE((c.status == 2 ? run.err : run.out).contains(c.expected))
            << c.what << ": " << run.err.toStdString() << run.out.toStdString();
        if (c.status == 2) {
            EXPECT_EQ(lan->runner().requestCount(), requests) << c.what;
        }
    }
    EXPECT_EQ(lanDocument(0).value("userClassId").toString(), "PTR-7");
}

TEST_F(Provision, ModulesThatReportOneMacAddressAreWrittenOnce)
{
    // Three modules still at one factory MAC address; the first to report it is provisioned.
    sim::ModuleSettings settings = sim::defaultModuleSettings();
    auto identity = settings.identity();
    const std::uint8_t mac[] = {0x00, 0x30, 0xF9, 0xAB, 0xCD, 0xEF};
    std::copy(std::begin(mac), std::end(mac), identity.begin() + serial::identity::Mac);
    settings.setIdentity(identity);
    SerialSim sims[3];
    QByteArray csv = "port,localIp\n";
    for (int i = 0; i < 3; ++i) {
        const QString folder = QString("same%1").arg(i);
        ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
        ASSERT_TRUE(sims[i].start(dir.filePath(folder), settings));
        csv += sims[i].device.toUtf8() + ",10.1.0." + QByteArray::number(41 + i) + "\n";
    }
    writeFile("plan.json", R"({"template": {"ssid": "PlantNet"}, "modules": []})");
    writeFile("values.csv", csv);
    const QString backups = dir.filePath("backups");
    const CliRun run = provision({"--backup", backups, "--json"});
    EXPECT_EQ(run.status, 1);
    QStringList outcomes;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts).mid(0, 3)) {
        const QJsonObject result = QJsonDocument::fromJson(line.toUtf8()).object();
        // One form of a MAC address everywhere: the one `get`, `read` and `write --json` show.
        EXPECT_EQ(result.value("mac").toString(), "00:30:F9:AB:CD:EF") << line.toStdString();
        outcomes << result.value("result").toString();
        if (result.value("result") == "failed") {
            EXPECT_TRUE(result.value("error").toString().startsWith(
                "not written: the MAC address 00:30:F9:AB:CD:EF was reported by /dev/"))
                << line.toStdString();
        }
    }
    outcomes.sort();
    EXPECT_EQ(outcomes, QStringList({"changed", "failed", "failed"})) << run.out.toStdString();
    EXPECT_EQ(QDir(backups).entryList(QDir::Files), QStringList({"00:30:F9:AB:CD:EF.json"}));
    EXPECT_EQ(std::count_if(std::begin(sims), std::end(sims),
                            [](const SerialSim& s) { return s.writes() > 0; }),
              1);
}

// Provisioning over the LAN alone, against modules made for the case.
class LanProvision : public CliLanFixture
{
protected:
    // A plan of `templateKeys` for the modules listed by MAC address, and `select` when given.
    CliRun provision(const QJsonObject& templateKeys, const QStringList& macs,
                     const QJsonValue& select = QJsonValue::Undefined, QStringList extra = {})
    {
        QJsonArray modules;
        for (const QString& mac : macs)
            modules.append(QJsonObject{{"mac", mac}});
        QJsonObject plan{{"template", templateKeys},
                         {"lan", QJsonObject{{"mgmtPort", lan->port()},
                                             {"localPort", 0},
                                             {"broadcast", "127.255.255.255"},
                                             {"answerTimeout", 300}}},
                         {"modules", modules}};
        if (!select.isUndefined())
            plan.insert("select", select);
        QFile file(dir.filePath("plan.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(plan).toJson());
        file.close();
        return cli(QStringList{"provision", dir.filePath("plan.json")} + extra);
    }
};

TEST_F(LanProvision, AKeyTheRecordCannotCarryOrThatDoesNotTakeFailsItsModule)
{
    sim::LanModuleState noWlan = sim::defaultLanModule({127, 0, 42, 2}, 1);
    noWlan.setProductId(0, 3);
    sim::LanFaults keepsWlan;
    keepsWlan.keptType = netmgmt::item_type::Wlan;
    startModules({{noWlan, {}},
                  {sim::defaultLanModule({127, 0, 42, 3}, 2), keepsWlan},
                  {sim::defaultLanModule({127, 0, 42, 4}, 3), {}}});
    const QStringList macs{"00:11:22:33:50:01", "00:11:22:33:50:02", "00:11:22:33:50:03"};
    const QString noWlanLine = "00:11:22:33:50:01 192.168.1.101 failed: ssid: this module's "
                               "record holds no WLAN settings (product 3), so a write over the "
                               "LAN cannot carry it";
    const CliRun dry =
        provision({{"ssid", "PlantNet"}}, macs, QJsonValue::Undefined, {"--dry-run"});
    EXPECT_EQ(dry.status, 1);
    EXPECT_TRUE(dry.out.split('\n').contains(noWlanLine)) << dry.out.toStdString();

    const CliRun run = provision({{"ssid", "PlantNet"}}, macs);
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(noWlanLine)) << run.out.toStdString();
    EXPECT_TRUE(lines.contains("00:11:22:33:50:02 192.168.1.102 failed: ssid: the module answered "
                               "the write, but its record does not hold the value written"))
        << run.out.toStdString();
    EXPECT_TRUE(lines.contains("00:11:22:33:50:03 192.168.1.103 changed: ssid"))
        << run.out.toStdString();
    const auto modules = lan->runner().modules();
    EXPECT_EQ(modules[0], initial[0]); // nothing was written to it
    EXPECT_EQ(modules[1].find(netmgmt::item_type::Wlan, 1)->data,
              initial[1].find(netmgmt::item_type::Wlan, 1)->data);

    // A serial module's backup holds a setup text, which no module on the LAN takes.
    ASSERT_TRUE(QDir(dir.path()).mkpath("serial"));
    QFile backup(dir.filePath("serial/b.json"));
    ASSERT_TRUE(backup.open(QIODevice::WriteOnly));
    backup.write(R"({"mac": "00:11:22:33:50:03", "userClassId": "PTR-3", "setupText": "a=1"})");
    backup.close();
    const auto before = lan->runner().modules();
    const CliRun restore =
        cli({"provision", "--restore", dir.filePath("serial"), dir.filePath("plan.json")});
    EXPECT_EQ(restore.status, 1);
    EXPECT_TRUE(restore.out.startsWith("00:11:22:33:50:03 192.168.1.103 failed: setupText: a "
                                       "module on the LAN holds no setup text"))
        << restore.out.toStdString();
    EXPECT_EQ(lan->runner().modules(), before);
}

TEST_F(LanProvision, ASearchThatFindsNobodyFails)
{
    sim::LanFaults silent;
    silent.silent = true;
    startModules({{sim::defaultLanModule({127, 0, 42, 2}, 1), silent},
                  {sim::defaultLanModule({127, 0, 42, 3}, 2), {}}});
    const struct
    {
        const char* what;
        QStringList options;
    } cases[] = {
        {"no module answers", {"--broadcast", "127.0.42.2"}}, // the silent one's address
        {"a wrong management key", {"--mgmt-key", "0102030405060708090a0b0c0d0e"}},
    };
    for (const auto& c : cases) {
        const CliRun run = provision({{"userClassId", "PTR"}}, {}, "all", c.options);
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_TRUE(run.err.contains("quarlink-cli provision: Cannot find the TCP/IP"))
            << c.what << ": " << run.err.toStdString();
        EXPECT_EQ(run.out, "0 changed, 0 unchanged, 0 failed, 0 not found\n") << c.what;
    }
}

TEST_F(LanProvision, ASearchThatFillsTheModuleTableSaysSo)
{
    // One module more than the table holds: whichever answers last is left out of it.
    std::vector<sim::LanModuleSetup> modules;
    for (unsigned i = 0; i < netmgmt::CDalmorTCP::kModuleTableSize + 1; ++i)
        modules.push_back({sim::defaultLanModule({127, 0, static_cast<std::uint8_t>(43 + i / 200),
                                                  static_cast<std::uint8_t>(2 + i % 200)},
                                                 i + 1),
                           {}});
    startModules(std::move(modules));
    const QJsonObject keys{{"userClassId", "PTR"}};
    // Time enough for every answer to the search on a busy machine.
    const QStringList options{"--dry-run", "--answer-timeout", "1500"};
    const CliRun all = provision(keys, {}, "all", options);
    EXPECT_EQ(all.status, 1);
    EXPECT_TRUE(all.err.contains("the search filled the module table (256 modules)"))
        << all.err.toStdString();
    EXPECT_EQ(all.out.split('\n', Qt::SkipEmptyParts).last(),
              "256 changed, 0 unchanged, 0 failed, 0 not found");

    // Every listed module is read, in the table or not; the run then ends well.
    const QStringList listed{"00:11:22:33:50:01", "00:11:22:33:51:01"};
    const CliRun some = provision(keys, listed, "all", options);
    EXPECT_EQ(some.status, 0) << some.err.toStdString();
    EXPECT_TRUE(some.err.contains("the search filled the module table")) << some.err.toStdString();
    for (const QString& mac : listed)
        EXPECT_TRUE(some.out.contains(mac + " ")) << mac.toStdString();
}

} // namespace
} // namespace quarlink::cli::testing
