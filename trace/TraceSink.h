// The protocol trace: what an engine reports about every frame or datagram it sends or receives.
// An engine keeps a TraceSink pointer that stays null while the trace is off, so the only cost
// then is that check: the entry, its description included, is built only when a sink is set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::trace {

enum class Link : std::uint8_t
{
    Serial,
    Lan, // management datagrams over UDP
    Tcp, // the firmware stream over TCP
};

enum class Direction : std::uint8_t
{
    Sent,
    Received,
};

// Bytes of an entry that must not appear in the trace (pass phrases, keys, passwords).
struct ByteRange
{
    std::size_t offset = 0;
    std::size_t length = 0;
};

struct Entry
{
    Link link = Link::Serial;
    Direction direction = Direction::Sent;
    std::span<const std::uint8_t> bytes; // exactly as they went over the line
    std::string what;                    // what the bytes are
    // Lines of their own below the entry's first, such as the items of a datagram; an entry
    // with any shows its hex below them too, in rows.
    std::vector<std::string> details;
    std::vector<ByteRange> masked; // shown as "**" in the hex
    // The hex shows at most this many bytes (a firmware block); the length is always the whole.
    std::size_t shownBytes = std::numeric_limits<std::size_t>::max();
};

class TraceSink
{
public:
    virtual ~TraceSink() = default;
    // Both may be called from any thread; each call is one entry of the trace, written whole.
    virtual void record(const Entry& entry) = 0;
    // An event that is no frame, such as an answer that did not come in time.
    virtual void note(Link link, std::string_view text) = 0;
};

} // namespace quarlink::trace
