// Raw payload store.
#include "netmgmt/RawPayloadStore.h"

#include <algorithm>
#include <optional>

namespace quarlink::netmgmt {

void RawPayloadStore::clear(PayloadList list)
{
    nodes(list).clear();
}

void RawPayloadStore::insertOrReplace(PayloadList list, const MacAddress& mac,
                                      std::span<const std::uint8_t> payload)
{
    std::vector<Node>& all = nodes(list);
    auto node =
        std::find_if(all.begin(), all.end(), [&mac](const Node& n) { return n.mac == mac; });
    if (node == all.end()) {
        all.emplace_back();
        node = all.end() - 1;
        node->mac = mac;
    }
    node->length = std::min(payload.size(), node->payload.size());
    std::copy_n(payload.begin(), node->length, node->payload.begin());
}

std::optional<std::span<const std::uint8_t>> RawPayloadStore::find(PayloadList list,
                                                                   const MacAddress& mac) const
{
    for (const Node& node : nodes(list))
        if (node.mac == mac)
            return std::span<const std::uint8_t>(node.payload.data(), node.length);
    return std::nullopt;
}

} // namespace quarlink::netmgmt
