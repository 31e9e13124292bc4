// The module's side of the firmware stream: takes the header frame and then the image bytes,
// whatever the chunking, and checks the length and the checksum. Used for the stream on the
// serial line and on a TCP connection alike.
#pragma once

#include "firmware/ImageStream.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::sim {

// What the module made of the last firmware stream it received.
struct FirmwareReceipt
{
    std::uint32_t declaredLength = 0;
    std::uint64_t receivedLength = 0;
    firmware::Checksum declaredChecksum{};
    firmware::Checksum computedChecksum{};
    bool headerValid = true; // false: not ESC '~' 'Y', or longer than the module takes
    bool complete = false;   // every declared byte arrived

    bool checksumCorrect() const { return complete && declaredChecksum == computedChecksum; }
    bool accepted() const { return headerValid && checksumCorrect(); }
    bool operator==(const FirmwareReceipt&) const = default;
};

class FirmwareReceiver
{
public:
    enum class State
    {
        Header,    // the header frame is still coming
        Image,     // image bytes are still coming
        Done,      // the whole image has arrived
        BadHeader, // the header was refused; nothing more is taken
    };

    // Takes bytes of the stream from its first ESC on; returns how many it took, which is less
    // than offered only once the stream has ended (Done or BadHeader).
    std::size_t feed(std::span<const std::uint8_t> bytes);

    State state() const { return m_state; }
    bool ended() const { return m_state == State::Done || m_state == State::BadHeader; }
    const FirmwareReceipt& receipt() const { return m_receipt; }
    // The header bytes received so far (at most the 9 of the frame).
    std::span<const std::uint8_t> headerBytes() const
    {
        return std::span(m_header).first(m_headerFill);
    }

private:
    void takeHeader();

    State m_state = State::Header;
    firmware::HeaderFrame m_header{};
    std::size_t m_headerFill = 0;
    FirmwareReceipt m_receipt;
};

} // namespace quarlink::sim
