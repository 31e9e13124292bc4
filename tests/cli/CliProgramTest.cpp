// quarlink-cli as a process: each subcommand against the simulated module, bad documents and
// options refused before anything is sent, and the failures of a module that does not answer.
#include "CliFixture.h"

#include "serial/SettingsItems.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsDocument.h"
#include "sim/DefaultSettings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <map>

namespace quarlink::cli::testing {
namespace {

namespace item = serial::item;
using Bytes = std::vector<std::uint8_t>;

Bytes hex(const QString& digits)
{
    return settings::parseHexText(digits).value_or(Bytes{0xEE});
}

Bytes itemOf(const sim::ModuleSettings& settings, std::uint8_t code)
{
    const auto bytes = settings.item(code);
    return Bytes(bytes.begin(), bytes.end());
}

// The key the program derives for a pass phrase and an SSID.
Bytes derivedPsk(const std::string& passphrase, const std::string& ssid)
{
    settings::SettingsDocument document;
    document.passphrase = passphrase;
    document.ssid = ssid;
    const auto key = document.derivedPsk();
    return Bytes(key.begin(), key.end());
}

// Every item not named in `changed` holds what it held before, byte for byte.
void expectOnlyChanged(const sim::ModuleSettings& before, const sim::ModuleSettings& after,
                       const std::map<std::uint8_t, Bytes>& changed)
{
    for (const auto& it : serial::kSettingsItems) {
        const auto wanted = changed.find(it.code);
        EXPECT_EQ(itemOf(after, it.code),
                  wanted == changed.end() ? itemOf(before, it.code) : wanted->second)
            << "item 0x" << std::hex << int(it.code);
    }
}

TEST_F(CliFixture, GetShowsTheModulesSettings)
{
    startSim();
    const CliRun json = cli(onPort({"get", "--json"}));
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject settings = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(settings.value("mac").toString(), "00:11:22:33:44:55");
    EXPECT_EQ(settings.value("firmware").toString(), "1.2a");
    EXPECT_EQ(settings.value("localIp").toString(), "192.168.1.50");
    EXPECT_EQ(settings.value("ssid").toString(), "ThisIsASSID");
    EXPECT_EQ(settings.value("security").toString(), "wpa");
    EXPECT_EQ(settings.value("wpaMode").toString(), "wpa2-psk");
    EXPECT_EQ(settings.value("channel").toInt(), 6);
    EXPECT_EQ(settings.value("localPort").toInt(), 5000);
    EXPECT_EQ(settings.value("psk").toString().toStdString(), sim::kDefaultWpaPskHex);
    EXPECT_TRUE(settings.value("setupText").toString().startsWith("hostname=wlan-printer\n"));

    const CliRun lines = cli(onPort({"get"}));
    ASSERT_EQ(lines.status, 0) << lines.err.toStdString();
    EXPECT_TRUE(lines.out.contains("\nssid:           ThisIsASSID\n")) << lines.out.toStdString();
}

TEST_F(CliFixture, PskAndPortsNeedNoModule)
{
    // IEEE 802.11i test vector.
    const CliRun psk = cli({"psk", "--ssid", "IEEE", "--passphrase", "password"});
    EXPECT_EQ(psk.status, 0);
    EXPECT_EQ(psk.out, "f42c6fc52df0ebef9ebb4b90b38a5f902e83fe1b135a70e23aed762e9710a12e\n");

    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QUARLINK_EXTRA_PORTS", "/tmp/quarlink-a::/tmp/quarlink-b");
    const CliRun ports = cli({"ports"}, {}, env);
    EXPECT_EQ(ports.status, 0);
    EXPECT_TRUE(ports.out.endsWith("/tmp/quarlink-a\n/tmp/quarlink-b\n"))
        << ports.out.toStdString();
}

TEST_F(CliFixture, VersionIsTheWindowsVersion)
{
    QProcess window;
    window.start(QStringLiteral(QUARLINK_WINDOW_PROGRAM), {"--version"});
    ASSERT_TRUE(window.waitForFinished(kProcessLimitMs));
    const QString shown = QString::fromUtf8(window.readAllStandardOutput()).trimmed();
    ASSERT_TRUE(shown.startsWith("quarlink ")) << shown.toStdString();

    const CliRun run = cli({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "quarlink-cli " + shown.section(' ', 1) + "\n");
}

TEST_F(CliFixture, SetChangesWhatTheDocumentNamesAndNothingElse)
{
    const sim::ModuleSettings initial = sim::defaultModuleSettings();
    const Bytes infrastructureWpa2 = hex("01060000010402");
    const struct
    {
        const char* document;
        std::map<std::uint8_t, Bytes> changed;
    } cases[] = {
        {R"({"channel": 3})", {{item::WlanBasic, hex("01030000010402")}}},
        {R"({"localIp": "10.0.0.7", "dhcp": true})",
         {{item::LocalIp, hex("0a000007")}, {item::DhcpFlags, hex("0100")}}},
        {R"({"localPort": 6000, "muxType": "COD"})",
         {{item::NetworkOptions, hex("c0a8010a70175000020000"
                                     "02")}}},
        {R"({"security": "wep", "wepKeyLength": 128, "wepDefaultKey": 3})",
         {{item::WlanBasic, hex("01060202010002")}}},
        {R"({"wep64Keys": ["0102030405", "0000000000", "ffffffffff", "A1B2C3D4E5"]})",
         {{item::Wep64Keys, hex("0102030405"
                                "0000000000"
                                "ffffffffff"
                                "a1b2c3d4e5")}}},
        {R"({"userClassId": "PTR-X"})", {{item::UserClassId, sim::textPayload("PTR-X", 64)}}},
        {R"({"ssid": "NewNet"})",
         {{item::Ssid, sim::textPayload("NewNet", 32)},
          {item::WpaPsk, derivedPsk("ThisIsAPassword", "NewNet")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        startSim(initial);
        const CliRun run = cli(onPort({"set", "-"}), c.document);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "Success\n");
        expectOnlyChanged(initial, stopSim(), c.changed);
    }
    EXPECT_EQ(itemOf(initial, item::WlanBasic), infrastructureWpa2);
}

TEST_F(CliFixture, SetDerivesTheWpaKeyAsTheWindowDoes)
{
    startSim();
    const CliRun run = cli(onPort({"set", "-"}),
                           R"({"security": "wpa", "ssid": "IEEE", "passphrase": "password"})");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const sim::ModuleSettings after = stopSim();
    // IEEE 802.11i test vector.
    EXPECT_EQ(itemOf(after, item::WpaPsk),
              hex("f42c6fc52df0ebef9ebb4b90b38a5f902e83fe1b135a70e23aed762e9710a12e"));
    EXPECT_EQ(itemOf(after, item::WpaPassphrase), sim::textPayload("password", 32));
}

TEST_F(CliFixture, GetThenSetKeepsBytesThatAreNoText)
{
    // Texts that are not UTF-8, a text with bytes after its zero, a user class id that fills
    // its item, and a setup text that is not UTF-8.
    sim::ModuleSettings initial = sim::defaultModuleSettings();
    const std::string ssid = "Caf\xE9\xFF";
    const std::string passphrase = "pass\x80word";
    initial.setItem(item::Ssid, sim::textPayload(ssid, 32));
    initial.setItem(item::WpaPassphrase, sim::textPayload(passphrase, 32));
    initial.setItem(item::WpaPsk, derivedPsk(passphrase, ssid));
    Bytes domain = sim::textPayload("host", 64);
    domain[10] = 'x';
    initial.setItem(item::PeerDomainName, domain);
    initial.setItem(item::UserClassId, sim::textPayload(std::string(64, 'U'), 64));
    ASSERT_TRUE(initial.setSetupText("a=\xC3\x28\n"));
    startSim(initial);

    const CliRun get = cli(onPort({"get", "--json"}));
    ASSERT_EQ(get.status, 0) << get.err.toStdString();
    const QJsonObject document = QJsonDocument::fromJson(get.out.toUtf8()).object();
    EXPECT_EQ(document.value("ssid").toObject().value("hex").toString(), "436166e9ff");
    const CliRun set = cli(onPort({"set", "-"}), get.out.toUtf8());
    EXPECT_EQ(set.status, 0) << set.err.toStdString();
    const sim::ModuleSettings after = stopSim();
    expectOnlyChanged(initial, after, {});
    EXPECT_EQ(after.setupText(), initial.setupText());
    EXPECT_FALSE(logText().contains("(W item 0xFF)")) << "an unchanged setup text is not sent";
}

TEST_F(CliFixture, SetUploadsAChangedSetupText)
{
    startSim();
    const CliRun run = cli(onPort({"set", "-"}), R"({"setupText": "bootdelay=1\n"})");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const sim::ModuleSettings after = stopSim();
    EXPECT_EQ(after.setupText(), "bootdelay=1\n");
    expectOnlyChanged(sim::defaultModuleSettings(), after, {});
}

TEST_F(CliFixture, BadDocumentsAreRefusedBeforeAnythingIsSent)
{
    startSim();
    const struct
    {
        const char* document;
        const char* reason;
    } cases[] = {
        {"channel: 3", "not a JSON document"},
        {"[1, 2]", "expected a JSON object"},
        {R"({"chanel": 3})", "chanel: unknown key"},
        {R"({"localIp": "300.1.1.1"})", "localIp: expected a dotted IPv4 address"},
        {R"({"gateway": 17})", "gateway: expected a dotted IPv4 address"},
        {R"({"channel": 15})", "channel: expected a whole number from 1 to 14"},
        {R"({"localPort": 70000})", "localPort: expected a whole number from 0 to 65535"},
        {R"({"waterMark": 1.5})", "waterMark: expected a whole number"},
        {R"({"dhcp": "yes"})", "dhcp: expected true or false"},
        {R"({"muxType": "XYZ"})", R"(muxType: expected one of "T2S", "ATC", "COD", "U2S")"},
        {R"({"security": "wpa", "passphrase": "short"})", "passphrase: at least 8 bytes for WPA"},
        {R"({"passphrase": "123456789012345678901234567890123"})", "passphrase: at most 32 bytes"},
        {R"({"ssid": {"hex": "4x"}})", "ssid: expected pairs of hexadecimal digits"},
        {R"({"ssid": "a\u0000b"})", "ssid: holds a zero byte"},
        {R"({"wep64Keys": ["0102030405", "01", "01", "01"]})", "wep64Keys: expected an array of 4"},
        {R"({"wep128Keys": ["00", "00", "00"]})", "wep128Keys: expected an array of 4"},
        {R"({"security": "wpa", "wepKeyLength": 64})", "wepKeyLength: applies only with"},
        {R"({"psk": "00"})", "psk: expected 64 hexadecimal digits"},
    };
    for (const auto& c : cases) {
        const CliRun run = cli(onPort({"set", "-"}), c.document);
        EXPECT_EQ(run.status, 2) << c.document;
        EXPECT_TRUE(run.err.contains(c.reason)) << c.document << " -> " << run.err.toStdString();
    }
    const CliRun missing = cli(onPort({"set", dir.filePath("missing.json")}));
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.toStdString();
    EXPECT_EQ(cli(onPort({"get", "--parity", "mark"})).status, 2);
    EXPECT_EQ(cli({"get"}).status, 2);
    EXPECT_EQ(framesReceived(), 0);
}

TEST_F(CliFixture, ModuleAndLineFailuresEndWithStatusOne)
{
    const CliRun closed = cli({"get", "--port", dir.filePath("no-such-port")});
    EXPECT_EQ(closed.status, 1);
    EXPECT_TRUE(closed.err.startsWith("Cannot open " + dir.filePath("no-such-port")))
        << closed.err.toStdString();

    startSim(sim::defaultModuleSettings(), {"--error-answer", "W:21"});
    const CliRun refused = cli(onPort({"set", "-"}), R"({"channel": 3})");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "channel: 6 -> 3\nError : 0x57[W]\n");
    EXPECT_EQ(itemOf(stopSim(), item::WlanBasic),
              itemOf(sim::defaultModuleSettings(), item::WlanBasic));

    startSim(sim::defaultModuleSettings(), {"--no-answer", "S"});
    const CliRun silent = cli(onPort({"get", "--answer-timeout", "50"}));
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err, "Error : S [Timeout]\n");
}

TEST_F(CliFixture, CombinationRefusedAfterReadingWritesNothing)
{
    // The module uses WPA, so a WEP key length cannot apply: refused after Get Info.
    startSim();
    const CliRun run = cli(onPort({"set", "-"}), R"({"wepKeyLength": 64})");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("wepKeyLength: applies only with security \"wep\""));
    EXPECT_GT(framesReceived(), 0);
    EXPECT_EQ(logText().count("(W"), 0);
}

TEST_F(CliFixture, VanishedPortEndsTheWait)
{
    startSim(sim::defaultModuleSettings(), {"--no-answer", "S"});
    QProcess get;
    get.start(QStringLiteral(QUARLINK_CLI_PROGRAM), onPort({"get", "--answer-timeout", "600000"}));
    ASSERT_TRUE(get.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return framesReceived() > 0; }));
    sim.kill();
    ASSERT_TRUE(get.waitForFinished(kProcessLimitMs));
    EXPECT_EQ(get.exitCode(), 1);
    EXPECT_TRUE(get.readAllStandardError().contains("is no longer available"));
}

} // namespace
} // namespace quarlink::cli::testing
