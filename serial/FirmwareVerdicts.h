// The entry through which the answer dispatch hands the firmware update's answers to whoever
// waits for them: the module's verdict 'Y', its error answer while the current command letter
// is 'Y', and answers with the letter 0xFF.
#pragma once

#include <cstdint>

namespace quarlink::serial {

// Answer letter of the module's status after a firmware stream.
inline constexpr std::uint8_t kFirmwareStatusLetter = 0xFF;

class FirmwareVerdictListener
{
public:
    virtual ~FirmwareVerdictListener() = default;

    // ESC '~' 'Y' arrived: the module took the image. The receive buffer is already discarded.
    virtual void updateSucceeded() = 0;
    // The error answer arrived after a transfer. The dispatch shows its error message itself.
    virtual void updateRefused() = 0;
    // An answer with the letter 0xFF, examined after every chunk; the receive buffer is kept.
    virtual void statusAnswer(bool lastByteIsZero) = 0;
};

} // namespace quarlink::serial
