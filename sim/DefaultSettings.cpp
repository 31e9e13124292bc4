// The simulated module's factory settings.
#include "sim/DefaultSettings.h"

#include "serial/ItemPayloads.h"

#include <algorithm>
#include <span>

namespace quarlink::sim {

namespace item = serial::item;

namespace {

template <typename Container> Bytes toBytes(const Container& bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}

// An address given first octet in the most significant byte, such as 0xC0A80132 for
// 192.168.1.50.
Bytes ipv4Payload(std::uint32_t address)
{
    return toBytes(serial::encodeIpv4(address));
}

ModuleSettings::Identity defaultIdentity()
{
    ModuleSettings::Identity record{};
    record[identity::ProductId] = 3;
    record[identity::MajorVersion] = 1;
    record[identity::MinorVersion] = 2;
    record[identity::Revision] = 0;
    // Bytes the program does not show; non-zero so that a test can tell they are ignored.
    const std::uint8_t reservedA[identity::ReservedASize] = {0x20, 0x24, 0x01, 0x15};
    std::copy(std::begin(reservedA), std::end(reservedA), record.begin() + identity::ReservedA);
    const std::uint8_t mac[identity::MacSize] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::copy(std::begin(mac), std::end(mac), record.begin() + identity::Mac);
    record[identity::ReservedB] = 0x00;
    record[identity::ReservedB + 1] = 0x01;
    return record;
}

// Infrastructure, channel 6, no WEP, default key 1, open system, WPA2 PSK, AES.
Bytes defaultWlanBasic()
{
    const serial::WlanBasicRecord record{.mode = 1,
                                         .channel = 6,
                                         .wepKeyLength = 0,
                                         .defaultKey = 0,
                                         .authentication = 1,
                                         .wpaMode = 4,
                                         .cipher = 2};
    return toBytes(record.encode());
}

Bytes defaultWep64Keys()
{
    Bytes keys;
    for (std::uint8_t key = 0; key < 4; ++key)
        for (std::uint8_t i = 0; i < 5; ++i)
            keys.push_back(static_cast<std::uint8_t>(0x10 * (key + 1) + i + 1));
    return keys;
}

Bytes defaultWep128Keys()
{
    Bytes keys;
    for (char key = '1'; key <= '4'; ++key) {
        const Bytes one = textPayload(std::string("WEP128-Key-") + key + "!", 13);
        keys.insert(keys.end(), one.begin(), one.end());
    }
    return keys;
}

// Peer 192.168.1.10, local port 5000, peer port 80, mux type T2S, COD listen off, water mark 512.
Bytes defaultNetworkOptions()
{
    const serial::NetworkOptionRecord record{.peerIp = 0xC0A8010A, // 192.168.1.10
                                             .localPort = 5000,
                                             .peerPort = 80,
                                             .muxType = 0,
                                             .codListen = 0,
                                             .waterMark = 512};
    return toBytes(record.encode());
}

constexpr std::string_view kDefaultSetupText = "hostname=wlan-printer\n"
                                               "ethaddr=00:11:22:33:44:55\n"
                                               "ipaddr=192.168.1.50\n"
                                               "netmask=255.255.255.0\n"
                                               "gatewayip=192.168.1.1\n"
                                               "serverip=192.168.1.10\n"
                                               "baudrate=57600\n"
                                               "bootdelay=3\n";

} // namespace

Bytes textPayload(std::string_view text, std::size_t length)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    return serial::encodeTextItem(bytes, length);
}

ModuleSettings defaultModuleSettings()
{
    ModuleSettings settings;
    settings.setIdentity(defaultIdentity());
    settings.setItem(item::LocalIp, ipv4Payload(0xC0A80132));    // 192.168.1.50
    settings.setItem(item::SubnetMask, ipv4Payload(0xFFFFFF00)); // 255.255.255.0
    settings.setItem(item::Gateway, ipv4Payload(0xC0A80101));    // 192.168.1.1
    settings.setItem(item::DnsIp, ipv4Payload(0xC0A80101));      // 192.168.1.1
    settings.setItem(item::DhcpFlags, Bytes{0x00, 0x00});
    settings.setItem(item::WlanBasic, defaultWlanBasic());
    settings.setItem(item::Ssid, textPayload("ThisIsASSID", 32));
    settings.setItem(item::Wep64Keys, defaultWep64Keys());
    settings.setItem(item::Wep128Keys, defaultWep128Keys());
    settings.setItem(item::WpaPassphrase, textPayload("ThisIsAPassword", 32));
    settings.setItem(item::WpaPsk, parseHex(kDefaultWpaPskHex).value_or(Bytes{}));
    settings.setItem(item::NetworkOptions, defaultNetworkOptions());
    settings.setItem(item::PeerDomainName, textPayload("printhost.example.com", 64));
    settings.setItem(item::UserClassId, textPayload("PTR-001122334455", 64));
    settings.setSetupText(kDefaultSetupText);
    return settings;
}

} // namespace quarlink::sim
