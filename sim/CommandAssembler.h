// Assembles the command frames ESC '~' letter [item [payload]] from received bytes, whatever
// the chunking. Bytes that cannot start or continue a frame come out as noise.
#pragma once

#include "sim/FirmwareReceiver.h"
#include "sim/HexBytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarlink::sim {

struct ReceivedFrame
{
    enum class Kind
    {
        Command,
        Noise, // bytes dropped while looking for ESC '~'
    };
    enum class Flaw
    {
        None,
        UnknownItem,       // 'W' with an item code of unknown length: the frame ends at the code
        TextTooLong,       // 'W' 0xFF whose text did not fit; the rest up to its zero was skipped
        BadFirmwareHeader, // 'Y' whose header was refused; what follows is read as commands
        FirmwareCutShort,  // 'Y' whose image stopped coming before its end
    };

    Kind kind = Kind::Command;
    Bytes raw;                        // the bytes as received (a long text's kept part only)
    std::uint8_t letter = 0;          // command letter
    std::optional<std::uint8_t> item; // for 'R' and 'W'
    Bytes payload;                    // 'W' payload; for 0xFF the text without its zero
    Flaw flaw = Flaw::None;
    std::size_t skipped = 0; // bytes of an over-long text not kept in `raw`
    // 'Y': the firmware stream; `raw` keeps its header frame only.
    std::optional<FirmwareReceipt> firmware;
};

class CommandAssembler
{
public:
    // Returns the frames and noise completed by this chunk, in line order.
    std::vector<ReceivedFrame> feed(std::span<const std::uint8_t> chunk);
    // True when no partial frame is held.
    bool idle() const { return m_state == State::Start; }
    // Gives up a partial frame: its bytes come out as noise. Nothing when idle.
    std::vector<ReceivedFrame> abandonPartial();

private:
    enum class State
    {
        Start,    // looking for ESC
        Esc,      // ESC seen, '~' expected
        Letter,   // ESC '~' seen
        Item,     // letter needs an item code
        Payload,  // m_remaining payload bytes to come
        Text,     // setup text up to its zero byte
        SkipText, // over-long setup text: skipping up to its zero byte
        Firmware, // the firmware header frame and image, taken by the receiver
    };

    void take(std::uint8_t byte);
    // Gives the firmware receiver what it takes of `bytes`; returns the count taken.
    std::size_t takeFirmware(std::span<const std::uint8_t> bytes);
    void startCandidate(std::uint8_t esc);
    void dropCandidate();
    void flushNoise();
    void complete();

    State m_state = State::Start;
    ReceivedFrame m_frame;
    std::size_t m_remaining = 0;
    FirmwareReceiver m_firmware;
    Bytes m_noise;
    std::vector<ReceivedFrame> m_out;
};

} // namespace quarlink::sim
