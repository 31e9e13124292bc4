// The file lock with LockFileEx on a file every process may open.
#include "os/FileLock.h"

#include "os/SystemError.h"
#include "os/win32/Text.h"

#include <windows.h>

#include <utility>

namespace quarlink::os {

std::optional<FileLock> FileLock::open(const std::string& path, std::string& error)
{
    const HANDLE handle = ::CreateFileW(win32::wideFromUtf8(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = path + ": " + systemErrorText(static_cast<int>(::GetLastError()));
        return std::nullopt;
    }
    return FileLock(handle, path);
}

FileLock::FileLock(FileLock&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle)), m_path(std::move(other.m_path))
{
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (m_handle)
            ::CloseHandle(m_handle);
        m_handle = std::exchange(other.m_handle, kNoHandle);
        m_path = std::move(other.m_path);
    }
    return *this;
}

FileLock::~FileLock()
{
    if (m_handle)
        ::CloseHandle(m_handle); // also releases the lock
}

FileLock::Attempt FileLock::tryLock(std::string& error)
{
    OVERLAPPED start{};
    if (::LockFileEx(m_handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &start))
        return Attempt::Locked;
    const DWORD code = ::GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
        return Attempt::Busy;
    error = m_path + ": " + systemErrorText(static_cast<int>(code));
    return Attempt::Failed;
}

std::string systemLockFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD size = ::GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path(folder, size);
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path.empty() ? std::string(".") : win32::utf8FromWide(path);
}

} // namespace quarlink::os
