// The lock, the group operations and the editing rules of DHCP, DNS, WLAN mode and
// User Class ID.
#include "FormFixture.h"

#include <set>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

using GroupRules = FormFixture;

std::set<int> disabledControls(const form::CQuarlinkView& view)
{
    std::set<int> out;
    for (const auto& [id, name] : ids::kControlNames)
        if (!view.control(id)->isEnabled())
            out.insert(id);
    return out;
}

TEST_F(GroupRules, LockDisablesExactlyItsSetAndChangesNoVisibilityOrValue)
{
    enableEverything();
    check(IDC_DHCP)->setChecked(true);
    edit(IDC_SSID)->setText("office");
    w(IDC_DNS_IP)->setVisible(false);

    view->LockFormControls();

    const std::set<int> expected = {
        IDC_GET_INFO, IDC_SET_INFO, IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP,
        IDC_DHCP, IDC_DNS_AUTO, IDC_DEFAULT_USER_CLASS, IDC_USER_CLASS_ID, IDC_PEER_IP,
        IDC_LOCAL_PORT, IDC_PEER_PORT, IDC_MUX_TYPE, IDC_COD_LISTEN, IDC_WATER_MARK,
        IDC_PEER_DOMAIN, IDC_WLAN_MODE, IDC_CHANNEL, IDC_SSID, IDC_SECURITY_NONE,
        IDC_SECURITY_WEP, IDC_SECURITY_WPA, IDC_AUTHENTICATION, IDC_WEP_KEY_LENGTH, IDC_KEY1,
        IDC_KEY2, IDC_KEY3, IDC_KEY4, IDC_KEY_TEXT1, IDC_KEY_TEXT2, IDC_KEY_TEXT3,
        IDC_KEY_TEXT4, IDC_KEY_FORMAT1, IDC_KEY_FORMAT2, IDC_KEY_FORMAT3, IDC_KEY_FORMAT4,
        IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_WPA_KEY};
    EXPECT_EQ(disabledControls(*view), expected);
    EXPECT_TRUE(check(IDC_DHCP)->isChecked());
    EXPECT_EQ(edit(IDC_SSID)->text(), "office");
    EXPECT_FALSE(w(IDC_GET_INFO)->isHidden());
}

TEST_F(GroupRules, GroupOperationsTouchTheirOwnControlsOnly)
{
    const std::pair<void (form::CQuarlinkView::*)(bool), std::set<int>> groups[] = {
        {&form::CQuarlinkView::EnableAddressControls,
         {IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP}},
        {&form::CQuarlinkView::EnableNetworkOptionControls,
         {IDC_PEER_IP, IDC_LOCAL_PORT, IDC_PEER_PORT, IDC_MUX_TYPE, IDC_COD_LISTEN,
          IDC_WATER_MARK, IDC_PEER_DOMAIN}},
        {&form::CQuarlinkView::EnableWlanBasicControls, {IDC_WLAN_MODE, IDC_CHANNEL, IDC_SSID}},
        {&form::CQuarlinkView::EnableSecurityControls,
         {IDC_SECURITY_NONE, IDC_SECURITY_WEP, IDC_SECURITY_WPA, IDC_AUTHENTICATION}},
    };
    for (const auto& [operation, members] : groups) {
        enableEverything();
        (view.get()->*operation)(false);
        EXPECT_EQ(disabledControls(*view), members);
        (view.get()->*operation)(true);
        EXPECT_TRUE(disabledControls(*view).empty());
    }
}

TEST_F(GroupRules, DhcpTogglesAddressFieldsAndDnsBoxWithoutTouchingItsTick)
{
    enableEverything();
    check(IDC_DNS_AUTO)->setChecked(true);

    button(IDC_DHCP)->click(); // ticks DHCP
    for (int id : {IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP})
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    EXPECT_TRUE(w(IDC_DNS_AUTO)->isEnabled());
    EXPECT_TRUE(check(IDC_DNS_AUTO)->isChecked());

    button(IDC_DHCP)->click(); // clears it
    for (int id : {IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP})
        EXPECT_TRUE(w(id)->isEnabled()) << id;
    EXPECT_FALSE(w(IDC_DNS_AUTO)->isEnabled());
    EXPECT_TRUE(check(IDC_DNS_AUTO)->isChecked());
}

TEST_F(GroupRules, DnsAutomaticTogglesTheDnsAddressField)
{
    enableEverything();
    check(IDC_DHCP)->setChecked(true);
    button(IDC_DNS_AUTO)->click();
    EXPECT_FALSE(w(IDC_DNS_IP)->isEnabled());
    button(IDC_DNS_AUTO)->click();
    EXPECT_TRUE(w(IDC_DNS_IP)->isEnabled());
}

TEST_F(GroupRules, InfrastructureModeDisablesChannelAndKeepsItsSelection)
{
    enableEverything();
    combo(IDC_CHANNEL)->setCurrentIndex(5);
    combo(IDC_WLAN_MODE)->setCurrentIndex(1);
    emit combo(IDC_WLAN_MODE)->activated(1);
    EXPECT_FALSE(w(IDC_CHANNEL)->isEnabled());
    EXPECT_EQ(combo(IDC_CHANNEL)->currentText(), "6");

    combo(IDC_WLAN_MODE)->setCurrentIndex(0);
    emit combo(IDC_WLAN_MODE)->activated(0);
    EXPECT_TRUE(w(IDC_CHANNEL)->isEnabled());
}

TEST_F(GroupRules, WlanModeChangeRefreshesTheFormOverUncollectedText)
{
    enableEverything();
    view->values().ssid = "collected";
    edit(IDC_SSID)->setText("typed, not collected");
    emit combo(IDC_WLAN_MODE)->activated(0);
    EXPECT_EQ(edit(IDC_SSID)->text(), "collected");
}

TEST_F(GroupRules, DefaultUserClassIsPtrAndTheShownMacAddress)
{
    view->values().macAddressText = "00:11:22:33:44:55";
    view->refreshForm();
    edit(IDC_MAC_ADDRESS)->setText("typed after the last refresh");
    button(IDC_DEFAULT_USER_CLASS)->setEnabled(true);
    button(IDC_DEFAULT_USER_CLASS)->click();
    EXPECT_EQ(edit(IDC_USER_CLASS_ID)->text(), "PTR-00:11:22:33:44:55");

    view->values().macAddressText.clear();
    view->OnDefaultUserClass();
    EXPECT_EQ(edit(IDC_USER_CLASS_ID)->text(), "PTR-");
}

} // namespace
} // namespace quarlink::testing
