// An exclusive lock on a file, for a claim among the processes of one machine: the system
// drops it when the holder ends in any way, so no stale claim outlives a crashed or killed
// process. Two locks on the same file conflict also within one process. POSIX: flock on a file
// any user may open; Windows: LockFileEx.
#pragma once

#include "os/NativeHandle.h"

#include <optional>
#include <string>

namespace quarlink::os {

class FileLock
{
public:
    // Opens the lock file at `path`, creating it when missing. Nothing on failure, with
    // "PATH: the system's reason" in `error`.
    static std::optional<FileLock> open(const std::string& path, std::string& error);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock(); // releases the lock and closes the file

    enum class Attempt
    {
        Locked, // this object holds the lock now
        Busy,   // another holder has it
        Failed, // the system refused; `error` says why
    };
    // Takes the lock if it is free, without waiting.
    Attempt tryLock(std::string& error);

private:
    FileLock(NativeHandle handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}
    NativeHandle m_handle = kNoHandle;
    std::string m_path;
};

// The folder for lock files that this machine's processes share: /run/lock where it may be
// written (shared by every user on Debian), else /tmp; on Windows the user's temporary folder.
std::string systemLockFolder();

} // namespace quarlink::os
