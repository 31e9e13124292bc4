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

// How the trace shows an item's data.
enum class Shown
{
    Text,   // printable characters padded with zero bytes, quoted; bytes when it is no such text
    Number, // an unsigned number, low byte first, in decimal
    Flags,  // the same in hexadecimal
    Bytes,
};

Shown shownAs(std::uint8_t type, std::uint8_t index)
{
    namespace t = item_type;
    switch (type) {
    case t::Label:
    case t::Name:
    case t::Text:
    case t::Macro:
        return Shown::Text;
    case t::ProductId:
    case t::IoPort:
        return Shown::Number;
    case t::OptionFlags:
        return Shown::Flags;
    case t::Wlan:
        if (index == 0)
            return Shown::Flags; // wlan_word
        if (index == 1)
            return Shown::Text; // ssid
        return index == 7 ? Shown::Number : Shown::Bytes;
    case t::Ext2:
        return index == 1 ? Shown::Number : Shown::Bytes;
    default:
        return Shown::Bytes;
    }
}

// Numbers are at most this long; a longer item of a number's type shows as bytes.
constexpr std::size_t kMaxNumberBytes = 4;

// The bytes of an item's data (and fill) that hold its number: as many as its record field has.
std::span<const std::uint8_t> numberBytes(std::uint8_t type, std::uint8_t index,
                                          std::span<const std::uint8_t> data)
{
    const auto place = itemPlace(type, index);
    return place ? data.first(std::min(place->dataLength, data.size())) : data;
}

bool isPaddedText(std::span<const std::uint8_t> data)
{
    const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
    return end != data.begin() &&
           std::all_of(data.begin(), end, [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; }) &&
           std::all_of(end, data.end(), [](std::uint8_t c) { return c == 0; });
}

std::string itemValue(std::uint8_t type, std::uint8_t index, std::span<const std::uint8_t> data)
{
    if (type == item_type::Address && data.size() >= 4)
        return formatIpv4({data[0], data[1], data[2], data[3]});
    const Shown shown = shownAs(type, index);
    const auto number = numberBytes(type, index, data);
    if ((shown == Shown::Number || shown == Shown::Flags) && number.size() <= kMaxNumberBytes) {
        std::uint32_t value = 0;
        for (std::size_t i = number.size(); i-- > 0;)
            value = value << 8 | number[i];
        if (shown == Shown::Number)
            return std::to_string(value);
        char text[16];
        std::snprintf(text, sizeof text, "0x%0*X", static_cast<int>(number.size() * 2), value);
        return text;
    }
    if (shown == Shown::Text && isPaddedText(data)) {
        const auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
        std::string text = "\"";
        text.append(data.begin(), end);
        return text + '"';
    }
    return hexBytes(data);
}

// One line for each item of a plain payload; `payloadOffset` is where the payload stands in
// the datagram, for the masked ranges.
void describeItems(std::span<const std::uint8_t> payload, std::size_t payloadOffset,
                   trace::Entry& entry)
{
    std::size_t offset = 0;
    while (offset < payload.size()) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok) {
            entry.details.push_back("an item at payload offset " + std::to_string(offset) +
                                    " runs past the payload or has a wrong length");
            return;
        }
        const auto data = itemBody(payload, offset, frame);
        std::string line;
        append(line, {std::to_string(frame.type), "/", std::to_string(frame.index), " ",
                      itemName(frame.type, frame.index)});
        if (isSecretItem(frame.type, frame.index)) {
            line += " (masked)";
            entry.masked.push_back({payloadOffset + offset + kItemHeadSize, data.size()});
        } else if (!data.empty()) {
            append(line, {" ", itemValue(frame.type, frame.index, data)});
        }
        if (!checkItem(payload.subspan(offset, frame.length), frame.length - kItemCheckSize))
            line += " (check value wrong)";
        entry.details.push_back(std::move(line));
        offset += frame.length;
    }
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
        entry.details.emplace_back("no items");
        return entry;
    }
    std::vector<std::uint8_t> payload(datagram.begin() + kHeaderSize, datagram.end());
    openPayload(header.checkValue, payload, key);
    describeItems(payload, kHeaderSize, entry);
    return entry;
}

} // namespace quarlink::netmgmt
