#include "firmware/FirmwareImage.h"

#include "os/File.h"
#include "os/SystemError.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace quarlink::firmware {

LoadResult loadFirmwareImage(const std::string& path, FirmwareImage& image)
{
    image.fileName = path;
    auto file = os::File::openForReading(path);
    if (!file)
        return {LoadStatus::NotFound};
    const auto info = file->info();
    if (!info || info->kind != os::File::Kind::Regular)
        return {LoadStatus::NotFound};

    const std::uint64_t size = info->size;
    image.length = size;
    if (size > kMaxImageSize) {
        image.length = 0;
        return {LoadStatus::TooLarge, size - kMaxImageSize};
    }
    std::fill(image.buffer.begin(), image.buffer.end(), std::uint8_t{0});
    LoadResult result;
    // A file that ended early reads short with no error code.
    const auto got = file->readUpTo(std::span(image.buffer).first(size), &result.error);
    if (!got || *got < size) {
        // A file that shrank or failed under us is no image to send.
        image.length = 0;
        result.status = LoadStatus::ReadFailed;
        return result;
    }
    image.checksum = imageChecksum(image.bytes());
    return result;
}

LoadMessage loadFailureMessage(const LoadResult& result, const std::string& path)
{
    switch (result.status) {
    case LoadStatus::Loaded:
        return {};
    case LoadStatus::NotFound:
        return {"File not found.", true};
    case LoadStatus::TooLarge: {
        char text[128];
        std::snprintf(text, sizeof text,
                      "[Warnning] File size error ====================> Overflow : %" PRIu64
                      " BYTE\r\n",
                      result.overflow);
        return {text, false};
    }
    case LoadStatus::ReadFailed:
        return {
            "Cannot read " + path + ": " +
                (result.error != 0 ? os::systemErrorText(result.error) : "the file ended early"),
            true};
    }
    return {};
}

} // namespace quarlink::firmware
