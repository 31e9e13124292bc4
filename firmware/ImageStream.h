// The firmware image stream: the 9-byte header frame (ESC '~' 'Y', the image length most
// significant byte first, the two checksum bytes), then the image in blocks of 2048 bytes.
// The same codec serves the program and the simulated module.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarlink::firmware {

inline constexpr std::size_t kMaxImageSize = 524288; // 512 KiB
inline constexpr std::size_t kBlockSize = 2048;

// Byte 0: XOR of the image bytes at even offsets; byte 1: XOR of those at odd offsets.
using Checksum = std::array<std::uint8_t, 2>;

// Offsets in the header frame.
namespace header {
inline constexpr std::size_t Esc = 0;
inline constexpr std::size_t Tilde = 1;
inline constexpr std::size_t Letter = 2;
inline constexpr std::size_t Length = 3; // 4 bytes, most significant first
inline constexpr std::size_t ChecksumEven = 7;
inline constexpr std::size_t ChecksumOdd = 8;
inline constexpr std::size_t Size = 9;
} // namespace header

using HeaderFrame = std::array<std::uint8_t, header::Size>;

Checksum imageChecksum(std::span<const std::uint8_t> image);
// Folds `bytes`, which start at image offset `offset`, into `sum`.
void accumulateChecksum(Checksum& sum, std::uint64_t offset, std::span<const std::uint8_t> bytes);

HeaderFrame headerFrame(std::uint32_t length, const Checksum& checksum);

struct ParsedHeader
{
    std::uint32_t length = 0;
    Checksum checksum{};
};

// Nothing unless `bytes` holds at least a whole header frame beginning ESC '~' 'Y'.
std::optional<ParsedHeader> parseHeaderFrame(std::span<const std::uint8_t> bytes);

// One piece of the image as it goes out, and the progress reported once it is sent.
struct ImagePiece
{
    std::size_t offset = 0;
    std::size_t size = 0;
    int percent = 0;
};

// The blocks of an image of `length` bytes: full blocks, then the rest if any.
std::vector<ImagePiece> imagePieces(std::size_t length);

// (sent * 100) div length; 0 for an empty image.
int progressPercent(std::uint64_t sent, std::uint64_t length);

} // namespace quarlink::firmware
