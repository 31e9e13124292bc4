// A simulated LAN module whose answer fits in one datagram while a write built from it would
// not: it sends the items the program knows nearly empty and fills the rest of its answer with
// items of its own, so replacing each known item whole by its full length outgrows a datagram.
#pragma once

#include "sim/LanModuleState.h"

#include <utility>

namespace quarlink::testing {

inline sim::LanModuleState crampedLanModule(const netmgmt::Ipv4Bytes& address, unsigned ordinal)
{
    sim::LanModuleState m = sim::defaultLanModule(address, ordinal);
    // Texts, names and WLAN keys: 8 bytes each as sent, 40 to 72 bytes each as written.
    const std::pair<std::uint8_t, std::uint8_t> shrunk[] = {
        {35, 0}, {7, 0}, {35, 128}, {8, 0}, {8, 1}, {9, 1}, {9, 3}, {9, 4}, {9, 5}};
    for (const auto& [type, index] : shrunk)
        m.put(type, index, sim::Bytes(1, 0));
    constexpr std::uint8_t kOwnType = 10; // not a type the program knows
    for (std::uint8_t index = 1; index <= 3; ++index)
        m.put(kOwnType, index, sim::Bytes(240, index));
    return m;
}

} // namespace quarlink::testing
