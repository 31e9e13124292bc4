// Mapping of the settings document to and from the settings items, through the item codecs of
// the serial layer.
#include "settings/SettingsDocument.h"

#include "netmgmt/WpaPsk.h"

#include <algorithm>

namespace quarlink::settings {

namespace item = serial::item;

namespace {

// WLAN basic record codes (item 0x20).
constexpr std::uint8_t kWpaModeNone = 0;
constexpr std::uint8_t kWpaModePsk = 2;
constexpr std::uint8_t kWpaMode2Psk = 4;

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Bytes textItem(const std::string& text, std::uint8_t code)
{
    return serial::encodeTextItem(bytesOf(text), *serial::itemLength(code));
}

template <typename Container> Bytes toBytes(const Container& bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}

template <std::size_t N>
void copyInto(std::array<std::uint8_t, N>& out, std::span<const std::uint8_t> in)
{
    std::copy_n(in.begin(), std::min(N, in.size()), out.begin());
}

bool isWpaMode(std::uint8_t code)
{
    return code == kWpaModePsk || code == kWpaMode2Psk;
}

} // namespace

Security SettingsDocument::security() const
{
    if (isWpaMode(wlan.wpaMode))
        return Security::Wpa;
    if (wlan.wepKeyLength != serial::WlanBasicRecord::kWepKeyLengthNone)
        return Security::Wep;
    return Security::None;
}

void SettingsDocument::setSecurity(Security kind)
{
    // The kind the module already has keeps its codes as they are. Otherwise as the form writes
    // them: the key length only under WEP, the WPA mode only under WPA, and the form's first
    // entries (64 bits, WPA PSK) when nothing was chosen before.
    if (kind == security())
        return;
    const bool hasKeyLength = wlan.wepKeyLength == serial::WlanBasicRecord::kWepKeyLength64 ||
                              wlan.wepKeyLength == serial::WlanBasicRecord::kWepKeyLength128;
    wlan.wepKeyLength = kind != Security::Wep ? serial::WlanBasicRecord::kWepKeyLengthNone
                        : hasKeyLength        ? wlan.wepKeyLength
                                              : serial::WlanBasicRecord::kWepKeyLength64;
    wlan.wpaMode = kind != Security::Wpa     ? kWpaModeNone
                   : isWpaMode(wlan.wpaMode) ? wlan.wpaMode
                                             : kWpaModePsk;
}

Bytes SettingsDocument::itemPayload(std::uint8_t code) const
{
    switch (code) {
    case item::LocalIp:
        return toBytes(serial::encodeIpv4(localIp));
    case item::SubnetMask:
        return toBytes(serial::encodeIpv4(subnetMask));
    case item::Gateway:
        return toBytes(serial::encodeIpv4(gateway));
    case item::DnsIp:
        return toBytes(serial::encodeIpv4(dnsIp));
    case item::DhcpFlags:
        return {dhcp, dnsAuto};
    case item::WlanBasic:
        return toBytes(wlan.encode());
    case item::Ssid:
        return textItem(ssid, code);
    case item::Wep64Keys:
        return toBytes(wep64Keys);
    case item::Wep128Keys:
        return toBytes(wep128Keys);
    case item::WpaPassphrase:
        return textItem(passphrase, code);
    case item::WpaPsk:
        return toBytes(psk);
    case item::NetworkOptions:
        return toBytes(options.encode());
    case item::PeerDomainName:
        return textItem(peerDomainName, code);
    case item::UserClassId:
        return textItem(userClassId, code);
    default:
        return {};
    }
}

bool SettingsDocument::takeItem(std::uint8_t code, std::span<const std::uint8_t> p)
{
    const auto length = serial::itemLength(code);
    if (!length || p.size() != *length)
        return false;
    switch (code) {
    case item::LocalIp:
        localIp = serial::decodeIpv4(p.first<4>());
        break;
    case item::SubnetMask:
        subnetMask = serial::decodeIpv4(p.first<4>());
        break;
    case item::Gateway:
        gateway = serial::decodeIpv4(p.first<4>());
        break;
    case item::DnsIp:
        dnsIp = serial::decodeIpv4(p.first<4>());
        break;
    case item::DhcpFlags:
        dhcp = p[0];
        dnsAuto = p[1];
        break;
    case item::WlanBasic:
        wlan = serial::WlanBasicRecord::decode(p.first<serial::WlanBasicRecord::kSize>());
        break;
    case item::Ssid:
        // As the form reads them: SSID and pass phrase without their zero bytes, the other
        // texts up to their first zero byte.
        ssid = serial::nonZeroBytes(p);
        break;
    case item::Wep64Keys:
        copyInto(wep64Keys, p);
        break;
    case item::Wep128Keys:
        copyInto(wep128Keys, p);
        break;
    case item::WpaPassphrase:
        passphrase = serial::nonZeroBytes(p);
        break;
    case item::WpaPsk:
        copyInto(psk, p);
        break;
    case item::NetworkOptions:
        options =
            serial::NetworkOptionRecord::decode(p.first<serial::NetworkOptionRecord::kSize>());
        break;
    case item::PeerDomainName:
        peerDomainName = serial::textUpToZero(p);
        break;
    case item::UserClassId:
        userClassId = serial::textUpToZero(p);
        break;
    }
    return true;
}

void SettingsDocument::takeSetupText(std::span<const std::uint8_t> text)
{
    setupText = serial::textUpToZero(text);
}

std::array<std::uint8_t, SettingsDocument::kPskSize> SettingsDocument::derivedPsk() const
{
    std::array<std::uint8_t, netmgmt::kWpaFieldSize> passphraseField{};
    std::array<std::uint8_t, netmgmt::kWpaFieldSize> ssidField{};
    copyInto(passphraseField, bytesOf(passphrase));
    copyInto(ssidField, bytesOf(ssid));
    std::array<std::uint8_t, kPskSize> key{};
    netmgmt::derivePreSharedKey(key, passphraseField, ssidField);
    return key;
}

void updatePsk(const SettingsDocument& before, SettingsDocument& wanted, PskUpdate when)
{
    if (when == PskUpdate::Always || wanted.passphrase != before.passphrase ||
        wanted.ssid != before.ssid)
        wanted.psk = wanted.derivedPsk();
}

} // namespace quarlink::settings
