// The firmware image as loaded from its file: a zero-filled 512 KiB buffer, the image length
// (the file's size) and its checksum, with the size rules of a load.
#pragma once

#include "firmware/ImageStream.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quarlink::firmware {

struct FirmwareImage
{
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kMaxImageSize);
    std::uint64_t length = 0;
    Checksum checksum{};
    std::string fileName;

    std::span<const std::uint8_t> bytes() const { return {buffer.data(), length}; }
};

enum class LoadStatus
{
    Loaded,
    NotFound,   // the file cannot be opened (or is no regular file); the image is unchanged
    TooLarge,   // larger than the buffer; the image length is set to 0
    ReadFailed, // opened but not read whole; the image length is set to 0
};

struct LoadResult
{
    LoadStatus status = LoadStatus::Loaded;
    std::uint64_t overflow = 0; // TooLarge: bytes beyond the buffer
    int error = 0;              // ReadFailed: the system's code, 0 when the file ended early

    bool ok() const { return status == LoadStatus::Loaded; }
};

// Loads the file at `path` into `image`: its size becomes the length, the buffer is zeroed and
// filled, and the checksum computed.
LoadResult loadFirmwareImage(const std::string& path, FirmwareImage& image);

// The operator's message for a failed load, and whether it goes in a box captioned "Error".
struct LoadMessage
{
    std::string text;
    bool errorCaption = false;
};
LoadMessage loadFailureMessage(const LoadResult& result, const std::string& path);

} // namespace quarlink::firmware
