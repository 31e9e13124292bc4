#include "serial/AnswerAssembler.h"

#include "serial/SettingsItems.h"

#include <algorithm>

namespace quarlink::serial {

void AnswerAssembler::append(std::span<const std::uint8_t> chunk)
{
    if (chunk.size() > kCapacity - m_fill) {
        discard();
        return;
    }
    std::copy(chunk.begin(), chunk.end(), m_buffer.begin() + m_fill);
    m_fill += chunk.size();
}

bool AnswerAssembler::hasHeader()
{
    if (m_fill > 0 && m_buffer[0] != kEsc)
        discard();
    return m_fill >= kFrameHeaderSize && m_buffer[1] == kTilde;
}

bool AnswerAssembler::isComplete(std::uint8_t currentItem) const
{
    if (m_fill < kFrameHeaderSize)
        return false;
    switch (letter()) {
    case kIdentityLetter:
        return m_fill == kIdentityAnswerSize;
    case kReadLetter:
        if (currentItem == item::SetupText)
            return m_fill > kFrameHeaderSize && m_buffer[m_fill - 1] == 0;
        if (const auto length = itemLength(currentItem))
            return m_fill == kFrameHeaderSize + *length;
        return false;
    default:
        return true; // the letter alone is the answer
    }
}

std::span<const std::uint8_t> AnswerAssembler::payload() const
{
    if (m_fill <= kFrameHeaderSize)
        return {};
    return std::span<const std::uint8_t>(m_buffer).subspan(kFrameHeaderSize,
                                                          m_fill - kFrameHeaderSize);
}

void AnswerAssembler::discard()
{
    std::fill_n(m_buffer.begin(), m_fill, std::uint8_t{0});
    m_fill = 0;
}

void AnswerAssembler::dropFront(std::size_t count)
{
    count = std::min(count, m_fill);
    std::copy(m_buffer.begin() + count, m_buffer.begin() + m_fill, m_buffer.begin());
    std::fill(m_buffer.begin() + (m_fill - count), m_buffer.begin() + m_fill, std::uint8_t{0});
    m_fill -= count;
}

} // namespace quarlink::serial
