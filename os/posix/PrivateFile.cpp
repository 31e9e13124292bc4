// The private file through mkstemp (mode 0600), fsync and rename.
#include "os/PrivateFile.h"

#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::os {

namespace {

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<PrivateFileFailure> writePrivateFile(const std::string& path,
                                                   std::span<const std::uint8_t> bytes)
{
    const std::filesystem::path target(path);
    // mkstemp creates the file with mode 0600; the name starts with a dot to stay out of the way.
    std::string name = ".";
    name += target.filename().string();
    name += ".XXXXXX";
    std::string temporary = (target.parent_path() / name).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return PrivateFileFailure{"create a temporary file", errno};
    const bool written =
        writeAll(fd, bytes) && ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return PrivateFileFailure{"write", error};
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return PrivateFileFailure{"rename", renameError};
    }
    return std::nullopt;
}

} // namespace quarlink::os
