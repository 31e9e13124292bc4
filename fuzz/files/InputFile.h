// A fuzz input as a file the loaders open by path: an anonymous in-memory file holding the
// bytes, made longer with zeros when asked, so that size limits far beyond the input are
// reached without writing to disk.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace quarlink::fuzzing {

class InputFile
{
public:
    InputFile(std::span<const std::uint8_t> bytes, std::size_t length)
        : m_fd(::memfd_create("fuzz-input", MFD_CLOEXEC))
    {
        if (m_fd < 0 || ::write(m_fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
            ::ftruncate(m_fd, static_cast<off_t>(std::max(length, bytes.size()))) != 0)
            __builtin_trap(); // without its file the harness cannot run at all
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~InputFile() { ::close(m_fd); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    int m_fd;
    std::string m_path;
};

// The length a file is made: the input's own, or, when the first byte's top bit is set, one
// the next two bytes choose in steps of 16 bytes (up to 1 MiB).
struct FileShape
{
    std::span<const std::uint8_t> content;
    std::size_t length = 0;
};

inline FileShape fileShape(std::span<const std::uint8_t> input)
{
    if (input.size() >= 3 && (input[0] & 0x80) != 0) {
        const std::size_t steps = input[1] | std::size_t{input[2]} << 8;
        const auto content = input.subspan(3);
        return {content, std::max(content.size(), steps * 16)};
    }
    const auto content = input.empty() ? input : input.subspan(1);
    return {content, content.size()};
}

} // namespace quarlink::fuzzing
