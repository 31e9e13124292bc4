// A module's environment record as a settings document, and a document's changes written back
// into the record without touching anything else.
#include "settings/RecordMapping.h"
#include "settings/RecordCarriage.h"
#include "settings/SettingsJson.h"

#include "netmgmt/ItemTable.h"

#include <gtest/gtest.h>

#include <functional>

namespace quarlink::settings {
namespace {

netmgmt::ModuleRecord sampleRecord()
{
    netmgmt::ModuleRecord r{};
    r.mac_address = {0x00, 0x30, 0xF9, 0x00, 0x00, 0x07};
    r.product_id = 21;
    r.fw_major = 1;
    r.fw_version = 2 << 8 | 0;
    r.local_ip = {192, 168, 7, 20};
    r.option_flags = 0xF0000000u | kOptionDnsAuto;
    r.wlan_word = 1 | 3u << 8 | 2u << 10 | 0xFFu << 21; // bits outside the known fields too
    setRecordText(r.ssid, "office");
    r.channel[0].local_port = 9100;
    r.channel[0].mode_flags = 0x80;
    setRecordText(r.channel[0].peer_domain_name, std::string("peer\0tail", 9));
    setRecordText(r.user_class_id, "PTR-OLD-AND-LONG");
    r.password_0[0] = 0x5A;
    return r;
}

TEST(RecordMapping, DocumentShowsTheRecordsSettings)
{
    const SettingsDocument d = documentFromRecord(sampleRecord());
    const QJsonObject json = toJson(d);
    EXPECT_EQ(json.value("mac").toString(), "00:30:F9:00:00:07");
    EXPECT_EQ(json.value("firmware").toString(), "1.2a");
    EXPECT_EQ(json.value("localIp").toString(), "192.168.7.20");
    EXPECT_FALSE(json.value("dhcp").toBool());
    EXPECT_TRUE(json.value("dnsAuto").toBool());
    EXPECT_EQ(json.value("wlanMode").toString(), "infrastructure");
    EXPECT_EQ(json.value("wepDefaultKey").toInt(), 3);
    EXPECT_EQ(json.value("localPort").toInt(), 9100);
    EXPECT_EQ(json.value("peerDomainName").toString(), "peer");
}

TEST(RecordMapping, OnlyTheChangedSettingsReachTheRecord)
{
    const netmgmt::ModuleRecord original = sampleRecord();
    const SettingsDocument read = documentFromRecord(original);

    netmgmt::ModuleRecord same = original;
    applyChangedSettings(read, read, same);
    EXPECT_EQ(same, original); // bytes after a zero and unknown bits survive

    SettingsDocument wanted = read;
    wanted.userClassId = "PTR-1";
    wanted.dhcp = 1;
    wanted.wlan.cipher = 2;
    wanted.options.codListen = 1;
    netmgmt::ModuleRecord changed = original;
    applyChangedSettings(read, wanted, changed);

    netmgmt::ModuleRecord expected = original;
    setRecordText(expected.user_class_id, "PTR-1"); // no trace of the longer old text
    expected.option_flags |= kOptionDhcp;
    expected.wlan_word |= 2u << 19;
    expected.channel[0].mode_flags = 0x82;
    EXPECT_EQ(changed, expected);
}

TEST(RecordMapping, RecordEntriesAreTheReadDocument)
{
    netmgmt::ModuleRecord record = sampleRecord();
    record.product_id = 300;
    record.module_ip = {127, 0, 0, 2};
    const QJsonObject json = entriesObject(recordEntries(record));
    EXPECT_EQ(json.value("productId").toInt(), 300);
    EXPECT_EQ(json.value("moduleIp").toString(), "127.0.0.2");
    EXPECT_FALSE(json.contains("setupText")); // a record holds none
}

TEST(RecordCarriage, AKeyTheRecordCannotCarryIsNamedBeforeTheWrite)
{
    const struct
    {
        const char* what;
        std::uint16_t product;
        bool channel0;
        std::function<void(SettingsDocument&)> edit;
        std::string error; // its start; empty: carried
    } cases[] = {
        {"WLAN product, SSID", 21, true, [](SettingsDocument& d) { d.ssid = "Plant"; }, ""},
        {"no WLAN block, SSID", 3, true, [](SettingsDocument& d) { d.ssid = "Plant"; },
         "ssid: this module's record holds no WLAN settings (product 3)"},
        {"no WLAN block, pass phrase", 3, true,
         [](SettingsDocument& d) { d.passphrase = "new-secret"; }, "passphrase: this module's"},
        {"no WLAN block, address and class", 3, true,
         [](SettingsDocument& d) {
             d.localIp = 7;
             d.userClassId = "PTR-2";
             d.dhcp = 1;
         },
         ""},
        {"no channel, local port", 21, false, [](SettingsDocument& d) { d.options.localPort = 9; },
         "localPort: this module reports no serial channel settings"},
        {"channel, local port", 21, true, [](SettingsDocument& d) { d.options.localPort = 9; }, ""},
        {"setup text", 21, true, [](SettingsDocument& d) { d.setupText = "a=1"; },
         "setupText: a module on the LAN holds no setup text"},
    };
    for (const auto& c : cases) {
        netmgmt::ModuleRecord record = sampleRecord();
        record.product_id = c.product;
        netmgmt::setBlockFlags(record);
        record.channel[0].present = c.channel0 ? 1 : 0;
        const SettingsDocument read = documentFromRecord(record);
        SettingsDocument wanted = read;
        c.edit(wanted);
        const std::string error = uncarriedKey(record, settingsChange(read, wanted));
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.what << ": " << error;
        EXPECT_EQ(error.empty(), c.error.empty()) << c.what;
    }
}

TEST(RecordCarriage, AKeyTheAnswerDoesNotHoldDidNotTake)
{
    const netmgmt::ModuleRecord record = sampleRecord();
    const SettingsDocument read = documentFromRecord(record);
    SettingsDocument wanted = read;
    wanted.ssid = "Plant";
    wanted.userClassId = "PTR-2";
    const SettingsChange change = settingsChange(read, wanted);

    netmgmt::ModuleRecord took = record;
    applyChangedSettings(read, wanted, took);
    EXPECT_EQ(untakenKey(took, wanted, change), "");

    netmgmt::ModuleRecord kept = took;
    setRecordText(kept.ssid, "office"); // the module kept its own SSID
    EXPECT_EQ(untakenKey(kept, wanted, change),
              "ssid: the module answered the write, but its record does not hold the value "
              "written");
}

} // namespace
} // namespace quarlink::settings
