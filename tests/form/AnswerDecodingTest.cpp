// Module answers put on the form, and item payloads built from it, on the real widgets.
#include "FormFixture.h"

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;
using Bytes = std::vector<std::uint8_t>;

class Decoding : public FormFixture
{
protected:
    void show(std::uint8_t item, Bytes payload) { view->ShowSettingsItem(item, payload); }
};

TEST_F(Decoding, IdentityLineAndMacAddress)
{
    Bytes record(16, 0x77); // bytes 4-7 and 14-15 are never shown
    record[0] = 3;
    record[1] = 1;
    record[2] = 2;
    record[3] = 0;
    const Bytes mac{0x00, 0x11, 0x22, 0x33, 0x44, 0xAB};
    std::copy(mac.begin(), mac.end(), record.begin() + 8);
    view->ShowModuleIdentity(record);
    EXPECT_EQ(edit(IDC_MODULE_INFO)->text(),
              "ProductID 3 , Ver1.2a , 00000000 , MAC00:11:22:33:44:AB , 0000");
    EXPECT_EQ(edit(IDC_MAC_ADDRESS)->text(), "00:11:22:33:44:AB");
}

TEST_F(Decoding, TextItemsLeaveOutZeroBytesOrStopAtTheFirst)
{
    Bytes ssid(32, 0);
    ssid[0] = 'A';
    ssid[2] = 'B';
    show(0x21, ssid);
    EXPECT_EQ(edit(IDC_SSID)->text(), "AB");

    Bytes domain(64, 0);
    domain[0] = 'h';
    domain[2] = 'x';
    show(0x40, domain);
    EXPECT_EQ(edit(IDC_PEER_DOMAIN)->text(), "h");

    show(0x50, Bytes(64, 'u')); // no terminator at all
    EXPECT_EQ(edit(IDC_USER_CLASS_ID)->text(), QString(64, 'u'));
    EXPECT_TRUE(w(IDC_USER_CLASS_ID)->isEnabled());
    EXPECT_TRUE(w(IDC_DEFAULT_USER_CLASS)->isEnabled());
}

TEST_F(Decoding, PreSharedKeyAsUpperCaseHexWithZeroBytesAsTwoZeros)
{
    Bytes psk(32, 0);
    psk[0] = 0xAB;
    psk[31] = 0x0F;
    show(0x25, psk);
    EXPECT_EQ(edit(IDC_WPA_PSK)->text(), "AB" + QString(60, '0') + "0F");
}

TEST_F(Decoding, NetworkOptionsExample)
{
    show(0x30, {0xC0, 0xA8, 0x00, 0x0A, 0x88, 0x13, 0x50, 0x00, 0x02, 0x01, 0x00, 0x04});
    EXPECT_EQ(edit(IDC_PEER_IP)->text(), "192.168.0.10");
    EXPECT_EQ(edit(IDC_LOCAL_PORT)->text(), "5000");
    EXPECT_EQ(edit(IDC_PEER_PORT)->text(), "80");
    EXPECT_EQ(combo(IDC_MUX_TYPE)->currentText(), "COD");
    EXPECT_TRUE(check(IDC_COD_LISTEN)->isChecked());
    EXPECT_EQ(edit(IDC_WATER_MARK)->text(), "1024");
    EXPECT_TRUE(w(IDC_LOCAL_PORT)->isEnabled());
}

TEST_F(Decoding, DhcpFlagsSetTheBoxesAndTheAddressGroup)
{
    show(0x10, {1, 0});
    EXPECT_TRUE(check(IDC_DHCP)->isChecked());
    EXPECT_TRUE(w(IDC_DHCP)->isEnabled());
    EXPECT_TRUE(w(IDC_DNS_AUTO)->isEnabled());
    EXPECT_FALSE(w(IDC_LOCAL_IP)->isEnabled());
    EXPECT_TRUE(w(IDC_DNS_IP)->isEnabled()); // DNS automatic is clear

    show(0x10, {1, 1});
    EXPECT_FALSE(w(IDC_DNS_IP)->isEnabled());

    show(0x10, {0, 1});
    EXPECT_FALSE(w(IDC_DNS_AUTO)->isEnabled());
    EXPECT_TRUE(w(IDC_LOCAL_IP)->isEnabled());
    EXPECT_TRUE(w(IDC_DNS_IP)->isEnabled());
}

