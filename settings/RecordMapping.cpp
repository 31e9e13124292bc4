#include "settings/RecordMapping.h"

#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

namespace quarlink::settings {

namespace {

// The bit fields of the WLAN setting word: first bit and width.
struct BitField
{
    int first;
    int count;
};
constexpr BitField kMode{0, 4};
constexpr BitField kChannel{4, 4};
constexpr BitField kWepKeyLength{8, 2};
constexpr BitField kDefaultKey{10, 2};
constexpr BitField kAuthentication{14, 2};
constexpr BitField kWpaMode{16, 3};
constexpr BitField kCipher{19, 2};

std::uint8_t field(std::uint32_t word, BitField f)
{
    return static_cast<std::uint8_t>((word >> f.first) & ((1u << f.count) - 1));
}

void setField(std::uint32_t& word, BitField f, std::uint32_t value)
{
    setWordBits(word, f.first, f.count, value);
}

std::string text(std::span<const std::uint8_t> bytes)
{
    return serial::textUpToZero(bytes);
}

// Writes `wanted` over `target` when it differs from `read`.
template <class T, class Write> void ifChanged(const T& read, const T& wanted, Write write)
{
    if (!(read == wanted))
        write(wanted);
}

} // namespace

void setWordBits(std::uint32_t& word, int first, int count, std::uint32_t value)
{
    const std::uint32_t mask = ((1u << count) - 1) << first;
    word = (word & ~mask) | ((value << first) & mask);
}

serial::WlanBasicRecord wlanChoicesOf(std::uint32_t w)
{
    serial::WlanBasicRecord r;
    r.mode = field(w, kMode);
    r.channel = field(w, kChannel);
    r.wepKeyLength = field(w, kWepKeyLength);
    r.defaultKey = field(w, kDefaultKey);
    r.authentication = field(w, kAuthentication);
    r.wpaMode = field(w, kWpaMode);
    r.cipher = field(w, kCipher);
    return r;
}

serial::NetworkOptionRecord networkOptionsOf(const netmgmt::ChannelEntry& c)
{
    serial::NetworkOptionRecord r;
    r.peerIp = serial::decodeIpv4(c.peer_ip);
    r.localPort = c.local_port;
    r.peerPort = c.peer_port;
    r.muxType = c.mux_type;
    r.codListen = (c.mode_flags & kModeCodListen) != 0 ? 1 : 0;
    r.waterMark = c.water_mark;
    return r;
}

SettingsDocument documentFromRecord(const netmgmt::ModuleRecord& r)
{
    SettingsDocument d;
    d.identity[serial::identity::ProductId] = static_cast<std::uint8_t>(r.product_id);
    d.identity[serial::identity::MajorVersion] = static_cast<std::uint8_t>(r.fw_major);
    d.identity[serial::identity::MinorVersion] = static_cast<std::uint8_t>(r.fw_version >> 8);
    d.identity[serial::identity::Revision] = static_cast<std::uint8_t>(r.fw_version);
    std::copy(r.mac_address.begin(), r.mac_address.end(),
              d.identity.begin() + serial::identity::Mac);
    d.localIp = serial::decodeIpv4(r.local_ip);
    d.subnetMask = serial::decodeIpv4(r.subnet_mask);
    d.gateway = serial::decodeIpv4(r.gateway_ip);
    d.dnsIp = serial::decodeIpv4(r.dns_ip);
    d.dhcp = (r.option_flags & kOptionDhcp) != 0 ? 1 : 0;
    d.dnsAuto = (r.option_flags & kOptionDnsAuto) != 0 ? 1 : 0;
    d.wlan = wlanChoicesOf(r.wlan_word);
    d.ssid = text(r.ssid);
    d.wep64Keys = r.wep64_keys;
    d.wep128Keys = r.wep128_keys;
    d.passphrase = text(r.wpa_passphrase);
    d.psk = r.wpa_psk;
    d.options = networkOptionsOf(r.channel[0]);
    d.peerDomainName = text(r.channel[0].peer_domain_name);
    d.userClassId = text(r.user_class_id);
    return d;
}

std::vector<std::pair<QString, QJsonValue>> recordEntries(const netmgmt::ModuleRecord& record)
{
    auto entries = settingsEntries(documentFromRecord(record));
    std::erase_if(entries, [](const auto& e) { return e.first == keyText(kSetupTextKey); });
    for (auto& [key, value] : entries)
        if (key == QLatin1String("productId"))
            value = record.product_id; // the document's identity holds only its low byte
    entries.emplace_back(keyText(kModuleIpKey), ipv4Text(serial::decodeIpv4(record.module_ip)));
    return entries;
}

QJsonObject searchSummary(const netmgmt::ModuleRecord& record)
{
    QJsonObject all;
    for (const auto& [key, value] : recordEntries(record))
        all.insert(key, value);
    QJsonObject out;
    for (const char* key : {"mac", "moduleIp", "productId", "firmware"})
        out.insert(QLatin1String(key), all.value(QLatin1String(key)));
    return out;
}

void applyChangedSettings(const SettingsDocument& read, const SettingsDocument& wanted,
                          netmgmt::ModuleRecord& r)
{
    ifChanged(read.localIp, wanted.localIp, [&](auto v) { r.local_ip = serial::encodeIpv4(v); });
    ifChanged(read.subnetMask, wanted.subnetMask,
              [&](auto v) { r.subnet_mask = serial::encodeIpv4(v); });
    ifChanged(read.gateway, wanted.gateway, [&](auto v) { r.gateway_ip = serial::encodeIpv4(v); });
    ifChanged(read.dnsIp, wanted.dnsIp, [&](auto v) { r.dns_ip = serial::encodeIpv4(v); });
    ifChanged(read.dhcp, wanted.dhcp,
              [&](auto v) { setFlag(r.option_flags, kOptionDhcp, v != 0); });
    ifChanged(read.dnsAuto, wanted.dnsAuto,
              [&](auto v) { setFlag(r.option_flags, kOptionDnsAuto, v != 0); });

    const serial::WlanBasicRecord& was = read.wlan;
    const serial::WlanBasicRecord& now = wanted.wlan;
    const std::pair<BitField, std::uint8_t serial::WlanBasicRecord::*> wlanFields[] = {
        {kMode, &serial::WlanBasicRecord::mode},
        {kChannel, &serial::WlanBasicRecord::channel},
        {kWepKeyLength, &serial::WlanBasicRecord::wepKeyLength},
        {kDefaultKey, &serial::WlanBasicRecord::defaultKey},
        {kAuthentication, &serial::WlanBasicRecord::authentication},
        {kWpaMode, &serial::WlanBasicRecord::wpaMode},
        {kCipher, &serial::WlanBasicRecord::cipher},
    };
    for (const auto& field : wlanFields) {
        // A named field rather than a structured binding: clang 14 cannot capture those.
        const BitField bits = field.first;
        ifChanged(was.*field.second, now.*field.second,
                  [&](auto v) { setField(r.wlan_word, bits, v); });
    }
    ifChanged(read.ssid, wanted.ssid, [&](const auto& v) { setRecordText(r.ssid, v); });
    ifChanged(read.wep64Keys, wanted.wep64Keys, [&](const auto& v) { r.wep64_keys = v; });
    ifChanged(read.wep128Keys, wanted.wep128Keys, [&](const auto& v) { r.wep128_keys = v; });
    ifChanged(read.passphrase, wanted.passphrase,
              [&](const auto& v) { setRecordText(r.wpa_passphrase, v); });
    ifChanged(read.psk, wanted.psk, [&](const auto& v) { r.wpa_psk = v; });

    netmgmt::ChannelEntry& c = r.channel[0];
    const serial::NetworkOptionRecord& o = read.options;
    const serial::NetworkOptionRecord& n = wanted.options;
    ifChanged(o.peerIp, n.peerIp, [&](auto v) { c.peer_ip = serial::encodeIpv4(v); });
    ifChanged(o.localPort, n.localPort, [&](auto v) { c.local_port = v; });
    ifChanged(o.peerPort, n.peerPort, [&](auto v) { c.peer_port = v; });
    ifChanged(o.muxType, n.muxType, [&](auto v) { c.mux_type = v; });
    ifChanged(o.codListen, n.codListen,
              [&](auto v) { setFlag(c.mode_flags, kModeCodListen, v != 0); });
    ifChanged(o.waterMark, n.waterMark, [&](auto v) { c.water_mark = v; });
    ifChanged(read.peerDomainName, wanted.peerDomainName,
              [&](const auto& v) { setRecordText(c.peer_domain_name, v); });
    ifChanged(read.userClassId, wanted.userClassId,
              [&](const auto& v) { setRecordText(r.user_class_id, v); });
}

} // namespace quarlink::settings
