// set and write as processes deciding from the computed change: a dry run writes nothing, a
// document that changes nothing is not written unless forced, secrets are masked unless shown,
// and a backup (mode 0600) put back with set or write restores the module byte for byte.
#include "CliFixture.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace quarlink::cli::testing {
namespace {

// The permission bits of a file; 0 when it is missing.
mode_t permissionsOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

int writeFrames(const QByteArray& log)
{
    return static_cast<int>(log.count("(W"));
}

QJsonObject resultOf(const CliRun& run)
{
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

// One run in a sequence against the same module.
struct Step
{
    const char* what;
    QStringList options;
    const char* document;
    QString out; // standard output, exactly
    QString err; // standard error, exactly
    bool writes; // the module received writes
};

const char* const kChannelAndSecret = R"({"channel": 3, "passphrase": "AnotherPassword"})";
const QString kChangeLines = "channel: 6 -> 3\n"
                             "passphrase: \"********\" -> \"********\"\n";

TEST_F(CliFixture, SetWritesOnlyWhatChangesAndSaysSo)
{
    const Step steps[] = {
        {"dry run", {"--dry-run"}, kChannelAndSecret, kChangeLines, "", false},
        {"dry run with secrets",
         {"--dry-run", "--show-secrets"},
         R"({"passphrase": "AnotherPassword"})",
         "passphrase: \"ThisIsAPassword\" -> \"AnotherPassword\"\n",
         "",
         false},
        {"quiet", {"--quiet"}, R"({"userClassId": "PTR-Q"})", "Success\n", "", true},
        {"change", {}, kChannelAndSecret, "Success\n", kChangeLines, true},
        {"the same again", {}, kChannelAndSecret, "Unchanged\n", "", false},
        {"forced", {"--force"}, kChannelAndSecret, "Success\n", "", true},
    };
    startSim();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const int before = writeFrames(logText());
        const CliRun run = cli(onPort(QStringList{"set"} + step.options << "-"), step.document);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, step.out);
        EXPECT_EQ(run.err, step.err);
        EXPECT_EQ(writeFrames(logText()) > before, step.writes);
    }
}

TEST_F(CliFixture, SetBackupPutBackRestoresTheModule)
{
    const sim::ModuleSettings initial = sim::defaultModuleSettings();
    startSim(initial);
    const QString backup = dir.filePath("backup.json");
    const CliRun change =
        cli(onPort({"set", "--json", "--backup", backup, "-"}),
            R"({"ssid": "PrinterNet", "localIp": "10.0.0.9", "setupText": "a=1\n"})");
    ASSERT_EQ(change.status, 0) << change.err.toStdString();
    const QJsonObject result = resultOf(change);
    EXPECT_EQ(result.value("target").toString(), device);
    EXPECT_TRUE(result.value("changed").toBool());
    EXPECT_TRUE(result.value("written").toBool());
    EXPECT_EQ(result.value("backup").toString(), backup);
    EXPECT_EQ(result.value("changes").toObject().keys(),
              (QStringList{"localIp", "setupText", "ssid"}));
    EXPECT_EQ(result.value("before").toObject().value("passphrase").toString(), "********");
    EXPECT_EQ(permissionsOf(backup), mode_t{0600});

    const CliRun restore = cli(onPort({"set", "--json", backup}));
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(resultOf(restore).value("changed").toBool());
    const CliRun again = cli(onPort({"set", "--json", backup}));
    EXPECT_FALSE(resultOf(again).value("changed").toBool()) << again.out.toStdString();
    EXPECT_FALSE(resultOf(again).value("written").toBool());
    EXPECT_EQ(sim::settingsToJson(stopSim()), sim::settingsToJson(initial));
}

TEST_F(CliFixture, BadBackupPathIsRefusedBeforeTheModuleIsRead)
{
    startSim();
    const CliRun run = cli(onPort({"set", "--backup", dir.filePath("none/backup.json"), "-"}),
                           R"({"channel": 3})");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("--backup: the folder")) << run.err.toStdString();
    EXPECT_EQ(framesReceived(), 0);
}

