// The form's settings written over a module's environment record for a write in TCP/IP mode:
// addresses and DHCP flags, user class, channel 0, and the WLAN word with its keys. Fields the
// form does not show travel back to the module as it reported them.
#include "form/CQuarlinkView.h"

#include "netmgmt/ModuleRecord.h"
#include "resources/ControlIds.h"
#include "serial/ItemPayloads.h"
#include "settings/RecordMapping.h"

#include <QComboBox>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

netmgmt::Ipv4Bytes networkOrder(std::uint32_t address)
{
    return serial::encodeIpv4(address);
}

// The field cleared, then the text's bytes (one per character), cut at the field's size.
template <std::size_t N> void setText(std::array<std::uint8_t, N>& field, const QString& text)
{
    settings::setRecordText(field, text.toLatin1().toStdString());
}

} // namespace

bool CQuarlinkView::TakeSettingsIntoRecord(netmgmt::ModuleRecord& r)
{
    if (!collectForm())
        return false;
    const bool dhcp = isChecked(IDC_DHCP);
    if (!dhcp) {
        r.local_ip = networkOrder(m_values.localIp);
        r.subnet_mask = networkOrder(m_values.subnetMask);
        r.gateway_ip = networkOrder(m_values.gatewayIp);
        r.dns_ip = networkOrder(m_values.dnsIp);
    } else if (!isChecked(IDC_DNS_AUTO)) {
        r.dns_ip = networkOrder(m_values.dnsIp);
    }
    settings::setFlag(r.option_flags, settings::kOptionDhcp, dhcp);
    if (dhcp)
        settings::setFlag(r.option_flags, settings::kOptionDnsAuto, isChecked(IDC_DNS_AUTO));
    setText(r.user_class_id, m_values.userClassId);

    netmgmt::ChannelEntry& c = r.channel[0];
    c.peer_ip = networkOrder(m_values.peerIp);
    c.peer_port = static_cast<std::uint16_t>(m_values.peerPort);
    c.local_port = static_cast<std::uint16_t>(m_values.localPort);
    c.mux_type = selectionByte(IDC_MUX_TYPE, c.mux_type);
    c.water_mark = static_cast<std::uint16_t>(m_values.waterMark);
    settings::setFlag(c.mode_flags, settings::kModeCodListen, isChecked(IDC_COD_LISTEN));
    setText(c.peer_domain_name, m_values.peerDomainName);

    // The WLAN word: the same choices the serial link writes, in the word's bit fields; a list
    // without a selection keeps the word's own bits.
    const serial::WlanBasicRecord wlan = wlanBasicFromForm(settings::wlanChoicesOf(r.wlan_word));
    std::uint32_t& w = r.wlan_word;
    settings::setWordBits(w, 0, 4, wlan.mode);
    if (wlan.mode == 0)
        settings::setWordBits(w, 4, 4, wlan.channel);
    setText(r.ssid, m_values.ssid);
    if (isChecked(IDC_SECURITY_NONE)) {
        settings::setWordBits(w, 8, 2, 0);
        settings::setWordBits(w, 16, 3, 0);
        settings::setWordBits(w, 14, 2, wlan.authentication);
    } else if (isChecked(IDC_SECURITY_WEP)) {
        settings::setWordBits(w, 8, 2, wlan.wepKeyLength);
        settings::setWordBits(w, 10, 2,
                              isChecked(IDC_KEY1)   ? 0
                              : isChecked(IDC_KEY2) ? 1
                              : isChecked(IDC_KEY3) ? 2
                                                    : 3);
        settings::setWordBits(w, 14, 2, wlan.authentication);
        std::copy(wep64Keys.begin(), wep64Keys.end(), r.wep64_keys.begin());
        std::copy(wep128Keys.begin(), wep128Keys.end(), r.wep128_keys.begin());
    } else if (isChecked(IDC_SECURITY_WPA)) {
        settings::setWordBits(w, 16, 3, wlan.wpaMode);
        settings::setWordBits(w, 19, 2, wlan.cipher);
        setText(r.wpa_passphrase, m_values.wpaKey);
        r.wpa_psk = derivedWpaKey();
    }
    return true;
}

} // namespace quarlink::form
