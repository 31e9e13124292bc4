// The simulated module's factory settings.
#include "sim/DefaultSettings.h"

#include <algorithm>

namespace quarlink::sim {

namespace item = serial::item;

namespace {

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
    return {0x01, 0x06, 0x00, 0x00, 0x01, 0x04, 0x02};
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
    Bytes options = ipv4Payload(192, 168, 1, 10);
    appendLow16(options, 5000);
    appendLow16(options, 80);
    options.push_back(0); // mux type
    options.push_back(0); // COD listen
    appendLow16(options, 512);
    return options;
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

Bytes ipv4Payload(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    return {a, b, c, d};
}

Bytes textPayload(std::string_view text, std::size_t length)
{
    Bytes field(length, 0);
    std::copy_n(text.begin(), std::min(text.size(), length), field.begin());
    return field;
}

void appendLow16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

ModuleSettings defaultModuleSettings()
{
    ModuleSettings settings;
    settings.setIdentity(defaultIdentity());
    settings.setItem(item::LocalIp, ipv4Payload(192, 168, 1, 50));
    settings.setItem(item::SubnetMask, ipv4Payload(255, 255, 255, 0));
    settings.setItem(item::Gateway, ipv4Payload(192, 168, 1, 1));
    settings.setItem(item::DnsIp, ipv4Payload(192, 168, 1, 1));
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
