// Files as Windows file handles, opened by wide path.
#include "os/File.h"

#include "os/win32/Text.h"
#include "os/win32/WriteAll.h"

#include <windows.h>

#include <utility>

namespace quarlink::os {

namespace {

HANDLE openPath(const std::string& path, DWORD access, DWORD disposition)
{
    const HANDLE handle =
        ::CreateFileW(win32::wideFromUtf8(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

} // namespace

std::optional<File> File::openForReading(const std::string& path)
{
    const HANDLE handle = openPath(path, GENERIC_READ, OPEN_EXISTING);
    if (!handle)
        return std::nullopt;
    return File(handle);
}

std::optional<File> File::openForWriting(const std::string& path)
{
    const HANDLE handle = openPath(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
    if (!handle)
        return std::nullopt;
    return File(handle);
}

std::optional<File::Info> File::info() const
{
    BY_HANDLE_FILE_INFORMATION status{};
    if (::GetFileType(m_handle) != FILE_TYPE_DISK)
        return Info{Kind::Other, 0};
    if (!::GetFileInformationByHandle(m_handle, &status))
        return std::nullopt;
    Info info;
    info.kind =
        (status.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Directory : Kind::Regular;
    info.size = (std::uint64_t{status.nFileSizeHigh} << 32) | status.nFileSizeLow;
    return info;
}

std::optional<std::size_t> File::readUpTo(std::span<std::uint8_t> into, int* error)
{
    std::size_t got = 0;
    while (got < into.size()) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(into.size() - got, 1 << 30));
        DWORD read = 0;
        if (!::ReadFile(m_handle, into.data() + got, ask, &read, nullptr)) {
            if (error)
                *error = static_cast<int>(::GetLastError());
            return std::nullopt;
        }
        if (read == 0)
            break;
        got += read;
    }
    return got;
}

bool File::writeAll(std::span<const std::uint8_t> bytes)
{
    return win32::writeAll(m_handle, bytes);
}

bool File::truncate(std::uint64_t size)
{
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFilePointerEx(m_handle, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(m_handle);
}

bool File::close()
{
    if (!m_handle)
        return true;
    return ::CloseHandle(std::exchange(m_handle, kNoHandle)) != 0;
}

} // namespace quarlink::os
