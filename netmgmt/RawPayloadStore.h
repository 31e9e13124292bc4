// The raw payload store: per module, the last plain environment payload it reported, in one
// list for Local answers and one for Remote answers. A write sends unedited items back from it.
#pragma once

#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ModuleRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarlink::netmgmt {

enum class PayloadList
{
    Local,
    Remote,
};

class RawPayloadStore
{
public:
    void clear(PayloadList list);
    // Overwrites the module's payload when the list holds its MAC address, else appends it.
    // A payload longer than a datagram can carry is cut to that length.
    void insertOrReplace(PayloadList list, const MacAddress& mac,
                         std::span<const std::uint8_t> payload);
    // The module's stored payload; nothing when the list does not hold its MAC address.
    std::optional<std::span<const std::uint8_t>> find(PayloadList list,
                                                      const MacAddress& mac) const;
    std::size_t count(PayloadList list) const { return nodes(list).size(); }

private:
    struct Node
    {
        MacAddress mac{};
        std::array<std::uint8_t, kMaxDatagramSize> payload{};
        std::size_t length = 0;
    };
    std::vector<Node>& nodes(PayloadList list)
    {
        return list == PayloadList::Local ? m_local : m_remote;
    }
    const std::vector<Node>& nodes(PayloadList list) const
    {
        return list == PayloadList::Local ? m_local : m_remote;
    }

    std::vector<Node> m_local;
    std::vector<Node> m_remote;
};

} // namespace quarlink::netmgmt
