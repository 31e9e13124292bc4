// The merge of a write payload into the stored payload.
#include "netmgmt/PayloadMerge.h"

#include "netmgmt/EnvironmentItems.h"

#include <optional>

namespace quarlink::netmgmt {

namespace {

struct Located
{
    std::size_t offset;
    std::size_t length;
};

std::optional<Located> findItem(std::span<const std::uint8_t> payload, std::uint8_t type,
                                std::uint8_t index)
{
    for (std::size_t offset = 0; offset < payload.size();) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok)
            return std::nullopt;
        if (frame.type == type && frame.index == index)
            return Located{offset, frame.length};
        offset += frame.length;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::uint8_t> mergeIntoStoredPayload(std::span<const std::uint8_t> encoded,
                                                 std::span<const std::uint8_t> stored)
{
    if (encoded.size() >= stored.size())
        return {encoded.begin(), encoded.end()};
    std::vector<std::uint8_t> merged(stored.begin(), stored.end());
    for (std::size_t offset = 0; offset < encoded.size();) {
        const ItemFrame frame = frameItemAt(encoded, offset);
        if (frame.status != ItemFrame::Status::Ok)
            break;
        const auto item = encoded.subspan(offset, frame.length);
        if (const auto partner = findItem(merged, frame.type, frame.index)) {
            // Replace the stored item whole, so a length change never overwrites its successors.
            const auto at = merged.begin() + static_cast<std::ptrdiff_t>(partner->offset);
            merged.erase(at, at + static_cast<std::ptrdiff_t>(partner->length));
            merged.insert(merged.begin() + static_cast<std::ptrdiff_t>(partner->offset),
                          item.begin(), item.end());
        }
        offset += frame.length;
    }
    return merged;
}

} // namespace quarlink::netmgmt
