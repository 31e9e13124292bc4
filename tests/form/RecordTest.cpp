// A module's environment record on the form in TCP/IP mode, and the form's settings written
// back over it.
#include "FormFixture.h"

#include "netmgmt/ModuleRecord.h"

#include <cstring>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;
using netmgmt::ModuleRecord;

template <std::size_t N> void putText(std::array<std::uint8_t, N>& field, const char* text)
{
    field.fill(0);
    std::memcpy(field.data(), text, std::min(N, std::strlen(text)));
}

std::uint32_t wlanWord(unsigned mode, unsigned channel, unsigned wep, unsigned key, unsigned auth,
                       unsigned wpa, unsigned cipher)
{
    return mode | channel << 4 | wep << 8 | key << 10 | auth << 14 | wpa << 16 | cipher << 19;
}

ModuleRecord sampleRecord()
{
    ModuleRecord r{};
    r.mac_address = {0x00, 0x30, 0xF9, 0x12, 0xAB, 0x01};
    r.fw_major = 2;
    r.fw_version = 3 << 8 | 1;
    r.product_id = 21;
    r.module_ip = {127, 0, 0, 7};
    r.local_ip = {192, 168, 1, 10};
    r.subnet_mask = {255, 255, 255, 0};
    r.gateway_ip = {192, 168, 1, 1};
    r.dns_ip = {192, 168, 1, 2};
    putText(r.user_class_id, "PTR-OLD-AND-LONG");
    auto& c = r.channel[0];
    c.present = 1;
    c.peer_ip = {10, 0, 0, 9};
    c.local_port = 9100;
    c.peer_port = 4000;
    c.mux_type = 2;
    c.mode_flags = 0x02 | 0x80;
    c.water_mark = 512;
    putText(c.peer_domain_name, "peer.example");
    r.wlan_word = wlanWord(0, 6, 0, 2, 1, 0, 0) | 1u << 21;
    putText(r.ssid, "office");
    putText(r.wpa_passphrase, "secret-phrase");
    for (std::size_t i = 0; i < r.wep128_keys.size(); ++i)
        r.wep128_keys[i] = static_cast<std::uint8_t>('A' + i % 13);
    for (std::size_t i = 0; i < r.wep64_keys.size(); ++i)
        r.wep64_keys[i] = static_cast<std::uint8_t>('a' + i % 5);
    return r;
}

class Record : public FormFixture
{
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        view->SelectTcpIpMode();
    }
};

TEST_F(Record, ShowsEveryFieldAndLetsTheReadSettingsBeEdited)
{
    view->ShowRecord(sampleRecord());

    EXPECT_EQ(edit(IDC_MODULE_INFO)->text(),
              "Product ID21 : Ver2.3b : 00000000 : MAC00-30-F9-12-AB-01 : 0000");
    EXPECT_EQ(edit(IDC_MAC_ADDRESS)->text(), "00:30:F9:12:AB:01");
    QStringList pairs;
    for (int id :
         {IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3, IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6})
        pairs << edit(id)->text();
    EXPECT_EQ(pairs, (QStringList{"00", "30", "f9", "12", "ab", "01"}));
    EXPECT_EQ(edit(IDC_MODULE_ADDRESS)->text(), "127.0.0.7");
    EXPECT_EQ(edit(IDC_LOCAL_IP)->text(), "192.168.1.10");
    EXPECT_EQ(edit(IDC_DNS_IP)->text(), "192.168.1.2");
    EXPECT_EQ(edit(IDC_USER_CLASS_ID)->text(), "PTR-OLD-AND-LONG");
    EXPECT_EQ(edit(IDC_PEER_IP)->text(), "10.0.0.9");
    EXPECT_EQ(edit(IDC_LOCAL_PORT)->text(), "9100");
    EXPECT_EQ(edit(IDC_PEER_PORT)->text(), "4000");
    EXPECT_EQ(combo(IDC_MUX_TYPE)->currentText(), "COD");
    EXPECT_TRUE(check(IDC_COD_LISTEN)->isChecked());
    EXPECT_EQ(edit(IDC_WATER_MARK)->text(), "512");
    EXPECT_EQ(edit(IDC_PEER_DOMAIN)->text(), "peer.example");
    EXPECT_EQ(edit(IDC_SSID)->text(), "office");
    EXPECT_EQ(combo(IDC_CHANNEL)->currentText(), "6");
    EXPECT_EQ(edit(IDC_WPA_KEY)->text(), "secret-phrase");
    EXPECT_TRUE(button(IDC_SECURITY_NONE)->isChecked());
    EXPECT_TRUE(button(IDC_KEY3)->isChecked());

    for (int id :
         {IDC_DHCP, IDC_PEER_IP, IDC_LOCAL_PORT, IDC_MUX_TYPE, IDC_PEER_DOMAIN, IDC_WLAN_MODE,
          IDC_CHANNEL, IDC_SSID, IDC_SECURITY_WPA, IDC_AUTHENTICATION, IDC_SET_INFO, IDC_LOCAL_IP})
        EXPECT_TRUE(w(id)->isEnabled()) << id;
    for (int id : {IDC_GET_INFO, IDC_USER_CLASS_ID, IDC_DEFAULT_USER_CLASS, IDC_DNS_AUTO})
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    EXPECT_EQ(view->recordShown, 1);
    EXPECT_TRUE(view->isCommandEnabled(ID_WLAN_FW_DOWNLOAD));
}