TEST_F(Decoding, WlanBasicRecordForInfrastructureStillSelectsTheChannel)
{
    show(0x20, {0x01, 0x06, 0x02, 0x02, 0x02, 0x00, 0x00});
    EXPECT_EQ(combo(IDC_WLAN_MODE)->currentText(), "Infrastrucre");
    EXPECT_FALSE(w(IDC_CHANNEL)->isEnabled());
    EXPECT_EQ(combo(IDC_CHANNEL)->currentText(), "6");
    EXPECT_TRUE(button(IDC_SECURITY_WEP)->isChecked());
    EXPECT_EQ(combo(IDC_WEP_KEY_LENGTH)->currentText(), "WEP-128bits");
    EXPECT_TRUE(button(IDC_KEY3)->isChecked());
    EXPECT_EQ(combo(IDC_AUTHENTICATION)->currentText(), "Shared key");
    EXPECT_EQ(combo(IDC_CIPHER)->currentText(), "None");

    // Channel 0 and out-of-range entries select nothing.
    show(0x20, {0x00, 0x00, 0x00, 0x07, 0x09, 0x04, 0x05});
    EXPECT_EQ(combo(IDC_CHANNEL)->currentIndex(), -1);
    EXPECT_TRUE(w(IDC_CHANNEL)->isEnabled());
    EXPECT_TRUE(button(IDC_SECURITY_WPA)->isChecked());
    EXPECT_EQ(combo(IDC_WPA_ENCRYPTION)->currentText(), "WPA2 PSK");
    EXPECT_EQ(combo(IDC_CIPHER)->currentIndex(), -1);
    EXPECT_TRUE(button(IDC_KEY3)->isChecked()); // default key 7 leaves the radios alone
}

TEST_F(Decoding, PayloadsOfEmptySelectionsAndTheRecordsRoundTrip)
{
    // Nothing selected anywhere: 0xFF, and 0x00 for the channel (index + 1).
    const Bytes empty = view->BuildItemPayload(0x20);
    EXPECT_EQ(empty, (Bytes{0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xFF}));

    // A record read back as it was, also with values that no list offers (mode 2, channel 15,
    // "Shared key" under None), which keep the module's own values.
    for (const Bytes& record : {Bytes{0x01, 0x06, 0x02, 0x02, 0x02, 0x00, 0x00},
                                Bytes{0x02, 0x0F, 0x00, 0x00, 0x02, 0x00, 0x00}}) {
        show(0x20, record);
        EXPECT_EQ(view->BuildItemPayload(0x20), record);
    }

    const Bytes options{0xC0, 0xA8, 0x00, 0x0A, 0x88, 0x13, 0x50, 0x00, 0x02, 0x01, 0x00, 0x04};
    show(0x30, options);
    ASSERT_TRUE(view->collectForm());
    EXPECT_EQ(view->BuildItemPayload(0x30), options);
}

TEST_F(Decoding, AnswersOfTheWrongLengthAreIgnored)
{
    edit(IDC_SSID)->setText("kept");
    view->values().ssid = "kept";
    show(0x21, Bytes(31, 'x'));
    show(0x99, Bytes(4, 'x'));
    view->ShowModuleIdentity(Bytes(15, 0));
    EXPECT_EQ(edit(IDC_SSID)->text(), "kept");
    EXPECT_TRUE(edit(IDC_MODULE_INFO)->text().isEmpty());
}

} // namespace
} // namespace quarlink::testing
