// The protocol trace of the serial link: every command frame and every answer frame named by
// its letter and item code, the secret items' payloads masked. Also the identity record's
// MAC address and firmware version as text, which the trace and the port probe show.
#pragma once

#include "trace/TraceSink.h"

#include <cstdint>
#include <span>
#include <string>

namespace quarlink::serial {

// "00:11:22:33:44:55" and "1.2a" from a 16-byte identity record; empty when it is shorter.
std::string identityMacText(std::span<const std::uint8_t> record);
std::string identityFirmwareText(std::span<const std::uint8_t> record);

// A command frame, ESC '~' letter [item [payload]].
trace::Entry commandEntry(std::span<const std::uint8_t> frame);
// A complete answer frame, ESC '~' letter [payload]; `currentLetter` and `currentItem` are the
// command it answers (the frame itself does not say which item an 'R' answer carries).
trace::Entry answerEntry(std::span<const std::uint8_t> frame, std::uint8_t currentLetter,
                         std::uint8_t currentItem);
// Received bytes that are no complete answer frame and are dropped, `what` says how. While a
// secret item is awaited they are masked whole: they may be its payload behind a stray byte.
trace::Entry droppedEntry(std::span<const std::uint8_t> bytes, std::string what,
                          std::uint8_t currentLetter, std::uint8_t currentItem);

} // namespace quarlink::serial
