#include "sim/FirmwareReceiver.h"

#include <algorithm>

namespace quarlink::sim {

std::size_t FirmwareReceiver::feed(std::span<const std::uint8_t> bytes)
{
    std::size_t taken = 0;
    if (m_state == State::Header) {
        const std::size_t count = std::min(bytes.size(), m_header.size() - m_headerFill);
        std::copy_n(bytes.begin(), count, m_header.begin() + m_headerFill);
        m_headerFill += count;
        taken = count;
        if (m_headerFill == m_header.size())
            takeHeader();
    }
    if (m_state == State::Image) {
        const std::uint64_t left = m_receipt.declaredLength - m_receipt.receivedLength;
        const auto rest = bytes.subspan(taken);
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(rest.size(), left));
        firmware::accumulateChecksum(m_receipt.computedChecksum, m_receipt.receivedLength,
                                     rest.first(count));
        m_receipt.receivedLength += count;
        taken += count;
        if (m_receipt.receivedLength == m_receipt.declaredLength) {
            m_receipt.complete = true;
            m_state = State::Done;
        }
    }
    return taken;
}

void FirmwareReceiver::takeHeader()
{
    const auto parsed = firmware::parseHeaderFrame(m_header);
    if (!parsed || parsed->length > firmware::kMaxImageSize) {
        m_receipt.headerValid = false;
        if (parsed)
            m_receipt.declaredLength = parsed->length;
        m_state = State::BadHeader;
        return;
    }
    m_receipt.declaredLength = parsed->length;
    m_receipt.declaredChecksum = parsed->checksum;
    m_state = State::Image;
    if (parsed->length == 0) {
        m_receipt.complete = true;
        m_state = State::Done;
    }
}

} // namespace quarlink::sim
