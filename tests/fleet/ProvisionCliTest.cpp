// quarlink-cli provision as a process: a plan of three LAN modules (simulated in this process)
// and two serial ports (quarlink-sim on pseudo-terminals) with a CSV of addresses, through a dry
// run, the run, a second run, a silent module, a restore, and bad plans that send nothing.
#include "cli/CliFixture.h"

#include "netmgmt/ItemTable.h"
#include "sim/SimulatedLan.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

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
    EXPECT_TRUE(lines.contains("00:11:22:33:50:02 10.1.0.22 changed: localIp, ssid"));
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
    for (int i = 0; i < 5; ++i) {
        const QJsonObject result = QJsonDocument::fromJson(results[i].toUtf8()).object();
        EXPECT_EQ(result.value("result").toString(), "changed") << results[i].toStdString();
        EXPECT_EQ(result.value("changes").toArray(), QJsonArray({"localIp", "ssid"}));
    }
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
    // Every write over the LAN rewrites the WLAN extra item from its selector, so that item
    // cannot go back; everything else is as it was.
    const auto withoutWlanExtra = [](std::vector<sim::LanModuleState> modules) {
        for (auto& m : modules)
            std::erase_if(m.environment, [](const sim::EnvironmentEntry& e) {
                return e.type == netmgmt::item_type::Wlan && e.index == 6;
            });
        return modules;
    };
    EXPECT_EQ(withoutWlanExtra(lan->runner().modules()), withoutWlanExtra(initialLan));
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
    const CliRun run = provision();
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("00:11:22:33:50:01 10.1.0.21 changed: localIp, ssid"))
        << run.out.toStdString();
    EXPECT_TRUE(
        lines.contains("00:11:22:33:50:02 10.1.0.22 failed: Password mismatch error occured."))
        << run.out.toStdString();
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

} // namespace
} // namespace quarlink::cli::testing
