#include "firmware/ImageStream.h"

#include "serial/SettingsItems.h"

#include <algorithm>

namespace quarlink::firmware {

void accumulateChecksum(Checksum& sum, std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        sum[(offset + i) % 2] ^= bytes[i];
}

Checksum imageChecksum(std::span<const std::uint8_t> image)
{
    Checksum sum{};
    accumulateChecksum(sum, 0, image);
    return sum;
}

HeaderFrame headerFrame(std::uint32_t length, const Checksum& checksum)
{
    HeaderFrame frame{};
    frame[header::Esc] = serial::kEsc;
    frame[header::Tilde] = serial::kTilde;
    frame[header::Letter] = serial::kFirmwareLetter;
    for (std::size_t i = 0; i < 4; ++i)
        frame[header::Length + i] = static_cast<std::uint8_t>(length >> (8 * (3 - i)));
    frame[header::ChecksumEven] = checksum[0];
    frame[header::ChecksumOdd] = checksum[1];
    return frame;
}

std::optional<ParsedHeader> parseHeaderFrame(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < header::Size || bytes[header::Esc] != serial::kEsc ||
        bytes[header::Tilde] != serial::kTilde || bytes[header::Letter] != serial::kFirmwareLetter)
        return std::nullopt;
    ParsedHeader parsed;
    for (std::size_t i = 0; i < 4; ++i)
        parsed.length = (parsed.length << 8) | bytes[header::Length + i];
    parsed.checksum = {bytes[header::ChecksumEven], bytes[header::ChecksumOdd]};
    return parsed;
}

std::vector<ImagePiece> imagePieces(std::size_t length)
{
    std::vector<ImagePiece> pieces;
    pieces.reserve(length / kBlockSize + 1);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        const std::size_t size = std::min(kBlockSize, length - offset);
        pieces.push_back({offset, size, progressPercent(offset + size, length)});
    }
    return pieces;
}

int progressPercent(std::uint64_t sent, std::uint64_t length)
{
    return length == 0 ? 0 : static_cast<int>(sent * 100 / length);
}

} // namespace quarlink::firmware
