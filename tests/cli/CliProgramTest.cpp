// quarlink-cli as a process: each subcommand against the simulated module, bad documents and
// options refused before anything is sent, and the failures of a module that does not answer.
#include "CliFixture.h"

#include "sim/DefaultSettings.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace quarlink::cli::testing {
namespace {

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

} // namespace
} // namespace quarlink::cli::testing
