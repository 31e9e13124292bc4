// Environment items, the framing of a management payload: type, index, total length (16 bits,
// little-endian), data, zero fill to a multiple of four, and the item check value over all
// bytes before it. Encoding, checking, and framing one item of a received payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quarlink::netmgmt {

inline constexpr std::size_t kItemHeadSize = 4;
inline constexpr std::size_t kItemCheckSize = 2;
inline constexpr std::size_t kMinItemLength = kItemHeadSize + kItemCheckSize;
// A received item's data and fill are handed on in a buffer of this size.
inline constexpr std::size_t kItemBufferSize = 1400;

namespace item_offset {
inline constexpr std::size_t Type = 0;
inline constexpr std::size_t Index = 1;
inline constexpr std::size_t Length = 2;
inline constexpr std::size_t Data = 4;
} // namespace item_offset

// Fill bytes after n data bytes: 2, 1, 0, 3 for n mod 4 = 0, 1, 2, 3.
constexpr std::size_t itemFillBytes(std::size_t dataLength)
{
    constexpr std::size_t kFill[4] = {2, 1, 0, 3};
    return kFill[dataLength % 4];
}

constexpr std::size_t itemTotalLength(std::size_t dataLength)
{
    return kMinItemLength + dataLength + itemFillBytes(dataLength);
}

// Appends one item to `out`; returns its total length.
std::size_t encodeItem(std::vector<std::uint8_t>& out, std::uint8_t type, std::uint8_t index,
                       std::span<const std::uint8_t> data);

// True when the check value over the first `covered` bytes equals the two bytes after them
// (little-endian). False when `item` is too short to hold them.
bool checkItem(std::span<const std::uint8_t> item, std::size_t covered);

// Framing of the item that begins at `offset` of a payload.
struct ItemFrame
{
    enum class Status
    {
        Ok,
        RunsPast, // the head or the total length runs past the payload
        TooShort, // total length below head and check value
        TooLong,  // data and fill exceed the item buffer
    };
    Status status = Status::RunsPast;
    std::uint8_t type = 0;
    std::uint8_t index = 0;
    std::size_t length = 0; // total length T
};

// Reads only inside `payload`.
ItemFrame frameItemAt(std::span<const std::uint8_t> payload, std::size_t offset);

// The item of length `frame.length` at `offset`, its data and fill bytes.
inline std::span<const std::uint8_t> itemBody(std::span<const std::uint8_t> payload,
                                              std::size_t offset, const ItemFrame& frame)
{
    return payload.subspan(offset + kItemHeadSize, frame.length - kMinItemLength);
}

} // namespace quarlink::netmgmt
