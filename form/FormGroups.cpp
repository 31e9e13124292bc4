// The control groups that readers of module settings enable together, the lock that returns the
// form to "nothing editable", and the editing rules of the address, DNS, WLAN mode and
// User Class ID controls.
#include "form/CQuarlinkView.h"

#include "resources/ControlIds.h"

#include <QCheckBox>
#include <QComboBox>

namespace quarlink::form {

using namespace quarlink::ids;

void CQuarlinkView::EnableAddressControls(bool on)
{
    enable({IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP}, on);
}

void CQuarlinkView::EnableNetworkOptionControls(bool on)
{
    enable({IDC_PEER_IP, IDC_LOCAL_PORT, IDC_PEER_PORT, IDC_MUX_TYPE, IDC_COD_LISTEN,
            IDC_WATER_MARK, IDC_PEER_DOMAIN},
           on);
}

void CQuarlinkView::EnableWlanBasicControls(bool on)
{
    enable({IDC_WLAN_MODE, IDC_CHANNEL, IDC_SSID}, on);
}

void CQuarlinkView::EnableSecurityControls(bool on)
{
    enable({IDC_SECURITY_NONE, IDC_SECURITY_WEP, IDC_SECURITY_WPA, IDC_AUTHENTICATION}, on);
}

void CQuarlinkView::EnableWepControls(bool on)
{
    enable({IDC_WEP_KEY_LENGTH, IDC_KEY1, IDC_KEY2, IDC_KEY3, IDC_KEY4, IDC_KEY_TEXT1,
            IDC_KEY_TEXT2, IDC_KEY_TEXT3, IDC_KEY_TEXT4, IDC_KEY_FORMAT1, IDC_KEY_FORMAT2,
            IDC_KEY_FORMAT3, IDC_KEY_FORMAT4},
           on);
}

void CQuarlinkView::LockFormControls()
{
    enable({IDC_GET_INFO, IDC_SET_INFO, IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP,
            IDC_DHCP, IDC_DNS_AUTO, IDC_DEFAULT_USER_CLASS, IDC_USER_CLASS_ID, IDC_PEER_IP,
            IDC_LOCAL_PORT, IDC_PEER_PORT, IDC_MUX_TYPE, IDC_COD_LISTEN, IDC_WATER_MARK,
            IDC_PEER_DOMAIN, IDC_WLAN_MODE, IDC_CHANNEL, IDC_SSID, IDC_SECURITY_NONE,
            IDC_SECURITY_WEP, IDC_SECURITY_WPA, IDC_AUTHENTICATION},
           false);
    EnableWepControls(false);
    enable({IDC_WPA_ENCRYPTION, IDC_CIPHER, IDC_WPA_KEY}, false);
}

void CQuarlinkView::OnDhcpClicked()
{
    collectForm();
    const bool dhcp = control<QCheckBox>(IDC_DHCP)->isChecked();
    EnableAddressControls(!dhcp);
    control(IDC_DNS_AUTO)->setEnabled(dhcp);
}

void CQuarlinkView::OnDnsAutoClicked()
{
    collectForm();
    control(IDC_DNS_IP)->setEnabled(!control<QCheckBox>(IDC_DNS_AUTO)->isChecked());
}

void CQuarlinkView::OnWlanModeChanged()
{
    // Only an Ad-Hoc network picks its channel; an infrastructure network follows its access point.
    control(IDC_CHANNEL)->setEnabled(control<QComboBox>(IDC_WLAN_MODE)->currentIndex() == 0);
    refreshForm();
}

void CQuarlinkView::OnDefaultUserClass()
{
    m_values.userClassId = QStringLiteral("PTR-%1").arg(m_values.macAddressText);
    refreshForm();
}

} // namespace quarlink::form
