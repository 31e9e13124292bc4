// A file only its owner may read and write, written atomically: the bytes go to a temporary
// file in the same folder, which is then renamed over the path. A reader never sees a part of
// the file, and a failed write leaves an older file at the path as it was. POSIX: mode 0600;
// Windows: an access list that grants the owner alone.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quarlink::os {

struct PrivateFileFailure
{
    const char* step; // "create a temporary file", "write" or "rename"
    int error;        // the system's error code
};

// Writes `bytes` to `path` (UTF-8). Nothing on success.
std::optional<PrivateFileFailure> writePrivateFile(const std::string& path,
                                                   std::span<const std::uint8_t> bytes);

} // namespace quarlink::os
