// Writing every byte to a file handle, for the file sources.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <span>

namespace quarlink::os::win32 {

// Writes all of `bytes` in pieces the system takes; false on an error.
inline bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), ask, &written, nullptr) || written == 0)
            return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

} // namespace quarlink::os::win32
