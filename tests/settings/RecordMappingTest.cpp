// A module's environment record as a settings document, and a document's changes written back
// into the record without touching anything else.
#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace quarlink::settings
