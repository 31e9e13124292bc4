// Builds the payload of each settings item from the form, for the serial write sequence.
// Text values come from the last collect; check boxes, radio buttons and list selections are
// read from the controls as the payload is built; a list without a selection keeps the value the
// module reported.
#include "form/CQuarlinkView.h"

#include "netmgmt/WpaPsk.h"
#include "resources/ControlIds.h"
#include "serial/ItemPayloads.h"
#include "serial/SettingsItems.h"

#include <QAbstractButton>
#include <QComboBox>

namespace quarlink::form {

using namespace quarlink::ids;
namespace item = serial::item;

namespace {

std::vector<std::uint8_t> toVector(std::span<const std::uint8_t> bytes)
{
    return {bytes.begin(), bytes.end()};
}

// One byte per character, as the module stores its texts.
QByteArray textBytes(const QString& text)
{
    return text.toLatin1();
}

std::span<const std::uint8_t> asBytes(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

std::vector<std::uint8_t> textItem(const QString& text, std::uint8_t code)
{
    return serial::encodeTextItem(asBytes(textBytes(text)), *serial::itemLength(code));
}

} // namespace

std::uint8_t CQuarlinkView::selectionByte(int listId, std::uint8_t unselected) const
{
    // A list shows no selection when the module's value has no entry (a WLAN mode of 2, a mux
    // type of 4): writing the index -1 would turn that value into 0xFF, so it is kept instead.
    const int index = control<QComboBox>(listId)->currentIndex();
    return index < 0 ? unselected : static_cast<std::uint8_t>(index);
}

bool CQuarlinkView::isChecked(int buttonId) const
{
    return control<QAbstractButton>(buttonId)->isChecked();
}

serial::WlanBasicRecord
CQuarlinkView::wlanBasicFromForm(const serial::WlanBasicRecord& module) const
{
    // The channel and key length lists show their value minus 1.
    const auto plusOne = [this](int listId, std::uint8_t unselected) {
        const int index = control<QComboBox>(listId)->currentIndex();
        return index < 0 ? unselected : static_cast<std::uint8_t>(index + 1);
    };
    serial::WlanBasicRecord r;
    r.mode = selectionByte(IDC_WLAN_MODE, module.mode);
    r.channel = plusOne(IDC_CHANNEL, module.channel);
    r.wepKeyLength =
        isChecked(IDC_SECURITY_WEP) ? plusOne(IDC_WEP_KEY_LENGTH, module.wepKeyLength) : 0;
    const int keyRadios[] = {IDC_KEY1, IDC_KEY2, IDC_KEY3, IDC_KEY4};
    for (std::uint8_t k = 0; k < 4; ++k) {
        if (isChecked(keyRadios[k])) {
            r.defaultKey = k;
            break;
        }
    }
    r.authentication = selectionByte(IDC_AUTHENTICATION, module.authentication);
    if (isChecked(IDC_SECURITY_WPA)) {
        const int variant = control<QComboBox>(IDC_WPA_ENCRYPTION)->currentIndex();
        r.wpaMode = variant == 0 ? 2 : variant == 1 ? 4 : module.wpaMode;
    }
    r.cipher = selectionByte(IDC_CIPHER, module.cipher);
    return r;
}

std::array<std::uint8_t, 32> CQuarlinkView::derivedWpaKey() const
{
    std::array<std::uint8_t, 32> passphrase{};
    std::array<std::uint8_t, 32> ssid{};
    const auto p = textItem(m_values.wpaKey, item::WpaPassphrase);
    const auto s = textItem(m_values.ssid, item::Ssid);
    std::copy(p.begin(), p.end(), passphrase.begin());
    std::copy(s.begin(), s.end(), ssid.begin());
    std::array<std::uint8_t, 32> key{};
    netmgmt::derivePreSharedKey(key, passphrase, ssid);
    return key;
}

std::vector<std::uint8_t> CQuarlinkView::BuildItemPayload(std::uint8_t code) const
{
    switch (code) {
    case item::LocalIp:
        return toVector(serial::encodeIpv4(m_values.localIp));
    case item::SubnetMask:
        return toVector(serial::encodeIpv4(m_values.subnetMask));
    case item::Gateway:
        return toVector(serial::encodeIpv4(m_values.gatewayIp));
    case item::DnsIp:
        return toVector(serial::encodeIpv4(m_values.dnsIp));
    case item::DhcpFlags:
        return {std::uint8_t{isChecked(IDC_DHCP)}, std::uint8_t{isChecked(IDC_DNS_AUTO)}};
    case item::WlanBasic:
        return toVector(wlanBasicFromForm(m_shownWlan).encode());
    case item::Ssid:
        return textItem(m_values.ssid, code);
    case item::Wep64Keys:
        return toVector(wep64Keys);
    case item::Wep128Keys:
        return toVector(wep128Keys);
    case item::WpaPassphrase:
        return textItem(m_values.wpaKey, code);
    case item::WpaPsk:
        return toVector(derivedWpaKey());
    case item::NetworkOptions: {
        serial::NetworkOptionRecord r;
        r.peerIp = m_values.peerIp;
        r.localPort = static_cast<std::uint16_t>(m_values.localPort);
        r.peerPort = static_cast<std::uint16_t>(m_values.peerPort);
        r.muxType = selectionByte(IDC_MUX_TYPE, m_shownOptions.muxType);
        r.codListen = isChecked(IDC_COD_LISTEN) ? 1 : 0;
        r.waterMark = static_cast<std::uint16_t>(m_values.waterMark);
        return toVector(r.encode());
    }
    case item::PeerDomainName:
        return textItem(m_values.peerDomainName, code);
    case item::UserClassId:
        return textItem(m_values.userClassId, code);
    default:
        return {};
    }
}

} // namespace quarlink::form
