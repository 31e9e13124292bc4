// The simulated LAN module's environment and its defaults.
#include "sim/LanModuleState.h"

#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ItemTable.h"
#include "netmgmt/WpaPsk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace quarlink::sim {

namespace {

namespace t = netmgmt::item_type;

Bytes text(std::string_view value, std::size_t size)
{
    Bytes bytes(size, 0);
    std::copy_n(value.begin(), std::min(value.size(), size), bytes.begin());
    return bytes;
}

// `value` little-endian in the first four bytes of a zero-filled field of `size` bytes.
Bytes littleEndian(std::uint32_t value, std::size_t size)
{
    Bytes bytes(size, 0);
    for (std::size_t i = 0; i < std::min<std::size_t>(size, 4); ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

} // namespace

const EnvironmentEntry* LanModuleState::find(std::uint8_t type, std::uint8_t index) const
{
    for (const EnvironmentEntry& entry : environment)
        if (entry.type == type && entry.index == index)
            return &entry;
    return nullptr;
}

void LanModuleState::put(std::uint8_t type, std::uint8_t index, std::span<const std::uint8_t> data)
{
    for (EnvironmentEntry& entry : environment) {
        if (entry.type == type && entry.index == index) {
            entry.data.assign(data.begin(), data.end());
            return;
        }
    }
    environment.push_back({type, index, Bytes(data.begin(), data.end())});
}

std::uint16_t LanModuleState::productId(std::uint8_t index) const
{
    const EnvironmentEntry* entry = find(t::ProductId, index);
    if (!entry || entry->data.size() < 2)
        return 0;
    return static_cast<std::uint16_t>(entry->data[0] | entry->data[1] << 8);
}

void LanModuleState::setProductId(std::uint8_t index, std::uint16_t id)
{
    put(t::ProductId, index, littleEndian(id, 2));
}

Bytes LanModuleState::payload() const
{
    Bytes bytes;
    for (const EnvironmentEntry& entry : environment)
        netmgmt::encodeItem(bytes, entry.type, entry.index, entry.data);
    return bytes;
}

LanModuleState defaultLanModule(const netmgmt::Ipv4Bytes& address, unsigned ordinal)
{
    LanModuleState m;
    m.address = address;
    m.mac = {0x00,
             0x11,
             0x22,
             0x33,
             static_cast<std::uint8_t>(0x50 + (ordinal >> 8)),
             static_cast<std::uint8_t>(ordinal)};
    const auto host = static_cast<std::uint8_t>(100 + ordinal % 100);

    Bytes identity(m.mac.begin(), m.mac.end());
    identity.resize(12, 0);
    const std::string userClass = "PTR-" + toCompactHex(m.mac);
    const std::array<std::uint8_t, 4> wlanWord = {0x01, 0x00, 0x24, 0x00}; // infra, WPA2, AES
    const Bytes ssid = text("ThisIsASSID", 32);
    const Bytes passphrase = text("ThisIsAPassword", 32);
    std::array<std::uint8_t, netmgmt::kWpaPskSize> psk{};
    netmgmt::derivePreSharedKey(psk, std::span<const std::uint8_t, 32>(passphrase.data(), 32),
                                std::span<const std::uint8_t, 32>(ssid.data(), 32));
    Bytes channelBody(20, 0);
    const std::uint8_t peer[4] = {192, 168, 1, 10};
    std::copy(std::begin(peer), std::end(peer), channelBody.begin() + 4);
    channelBody[8] = 5000 & 0xFF; // local port 5000
    channelBody[9] = 5000 >> 8;
    channelBody[10] = 80; // peer port 80

    m.environment = {
        {t::Identity, 0, identity},
        {t::ProductId, 1, littleEndian(0, 2)},
        {t::ProductId, 0, littleEndian(21, 2)},
        {t::Address, 0, {192, 168, 1, host}},
        {t::Address, 1, {255, 255, 255, 0}},
        {t::Address, 2, {192, 168, 1, 1}},
        {t::Address, 3, {192, 168, 1, 1}},
        {t::ChannelHead, 0, Bytes(12, 0)},
        {t::ChannelBody, 0, channelBody},
        {t::Text, 0, text("", 64)},
        {t::OptionFlags, 0, littleEndian(0, 4)},
        {t::Label, 0, text(userClass, 64)},
        {t::Item33, 0, Bytes(6, 0)},
        {t::Item34, 0, Bytes(8, 0)},
        {t::Name, 0, text("Printer WLAN", 48)},
        {t::Name, 1, Bytes(48, 0)},
        {t::Text, 128, text("", 64)},
        {t::Password, 0, Bytes(10, 0)},
        {t::Password, 1, Bytes(10, 0)},
        {t::Item39, 0, Bytes(12, 0)},
        {t::WebSettings, 0, littleEndian(80, 10)},
        {t::Wlan, 0, Bytes(wlanWord.begin(), wlanWord.end())},
        {t::Wlan, 1, ssid},
        {t::Wlan, 2, Bytes(20, 0)},
        {t::Wlan, 3, Bytes(52, 0)},
        {t::Wlan, 4, passphrase},
        {t::Wlan, 5, Bytes(psk.begin(), psk.end())},
        {t::Wlan, 6, Bytes(16, 0)},
        {t::Wlan, 7, Bytes(1, 0)},
        {10, 0, text("module's own", 20)}, // not a type the program knows
    };
    return m;
}

} // namespace quarlink::sim
