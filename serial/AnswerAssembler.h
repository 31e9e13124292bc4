// Gathers the module's answer bytes, as they arrive in chunks, into one answer frame
// (ESC '~' letter payload) and tells when a frame is complete by the rule of its letter.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::serial {

class AnswerAssembler
{
public:
    static constexpr std::size_t kCapacity = 2048;

    // Appends a chunk. A buffer that would grow beyond its capacity is discarded with the chunk:
    // no answer is that long, so the bytes cannot be one.
    void append(std::span<const std::uint8_t> chunk);

    // Drops the buffer when it does not begin with ESC; true once ESC '~' and the answer
    // letter are in. Bytes after an ESC that is not followed by '~' stay until discarded.
    bool hasHeader();

    // Whether the buffer holds a whole answer frame for a command whose current item code is
    // `currentItem` (it fixes the length of an 'R' answer).
    bool isComplete(std::uint8_t currentItem) const;

    // The bytes held, from the first on.
    std::span<const std::uint8_t> bytes() const { return std::span(m_buffer.data(), m_fill); }
    std::uint8_t letter() const { return m_buffer[2]; }
    std::size_t size() const { return m_fill; }
    // The last byte received; only meaningful when size() > 0.
    std::uint8_t lastByte() const { return m_fill > 0 ? m_buffer[m_fill - 1] : 0; }
    // The bytes after ESC '~' letter.
    std::span<const std::uint8_t> payload() const;

    // Zeroes the buffer and empties it.
    void discard();
    // Drops the first `count` bytes (all when fewer); the rest moves to the front.
    void dropFront(std::size_t count);

private:
    std::array<std::uint8_t, kCapacity> m_buffer{};
    std::size_t m_fill = 0;
};

} // namespace quarlink::serial
