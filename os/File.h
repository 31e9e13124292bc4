// A file opened by its path (UTF-8), read and written in bytes, with what kind of file it is and
// its size. Reading never waits on a named pipe chosen by mistake. POSIX descriptors; Windows
// file handles, so paths in any script open.
#pragma once

#include "os/NativeHandle.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quarlink::os {

class File
{
public:
    // An existing file, for reading. Nothing when it cannot be opened.
    static std::optional<File> openForReading(const std::string& path);
    // For reading and writing, made when missing; an existing file keeps its bytes until
    // written over or truncated.
    static std::optional<File> openForWriting(const std::string& path);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    enum class Kind
    {
        Regular,
        Directory,
        Other, // a device, a pipe, ...
    };
    struct Info
    {
        Kind kind = Kind::Other;
        std::uint64_t size = 0; // bytes, for a regular file
    };
    // Nothing when the system cannot say.
    std::optional<Info> info() const;

    // Reads until `into` is full or the file ends: the count read, or nothing on an error, whose
    // system code goes to `error` when given.
    std::optional<std::size_t> readUpTo(std::span<std::uint8_t> into, int* error = nullptr);
    bool writeAll(std::span<const std::uint8_t> bytes);
    // Cuts the file to `size` bytes.
    bool truncate(std::uint64_t size);
    // Closes now, reporting whether the system accepted the file's data.
    bool close();

private:
    explicit File(NativeHandle handle) : m_handle(handle) {}
    NativeHandle m_handle = kNoHandle;
};

} // namespace quarlink::os
