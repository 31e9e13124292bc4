// Byte runs as hexadecimal text and back, for the line log and the state file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::sim {

using Bytes = std::vector<std::uint8_t>;

// "1B 7E 53" (upper case, spaced) for the log; "1b7e53" (lower case, compact) for files.
std::string toSpacedHex(std::span<const std::uint8_t> bytes);
std::string toCompactHex(std::span<const std::uint8_t> bytes);

// Parses hexadecimal digit pairs; spaces and colons between pairs are allowed.
std::optional<Bytes> parseHex(std::string_view text);

// One byte written as one or two hexadecimal digits, with or without a "0x" prefix.
std::optional<std::uint8_t> parseHexByte(std::string_view text);

} // namespace quarlink::sim
