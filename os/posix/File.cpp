// Files as POSIX descriptors.
#include "os/File.h"

#include "os/posix/WriteAll.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::os {

std::optional<File> File::openForReading(const std::string& path)
{
    // Non-blocking, so that a named pipe cannot hang the program; a regular file reads as ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    return File(fd);
}

std::optional<File> File::openForWriting(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::nullopt;
    return File(fd);
}

std::optional<File::Info> File::info() const
{
    struct stat status
    {
    };
    if (::fstat(m_handle, &status) != 0)
        return std::nullopt;
    Info info;
    info.kind = S_ISREG(status.st_mode)   ? Kind::Regular
                : S_ISDIR(status.st_mode) ? Kind::Directory
                                          : Kind::Other;
    info.size = static_cast<std::uint64_t>(status.st_size);
    return info;
}

std::optional<std::size_t> File::readUpTo(std::span<std::uint8_t> into, int* error)
{
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t n = ::read(m_handle, into.data() + got, into.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (error)
                *error = errno;
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

bool File::writeAll(std::span<const std::uint8_t> bytes)
{
    return posix::writeAll(m_handle, bytes);
}

bool File::truncate(std::uint64_t size)
{
    return ::ftruncate(m_handle, static_cast<off_t>(size)) == 0;
}

bool File::close()
{
    if (m_handle < 0)
        return true;
    const int fd = std::exchange(m_handle, kNoHandle);
    return ::close(fd) == 0;
}

} // namespace quarlink::os
