// Writing every byte to a blocking descriptor, for the file sources.
#pragma once

#include <cerrno>
#include <cstdint>
#include <span>

#include <unistd.h>

namespace quarlink::os::posix {

// Writes all of `bytes`, again after an interruption; false on an error.
inline bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace quarlink::os::posix
