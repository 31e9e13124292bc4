// Encoding, checking and framing of environment items.
#include "netmgmt/EnvironmentItems.h"

#include "netmgmt/Crc16.h"

namespace quarlink::netmgmt {

std::size_t encodeItem(std::vector<std::uint8_t>& out, std::uint8_t type, std::uint8_t index,
                       std::span<const std::uint8_t> data)
{
    const std::size_t total = itemTotalLength(data.size());
    const std::size_t start = out.size();
    out.push_back(type);
    out.push_back(index);
    out.push_back(static_cast<std::uint8_t>(total & 0xFF));
    out.push_back(static_cast<std::uint8_t>(total >> 8));
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), itemFillBytes(data.size()), 0);
    const std::uint16_t check =
        crc16(std::span<const std::uint8_t>(out).subspan(start, total - kItemCheckSize));
    out.push_back(static_cast<std::uint8_t>(check & 0xFF));
    out.push_back(static_cast<std::uint8_t>(check >> 8));
    return total;
}

bool checkItem(std::span<const std::uint8_t> item, std::size_t covered)
{
    if (item.size() < covered + kItemCheckSize)
        return false;
    const std::uint16_t stored = static_cast<std::uint16_t>(item[covered] | item[covered + 1] << 8);
    return crc16(item.first(covered)) == stored;
}

ItemFrame frameItemAt(std::span<const std::uint8_t> payload, std::size_t offset)
{
    ItemFrame frame;
    if (offset > payload.size() || payload.size() - offset < kItemHeadSize)
        return frame;
    frame.type = payload[offset + item_offset::Type];
    frame.index = payload[offset + item_offset::Index];
    frame.length = static_cast<std::size_t>(payload[offset + item_offset::Length] |
                                            payload[offset + item_offset::Length + 1] << 8);
    if (frame.length > payload.size() - offset)
        frame.status = ItemFrame::Status::RunsPast;
    else if (frame.length < kMinItemLength)
        frame.status = ItemFrame::Status::TooShort;
    else if (frame.length - kMinItemLength > kItemBufferSize)
        frame.status = ItemFrame::Status::TooLong;
    else
        frame.status = ItemFrame::Status::Ok;
    return frame;
}

} // namespace quarlink::netmgmt
