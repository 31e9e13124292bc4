// The protocol trace of the firmware stream: the header frame with the length and checksum it
// announces, then "block n of m" for each piece of the image (its first bytes in the hex).
#pragma once

#include "trace/TraceSink.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::firmware {

// Bytes of a block shown in the trace's hex.
inline constexpr std::size_t kTracedBlockBytes = 16;

trace::Entry headerEntry(trace::Link link, std::span<const std::uint8_t> frame);
// Block `number` (from 1) of `count`.
trace::Entry blockEntry(trace::Link link, std::span<const std::uint8_t> block, std::size_t number,
                        std::size_t count);

} // namespace quarlink::firmware
