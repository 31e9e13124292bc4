// A module's environment record shown on the form in TCP/IP mode, field by field, with the
// controls a read module lets the operator edit.
#include "form/CQuarlinkView.h"

#include "form/FormText.h"
#include "netmgmt/ModuleRecord.h"
#include "resources/ControlIds.h"
#include "serial/ItemPayloads.h"
#include "settings/RecordMapping.h"

#include <QComboBox>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

constexpr int k128BitLengthIndex = 1;

std::uint32_t hostOrder(const netmgmt::Ipv4Bytes& address)
{
    return serial::decodeIpv4(address);
}

QString moduleInfoLine(const netmgmt::ModuleRecord& r)
{
    const auto& m = r.mac_address;
    return QString::asprintf("Product ID%d : Ver%d.%d%c : %02X%02X%02X%02X : "
                             "MAC%02X-%02X-%02X-%02X-%02X-%02X : %02X%02X",
                             r.product_id, r.fw_major, r.fw_version >> 8,
                             'a' + (r.fw_version & 0xFF), 0, 0, 0, 0, m[0], m[1], m[2], m[3], m[4],
                             m[5], 0, 0);
}

} // namespace

void CQuarlinkView::ShowRecord(const netmgmt::ModuleRecord& r)
{
    moduleIdentity = settings::documentFromRecord(r).identity;
    m_values.moduleAddress = hostOrder(r.module_ip);
    for (std::size_t k = 0; k < m_values.macPairs.size(); ++k)
        m_values.macPairs[k] = QString::asprintf("%02x", r.mac_address[k]);
    m_values.macAddressText = macText(r.mac_address);
    m_values.moduleInfo = moduleInfoLine(r);
    m_values.localIp = hostOrder(r.local_ip);
    m_values.subnetMask = hostOrder(r.subnet_mask);
    m_values.gatewayIp = hostOrder(r.gateway_ip);
    m_values.dnsIp = hostOrder(r.dns_ip);
    m_values.userClassId = latin1(serial::textUpToZero(r.user_class_id));
    const netmgmt::ChannelEntry& channel0 = r.channel[0];
    m_values.peerDomainName = latin1(serial::textUpToZero(channel0.peer_domain_name));
    showNetworkOptions(settings::networkOptionsOf(channel0));

    m_values.ssid = latin1(serial::textUpToZero(r.ssid));
    showWlanBasic(settings::wlanChoicesOf(r.wlan_word));
    std::copy(r.wep64_keys.begin(), r.wep64_keys.end(), wep64Keys.begin());
    std::copy(r.wep128_keys.begin(), r.wep128_keys.end(), wep128Keys.begin());
    wpaKeyCopy.fill(0);
    std::copy(r.wpa_passphrase.begin(), r.wpa_passphrase.end(), wpaKeyCopy.begin());
    m_values.wpaKey =
        latin1(serial::textUpToZero(std::span(wpaKeyCopy).first(r.wpa_passphrase.size())));
    refreshForm();

    // DHCP and DNS rules on the record's flags; the check boxes become usable as for a read.
    showDhcpFlags((r.option_flags & settings::kOptionDhcp) != 0,
                  (r.option_flags & settings::kOptionDnsAuto) != 0);
    EnableNetworkOptionControls(true);
    EnableWlanBasicControls(true);
    EnableSecurityControls(true);
    control(IDC_CHANNEL)->setEnabled(control<QComboBox>(IDC_WLAN_MODE)->currentIndex() == 0);
    if (isChecked(IDC_SECURITY_WEP) &&
        control<QComboBox>(IDC_WEP_KEY_LENGTH)->currentIndex() == k128BitLengthIndex)
        ShowWepKeys128();
    else
        ShowWepKeys64();
    // The user class id is shown but not offered for editing over the network.
    control(IDC_SET_INFO)->setEnabled(true);
    recordShown = 1;
    refreshForm();
}

} // namespace quarlink::form
