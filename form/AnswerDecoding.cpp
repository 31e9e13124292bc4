// Puts what the module answered on the form: its identity line and MAC address, and each
// settings item read by the Get Info sequence.
#include "form/CQuarlinkView.h"

#include "form/FormText.h"
#include "resources/ControlIds.h"
#include "serial/ItemPayloads.h"
#include "serial/SettingsItems.h"

#include <QCheckBox>
#include <QComboBox>

namespace quarlink::form {

using namespace quarlink::ids;
namespace item = serial::item;

void CQuarlinkView::selectEntry(int listId, int entry)
{
    auto* list = control<QComboBox>(listId);
    list->setCurrentIndex(entry >= 0 && entry < list->count() ? entry : -1);
}

void CQuarlinkView::ShowModuleIdentity(std::span<const std::uint8_t> p)
{
    if (p.size() < serial::kIdentityRecordSize)
        return;
    constexpr std::size_t kMacOffset = 8;
    const auto mac = p.subspan<kMacOffset, 6>();
    m_values.moduleInfo =
        QString::asprintf("ProductID %d , Ver%d.%d%c , %02X%02X%02X%02X , MAC%02X:%02X:%02X:%02X:"
                          "%02X:%02X , %02X%02X",
                          p[0], p[1], p[2], 'a' + p[3], 0, 0, 0, 0, mac[0], mac[1], mac[2],
                          mac[3], mac[4], mac[5], 0, 0);
    m_values.macAddressText = macText(mac);
    refreshForm();
}

void CQuarlinkView::ShowSettingsItem(std::uint8_t code, std::span<const std::uint8_t> p)
{
    const auto length = serial::itemLength(code);
    if (!length || p.size() != *length)
        return;
    switch (code) {
    case item::LocalIp:
        m_values.localIp = serial::decodeIpv4(p.first<4>());
        break;
    case item::SubnetMask:
        m_values.subnetMask = serial::decodeIpv4(p.first<4>());
        break;
    case item::Gateway:
        m_values.gatewayIp = serial::decodeIpv4(p.first<4>());
        break;
    case item::DnsIp:
        m_values.dnsIp = serial::decodeIpv4(p.first<4>());
        break;
    case item::DhcpFlags:
        showDhcpFlags(p[0] != 0, p[1] != 0);
        break;
    case item::WlanBasic:
        showWlanBasic(serial::WlanBasicRecord::decode(p.first<serial::WlanBasicRecord::kSize>()));
        break;
    case item::Ssid:
        m_values.ssid = latin1(serial::nonZeroBytes(p));
        break;
    case item::Wep64Keys:
        std::copy(p.begin(), p.end(), wep64Keys.begin());
        if (!(isChecked(IDC_SECURITY_WEP) && control<QComboBox>(IDC_WEP_KEY_LENGTH)->currentIndex() == 1))
            ShowWepKeys64();
        break;
    case item::Wep128Keys:
        std::copy(p.begin(), p.end(), wep128Keys.begin());
        if (isChecked(IDC_SECURITY_WEP) && control<QComboBox>(IDC_WEP_KEY_LENGTH)->currentIndex() == 1)
            ShowWepKeys128();
        break;
    case item::WpaPassphrase:
        m_values.wpaKey = latin1(serial::nonZeroBytes(p));
        break;
    case item::WpaPsk: {
        QString hex;
        for (std::uint8_t b : p)
            hex += QString::asprintf("%02X", b);
        m_values.wpaPskText = hex;
        break;
    }
    case item::NetworkOptions:
        showNetworkOptions(
            serial::NetworkOptionRecord::decode(p.first<serial::NetworkOptionRecord::kSize>()));
        break;
    case item::PeerDomainName:
        m_values.peerDomainName = latin1(serial::textUpToZero(p));
        break;
    case item::UserClassId:
        m_values.userClassId = latin1(serial::textUpToZero(p));
        enable({IDC_USER_CLASS_ID, IDC_DEFAULT_USER_CLASS}, true);
        break;
    }
    refreshForm();
}

void CQuarlinkView::showDhcpFlags(bool dhcp, bool dnsAuto)
{
    control<QCheckBox>(IDC_DHCP)->setChecked(dhcp);
    control(IDC_DHCP)->setEnabled(true);
    control<QCheckBox>(IDC_DNS_AUTO)->setChecked(dnsAuto);
    refreshForm();
    control(IDC_DNS_AUTO)->setEnabled(dhcp);
    EnableAddressControls(!dhcp);
    control(IDC_DNS_IP)->setEnabled(!(dhcp && dnsAuto));
}

void CQuarlinkView::showWlanBasic(const serial::WlanBasicRecord& r)
{
    m_shownWlan = r;
    EnableWlanBasicControls(true);
    EnableSecurityControls(true);
    selectEntry(IDC_WLAN_MODE, r.mode);
    control(IDC_CHANNEL)->setEnabled(r.mode == 0);
    selectEntry(IDC_CHANNEL, r.channel - 1);
    if (r.wepKeyLength == 0) {
        SelectSecurityNone();
        selectEntry(IDC_WEP_KEY_LENGTH, 0);
    } else {
        SelectSecurityWep();
        selectEntry(IDC_WEP_KEY_LENGTH, r.wepKeyLength - 1);
    }
    if (r.defaultKey <= 3)
        SelectDefaultKey(r.defaultKey);
    selectEntry(IDC_AUTHENTICATION, r.authentication);
    switch (r.wpaMode) {
    case 0:
        selectEntry(IDC_WPA_ENCRYPTION, 0);
        break;
    case 2:
        SelectSecurityWpa();
        selectEntry(IDC_WPA_ENCRYPTION, 0);
        break;
    case 4:
        SelectSecurityWpa();
        selectEntry(IDC_WPA_ENCRYPTION, 1);
        break;
    default:
        break;
    }
    selectEntry(IDC_CIPHER, r.cipher);
}

void CQuarlinkView::showNetworkOptions(const serial::NetworkOptionRecord& r)
{
    m_shownOptions = r;
    EnableNetworkOptionControls(true);
    m_values.peerIp = r.peerIp;
    m_values.localPort = r.localPort;
    m_values.peerPort = r.peerPort;
    selectEntry(IDC_MUX_TYPE, r.muxType);
    control<QCheckBox>(IDC_COD_LISTEN)->setChecked(r.codListen != 0);
    m_values.waterMark = r.waterMark;
}

} // namespace quarlink::form
