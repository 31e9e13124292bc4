// Helpers for the environment tests: payloads built from items, the item list of a payload,
// and a capture of the decoder's debug texts.
#pragma once

#include "netmgmt/DebugOutput.h"
#include "netmgmt/EnvironmentItems.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quarlink::netmgmt::test {

struct TestItem
{
    std::uint8_t type;
    std::uint8_t index;
    std::vector<std::uint8_t> data;
};

inline std::vector<std::uint8_t> payloadOf(const std::vector<TestItem>& items)
{
    std::vector<std::uint8_t> payload;
    for (const TestItem& item : items)
        encodeItem(payload, item.type, item.index, item.data);
    return payload;
}

using ItemKey = std::pair<int, int>; // type, index

// The type and index of each well-framed item, in order.
inline std::vector<ItemKey> itemKeysOf(std::span<const std::uint8_t> payload)
{
    std::vector<ItemKey> keys;
    for (std::size_t offset = 0; offset < payload.size();) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok)
            break;
        keys.emplace_back(frame.type, frame.index);
        offset += frame.length;
    }
    return keys;
}

inline std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t first = 1)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// Collects the debug texts written while it lives.
class DebugCapture
{
public:
    DebugCapture() : m_previous(setDebugSink([this](std::string_view text) { m_text += text; })) {}
    ~DebugCapture() { setDebugSink(std::move(m_previous)); }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
    DebugSink m_previous;
};

} // namespace quarlink::netmgmt::test
