// Command frames of the serial configuration protocol: ESC '~' letter, then for 'R' and 'W' the
// item code, and for 'W' the item's payload (written separately).
#pragma once

#include <array>
#include <cstdint>

namespace quarlink::serial {

// ESC '~' letter: the frame of 'S', 'C', 'F' and 'G'.
std::array<std::uint8_t, 3> commandFrame(std::uint8_t letter);

// ESC '~' letter item: the frame of 'R', and the header of 'W' before its payload.
std::array<std::uint8_t, 4> itemCommandFrame(std::uint8_t letter, std::uint8_t item);

} // namespace quarlink::serial
