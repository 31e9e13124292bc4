#include "firmware/FirmwareImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::firmware {

namespace {

// Closes the descriptor on every way out of the load.
struct FileCloser
{
    int fd;
    ~FileCloser() { ::close(fd); }
};

// Reads exactly `out.size()` bytes; the errno of a failure, or 0 when the file ended early.
bool readWhole(int fd, std::span<std::uint8_t> out, int& error)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t count = ::read(fd, out.data() + done, out.size() - done);
        if (count > 0) {
            done += static_cast<std::size_t>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            error = count < 0 ? errno : 0;
            return false;
        }
    }
    return true;
}

} // namespace

LoadResult loadFirmwareImage(const std::string& path, FirmwareImage& image)
{
    image.fileName = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {LoadStatus::NotFound};
    const FileCloser closer{fd};
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return {LoadStatus::NotFound};

    const auto size = static_cast<std::uint64_t>(info.st_size);
    image.length = size;
    if (size > kMaxImageSize) {
        image.length = 0;
        return {LoadStatus::TooLarge, size - kMaxImageSize};
    }
    std::fill(image.buffer.begin(), image.buffer.end(), std::uint8_t{0});
    LoadResult result;
    if (!readWhole(fd, std::span(image.buffer).first(size), result.error)) {
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
                      "[Warnning] File size error ====================> Overflow : %ld BYTE\r\n",
                      static_cast<long>(result.overflow));
        return {text, false};
    }
    case LoadStatus::ReadFailed:
        return {"Cannot read " + path + ": " +
                    (result.error != 0 ? std::strerror(result.error) : "the file ended early"),
                true};
    }
    return {};
}

} // namespace quarlink::firmware
