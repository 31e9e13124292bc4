#include "setupfile/SetupTextFile.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::setupfile {

namespace {

// Owns a file descriptor for the length of one read or save.
class FileHandle
{
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int fd() const { return m_fd; }
    // Closes now, reporting whether the system accepted the file's data.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Reads up to `into.size()` bytes, stopping early at the end of the file; the count read, or
// nothing on a read error.
std::optional<std::size_t> readUpTo(int fd, std::span<std::uint8_t> into)
{
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t n = ::read(fd, into.data() + got, into.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

FileOutcome outcome(FileStatus status, std::size_t capacity, std::uint64_t fileSize = 0)
{
    return FileOutcome{status, fileSize, capacity};
}

} // namespace

std::span<const std::uint8_t> setupTextOf(std::span<const std::uint8_t> buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
    return buffer.first(static_cast<std::size_t>(end - buffer.begin()));
}

std::vector<std::uint8_t> uploadPayload(std::span<const std::uint8_t> buffer)
{
    const auto text = setupTextOf(buffer);
    std::vector<std::uint8_t> payload(text.begin(), text.end());
    payload.push_back(0);
    return payload;
}

std::string suffixedFileName(std::string_view chosen)
{
    return std::string(chosen) + std::string(kFileSuffix);
}

std::string FileOutcome::message() const
{
    char text[160];
    switch (status) {
    case FileStatus::Ok:
        return {};
    case FileStatus::NotFound:
        return "File not found.";
    case FileStatus::Overflow:
        std::snprintf(text, sizeof text,
                      "[Warnning] File size error ====================> Overflow : %" PRIu64
                      " BYTE\r\n",
                      fileSize - kFileSizeLimit);
        return text;
    case FileStatus::TooLarge:
        std::snprintf(text, sizeof text,
                      "Setup file too large: %" PRIu64
                      " bytes, a setup text holds at most %zu. The setup text is unchanged.",
                      fileSize, capacity > 0 ? capacity - 1 : 0);
        return text;
    case FileStatus::Unreadable:
        return "Setup file could not be read whole. The setup text is unchanged.";
    case FileStatus::Unwritable:
        return "Setup file could not be written whole.";
    }
    return {};
}

FileOutcome loadSetupFile(const std::string& path, std::span<std::uint8_t> buffer)
{
    const std::size_t capacity = buffer.size();
    // Non-blocking, so that a named pipe chosen by mistake cannot hang the program.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.fd() < 0)
        return outcome(FileStatus::NotFound, capacity);
    struct stat info
    {
    };
    if (::fstat(file.fd(), &info) != 0)
        return outcome(FileStatus::Unreadable, capacity);
    // A folder opens for reading here, but it is no file: it is not found, as for the image.
    if (S_ISDIR(info.st_mode))
        return outcome(FileStatus::NotFound, capacity);
    if (!S_ISREG(info.st_mode))
        return outcome(FileStatus::Unreadable, capacity);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kFileSizeLimit)
        return outcome(FileStatus::Overflow, capacity, size);
    // The last byte of the buffer stays for the text's terminating zero. The file is read to
    // its end rather than trusting its size alone, and one byte more than fits is asked for, so
    // that a file which grew, or reports no size, still cannot overrun the buffer.
    const std::size_t fits = capacity > 0 ? capacity - 1 : 0;
    if (size > fits)
        return outcome(FileStatus::TooLarge, capacity, size);
    std::vector<std::uint8_t> content(fits + 1);
    const auto got = readUpTo(file.fd(), content);
    if (!got || *got < size)
        return outcome(FileStatus::Unreadable, capacity, size);
    if (*got > fits)
        return outcome(FileStatus::TooLarge, capacity, *got);
    content.resize(*got);
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    std::copy(content.begin(), content.end(), buffer.begin());
    return outcome(FileStatus::Ok, capacity, content.size());
}

FileOutcome saveSetupFile(const std::string& path, std::span<const std::uint8_t> buffer)
{
    const std::size_t capacity = buffer.size();
    FileHandle file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (file.fd() < 0)
        return outcome(FileStatus::NotFound, capacity);
    const auto text = setupTextOf(buffer);
    // An existing file is written from its start; what lay beyond the new text is cut off so
    // that a later read cannot bring it back.
    const bool written =
        writeAll(file.fd(), text) && ::ftruncate(file.fd(), static_cast<off_t>(text.size())) == 0;
    if (!file.close() || !written)
        return outcome(FileStatus::Unwritable, capacity);
    return outcome(FileStatus::Ok, capacity);
}

} // namespace quarlink::setupfile