struct WlanCase
{
    const char* name;
    std::uint32_t word;
    int checkedRadio;
    int keyLength;     // key length list index
    int wpaEncryption; // -2: left as it was
    bool wepEnabled;
    bool channelEnabled;
};

TEST_F(Record, WlanWordChoosesTheSecurityControls)
{
    const WlanCase cases[] = {
        {"128-bit WEP", wlanWord(0, 1, 2, 0, 2, 0, 0), IDC_SECURITY_WEP, 1, 0, true, true},
        {"WEP bits with WPA2", wlanWord(0, 1, 1, 0, 0, 4, 2), IDC_SECURITY_WPA, 0, 1, false, true},
        {"c = 1 keeps WEP", wlanWord(0, 1, 1, 0, 0, 1, 0), IDC_SECURITY_WEP, 0, -2, true, true},
        {"c = 3 keeps None", wlanWord(0, 1, 0, 0, 0, 3, 0), IDC_SECURITY_NONE, 0, -2, false, true},
        {"infrastructure", wlanWord(1, 11, 0, 0, 0, 2, 1), IDC_SECURITY_WPA, 0, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        combo(IDC_WPA_ENCRYPTION)->setCurrentIndex(-1);
        ModuleRecord r = sampleRecord();
        r.wlan_word = c.word;
        view->ShowRecord(r);
        for (int id : {IDC_SECURITY_NONE, IDC_SECURITY_WEP, IDC_SECURITY_WPA})
            EXPECT_EQ(button(id)->isChecked(), id == c.checkedRadio) << id;
        EXPECT_EQ(combo(IDC_WEP_KEY_LENGTH)->currentIndex(), c.keyLength);
        EXPECT_EQ(combo(IDC_WPA_ENCRYPTION)->currentIndex(),
                  c.wpaEncryption == -2 ? -1 : c.wpaEncryption);
        EXPECT_EQ(w(IDC_KEY_TEXT1)->isEnabled(), c.wepEnabled);
        EXPECT_TRUE(w(IDC_AUTHENTICATION)->isEnabled());
        EXPECT_EQ(w(IDC_CHANNEL)->isEnabled(), c.channelEnabled);
        EXPECT_EQ(combo(IDC_CHANNEL)->currentIndex(), static_cast<int>((c.word >> 4 & 15) - 1));
    }
    // The 128-bit keys shown as text with every format on ASCII.
    ModuleRecord r = sampleRecord();
    r.wlan_word = wlanWord(0, 1, 2, 0, 0, 0, 0);
    view->ShowRecord(r);
    EXPECT_EQ(edit(IDC_KEY_TEXT2)->text(), "ABCDEFGHIJKLM");
    EXPECT_EQ(combo(IDC_KEY_FORMAT4)->currentText(), "ASCII");
}

TEST_F(Record, DhcpWithoutAutomaticDnsLeavesOnlyTheDnsFieldUsable)
{
    ModuleRecord r = sampleRecord();
    r.option_flags = 1u << 3;
    view->ShowRecord(r);
    EXPECT_TRUE(check(IDC_DHCP)->isChecked());
    for (int id : {IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP})
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    EXPECT_TRUE(w(IDC_DNS_IP)->isEnabled());
    EXPECT_TRUE(w(IDC_DNS_AUTO)->isEnabled());
}

TEST_F(Record, WriteTakesTheEditedSettingsAndNothingElse)
{
    const ModuleRecord original = sampleRecord();
    view->ShowRecord(original);
    ModuleRecord unchanged = original;
    ASSERT_TRUE(view->TakeSettingsIntoRecord(unchanged));
    EXPECT_EQ(unchanged, original); // shown and taken back: the same record

    view->values().userClassId = "PTR-1"; // shorter than the old text
    view->refreshForm();
    edit(IDC_LOCAL_IP)->setText("192.168.1.20");
    edit(IDC_SSID)->setText("lab");
    check(IDC_COD_LISTEN)->setChecked(false);
    ModuleRecord r = original;
    ASSERT_TRUE(view->TakeSettingsIntoRecord(r));

    ModuleRecord expected = original;
    expected.local_ip = {192, 168, 1, 20};
    putText(expected.user_class_id, "PTR-1");
    putText(expected.ssid, "lab");
    expected.channel[0].mode_flags = 0x80;
    EXPECT_EQ(r, expected);
}

TEST_F(Record, WriteKeepsTheBitsTheChosenSecurityDoesNotOwn)
{
    ModuleRecord r = sampleRecord();
    r.wlan_word = wlanWord(0, 1, 2, 1, 3, 4, 2);
    view->ShowRecord(r); // WPA2 with AES, WEP bits and Mixed mode kept behind it
    view->SelectSecurityNone();
    ModuleRecord none = r;
    ASSERT_TRUE(view->TakeSettingsIntoRecord(none));
    // None clears WEP and WPA, keeps the key index and cipher, takes Authentication.
    EXPECT_EQ(none.wlan_word, wlanWord(0, 1, 0, 1, 0, 0, 2));

    view->SelectSecurityWpa();
    combo(IDC_WPA_ENCRYPTION)->setCurrentIndex(0);
    combo(IDC_CIPHER)->setCurrentIndex(1);
    ModuleRecord wpa = r;
    ASSERT_TRUE(view->TakeSettingsIntoRecord(wpa));
    EXPECT_EQ(wpa.wlan_word, wlanWord(0, 1, 2, 1, 3, 2, 1));
    EXPECT_NE(wpa.wpa_psk, r.wpa_psk); // derived from the pass phrase and SSID
}

} // namespace
} // namespace quarlink::testing
