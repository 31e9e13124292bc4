#include "netmgmt/DatagramTrace.h"

#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ItemTable.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ManagementParameters.h"
#include "netmgmt/Sealing.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::netmgmt {

namespace {

// Appends the parts in turn (building by appending also keeps GCC's restrict warning quiet).
void append(std::string& text, std::initializer_list<std::string_view> parts)
{
    for (const std::string_view part : parts)
        text += part;
}

// Longer item data is shown as its first bytes and "...".
constexpr std::size_t kShownDataBytes = 24;

std::string hexBytes(std::span<const std::uint8_t> bytes)
{
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < std::min(bytes.size(), kShownDataBytes); ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += pair;
    }
    if (bytes.size() > kShownDataBytes)
        text += " ...";
    return text;
}

std::string macText(const MacAddress& m)
{
    char text[24];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3], m[4],
                  m[5]);
    return text;
}

const char* operationName(std::uint8_t operation)
{
    switch (operation) {
    case OpSearch:
        return "search";
    case OpRead:
        return "read";
    case OpWrite:
        return "write";
    default:
        return "operation";
    }
}

const char* writeStatusText(std::uint8_t status)
{
    switch (status) {
    case kWriteStatusSuccess:
        return "success";
    case kWriteStatusPasswordMismatch:
        return "password mismatch";
    case kWriteStatusProductMismatch:
        return "product ID mismatch";
    default:
        return "unknown error";
    }
}

// A text of printable characters padded with zero bytes shows as a quoted text.
bool isPaddedText(std::span<const std::uint8_t> data)
{
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return end != data.begin() &&
           std::all_of(data.begin(), end, [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; }) &&
           std::all_of(end, data.end(), [](std::uint8_t c) { return c == 0; });
}

std::string itemValue(std::uint8_t type, std::span<const std::uint8_t> data)
{
    if (type == item_type::Address && data.size() >= 4)
        return formatIpv4({data[0], data[1], data[2], data[3]});
    if (isPaddedText(data)) {
        const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
        std::string text = "\"";
        text.append(data.begin(), end);
        return text + '"';
    }
    return hexBytes(data);
}

// The items of a plain payload; `payloadOffset` is where the payload stands in the datagram,
// for the masked ranges.
std::string describeItems(std::span<const std::uint8_t> payload, std::size_t payloadOffset,
                          std::vector<trace::ByteRange>& masked)
{
    std::string text;
    std::size_t offset = 0;
    while (offset < payload.size()) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok) {
            append(text, {"; an item at payload offset ", std::to_string(offset),
                          " runs past the payload or has a wrong length"});
            return text;
        }
        const auto data = itemBody(payload, offset, frame);
        const char* name = itemName(frame.type, frame.index);
        append(text,
               {"; ", std::to_string(frame.type), "/", std::to_string(frame.index), " ", name});
        if (isSecretItem(frame.type, frame.index)) {
            text += " (masked)";
            masked.push_back({payloadOffset + offset + kItemHeadSize, data.size()});
        } else if (!data.empty()) {
            append(text, {" ", itemValue(frame.type, data)});
        }
        if (!checkItem(payload.subspan(offset, frame.length), frame.length - kItemCheckSize))
            text += " (check value wrong)";
        offset += frame.length;
    }
    return text;
}

} // namespace

trace::Entry datagramEntry(trace::Direction direction, std::span<const std::uint8_t> datagram,
                           const ManagementKeyBytes& key, const Ipv4Bytes& peer, std::uint16_t port)
{
    trace::Entry entry;
    entry.link = trace::Link::Lan;
    entry.direction = direction;
    entry.bytes = datagram;
    std::string& what = entry.what;
    append(what, {direction == trace::Direction::Sent ? "to " : "from ", formatIpv4(peer), ":",
                  std::to_string(port), " "});
    const ManagementHeader header = decodeHeader(datagram);
    if (datagram.size() < kHeaderSize || header.magic != kManagementMagic) {
        what += "not a management datagram";
        return entry;
    }
    what += operationName(header.operation);
    if (header.operation < OpSearch || header.operation > OpWrite)
        append(what, {" ", std::to_string(header.operation)});
    what += header.isAnswer() ? " answer" : " request";
    what += header.isRemote() ? ", Remote" : ", Local";
    append(what, {", MAC ", macText(header.mac)});
    if (header.isAnswer()) {
        const char revision = static_cast<char>('a' + header.fwRevision);
        append(what, {", firmware ", std::to_string(header.fwMajor), ".",
                      std::to_string(header.fwMinor), std::string_view(&revision, 1)});
        if (header.operation == OpWrite)
            append(what, {", status ", std::to_string(header.status), " ",
                          writeStatusText(header.status)});
    }
    if (datagram.size() == kHeaderSize) {
        what += "; no items";
        return entry;
    }
    std::vector<std::uint8_t> payload(datagram.begin() + kHeaderSize, datagram.end());
    openPayload(header.checkValue, payload, key);
    what += describeItems(payload, kHeaderSize, entry.masked);
    return entry;
}

} // namespace quarlink::netmgmt
