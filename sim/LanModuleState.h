// What a simulated module on the LAN keeps: its address, MAC address, firmware version and its
// environment as the list of items it reports (product IDs included), in its own order.
#pragma once

#include "netmgmt/ModuleRecord.h"
#include "sim/HexBytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarlink::sim {

struct EnvironmentEntry
{
    std::uint8_t type = 0;
    std::uint8_t index = 0;
    Bytes data;
    bool operator==(const EnvironmentEntry&) const = default;
};

struct LanFirmware
{
    std::uint8_t major = 1;
    std::uint8_t minor = 2;
    std::uint8_t revision = 0; // 0 is 'a'
    bool operator==(const LanFirmware&) const = default;
};

struct LanModuleState
{
    netmgmt::Ipv4Bytes address{};
    netmgmt::MacAddress mac{};
    LanFirmware firmware;
    std::vector<EnvironmentEntry> environment;

    // The entry of that type and index; nothing when the module has none.
    const EnvironmentEntry* find(std::uint8_t type, std::uint8_t index) const;
    // Replaces the entry of that type and index, or appends it.
    void put(std::uint8_t type, std::uint8_t index, std::span<const std::uint8_t> data);
    std::uint16_t productId(std::uint8_t index) const; // item 2/index, 0 when missing
    void setProductId(std::uint8_t index, std::uint16_t id);
    // The environment as a plain payload of items.
    Bytes payload() const;

    bool operator==(const LanModuleState&) const = default;
};

// A WLAN module (product 21) with infrastructure WPA2 settings, one serial channel, and an
// item of a type the program does not know, which a write must carry back unchanged.
// `ordinal` tells modules apart in their defaults (MAC and IP setting).
LanModuleState defaultLanModule(const netmgmt::Ipv4Bytes& address, unsigned ordinal);

} // namespace quarlink::sim
