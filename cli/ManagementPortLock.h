// An exclusive claim on a local UDP management port among the quarlink-cli processes of one
// machine. Two processes bound to the same port (the modules answer to it, so it is fixed) would
// each receive answers meant for the other; the claim makes the second wait until the first has
// finished its exchanges. It is a lock on one lock file per port (os::FileLock): the system drops
// it when the holder ends in any way, so no stale claim outlives a crashed or killed process.
#pragma once

#include "os/FileLock.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace quarlink::cli {

class ManagementPortLock
{
public:
    static constexpr std::chrono::milliseconds kPollPeriod{20};

    // Claims `port` through a lock file in `folder`, waiting at most `wait` while another
    // process holds it; `waiting` is called once when the claim has to wait. Port 0 (any free
    // port) is never shared and needs no claim. Nothing on failure, with the reason in `error`.
    static std::optional<ManagementPortLock> claim(std::uint16_t port, const std::string& folder,
                                                   std::chrono::milliseconds wait,
                                                   const std::function<void()>& waiting,
                                                   std::string& error);
    // The claim is released when the object goes.

private:
    explicit ManagementPortLock(std::optional<os::FileLock> lock) : m_lock(std::move(lock)) {}
    std::optional<os::FileLock> m_lock; // nothing for port 0
};

// The folder of the lock files: QUARLINK_MGMT_LOCK_DIR when set, otherwise the system's
// (os::systemLockFolder: /run/lock or /tmp, on Windows the temporary folder).
std::string managementLockFolder(const char* fromEnvironment);

} // namespace quarlink::cli