const netmgmt::Ipv4Bytes kModule{127, 0, 14, 2};

class SafeLanChange : public CliLanFixture
{
protected:
    void SetUp() override
    {
        auto module = sim::defaultLanModule(kModule, 4);
        // WPA2 without the extra-bytes selector, so a write leaves those bytes as they are and
        // a restored module equals the original byte for byte.
        module.put(9, 0, std::array<std::uint8_t, 4>{0x01, 0x00, 0x04, 0x00});
        startModules({{module, {}}});
    }

    // True when the module received the requests of `exchanges` more exchanges (reads or
    // writes) since the last call, and no others. Every exchange sends its request twice; when
    // the program has ended, the module has taken the first copy of each (it answered it) and
    // every copy of the exchanges before (they came in order to its own address), so an extra
    // exchange shows at once, while the last second copy may still be on its way.
    bool receivedExchanges(std::size_t exchanges)
    {
        expectedRequests += 2 * exchanges;
        waitUntil([this] { return lan->runner().requestCount() >= expectedRequests; });
        return lan->runner().requestCount() == expectedRequests;
    }

    std::size_t expectedRequests = 0;
};

TEST_F(SafeLanChange, WriteDecidesFromTheChange)
{
    const struct
    {
        const char* what;
        QStringList options;
        const char* document;
        QString out;
        bool writes;
        bool changed;
    } steps[] = {
        {"dry run",
         {"--dry-run"},
         R"({"ssid": "NewNet"})",
         "ssid: \"ThisIsASSID\" -> \"NewNet\"\n",
         false,
         false},
        {"change", {"--quiet"}, R"({"ssid": "NewNet"})", "", true, true},
        {"the same again", {}, R"({"ssid": "NewNet"})", "Unchanged\n", false, true},
        {"forced", {"--force"}, R"({"ssid": "NewNet"})", "", true, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const CliRun run =
            lanCli(QStringList{"write", "--ip", "127.0.14.2"} + step.options << "-", step.document);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, step.out);
        EXPECT_TRUE(receivedExchanges(step.writes ? 2 : 1)); // the read, and the write if any
        EXPECT_EQ(lan->runner().modules() != initial, step.changed);
        EXPECT_EQ(run.err.contains("Write success..."), step.writes) << run.err.toStdString();
    }
}

TEST_F(SafeLanChange, WriteBackupPutBackRestoresTheModule)
{
    const QString backup = dir.filePath("module.json");
    {
        // An older file of wider permissions is replaced by one of the owner's only.
        QFile older(backup);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("old");
        older.close();
        ::chmod(QFile::encodeName(backup).constData(), 0644);
    }
    const CliRun change =
        lanCli({"write", "--mac", "00-11-22-33-50-04", "--json", "--backup", backup, "-"},
               R"({"userClassId": "PTR-1", "passphrase": "AnotherPassword"})");
    ASSERT_EQ(change.status, 0) << change.err.toStdString();
    const QJsonObject result = resultOf(change);
    EXPECT_EQ(result.value("target").toString(), "00:11:22:33:50:04");
    EXPECT_TRUE(result.value("written").toBool());
    EXPECT_EQ(result.value("changes").toObject().value("passphrase").toObject(),
              (QJsonObject{{"before", "********"}, {"after", "********"}}));
    EXPECT_NE(lan->runner().modules(), initial);
    EXPECT_EQ(permissionsOf(backup), mode_t{0600});

    const CliRun restore = lanCli({"write", "--ip", "127.0.14.2", "--json", backup});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_EQ(resultOf(restore).value("target").toString(), "127.0.14.2");
    EXPECT_EQ(lan->runner().modules(), initial);
}

} // namespace
} // namespace quarlink::cli::testing
