#include "cli/ManagementPortLock.h"

#include <thread>
#include <utility>

namespace quarlink::cli {

std::optional<ManagementPortLock> ManagementPortLock::claim(std::uint16_t port,
                                                            const std::string& folder,
                                                            std::chrono::milliseconds wait,
                                                            const std::function<void()>& waiting,
                                                            std::string& error)
{
    if (port == 0)
        return ManagementPortLock(std::nullopt);
    const std::string path = folder + "/quarlink-mgmt-udp-" + std::to_string(port) + ".lock";
    auto lock = os::FileLock::open(path, error);
    if (!lock)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    bool toldWaiting = false;
    for (;;) {
        switch (lock->tryLock(error)) {
        case os::FileLock::Attempt::Locked:
            return ManagementPortLock(std::move(lock));
        case os::FileLock::Attempt::Failed:
            return std::nullopt;
        case os::FileLock::Attempt::Busy:
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "still in use after " +
                    std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) +
                    " s";
            return std::nullopt;
        }
        if (!toldWaiting && waiting)
            waiting();
        toldWaiting = true;
        std::this_thread::sleep_for(kPollPeriod);
    }
}

std::string managementLockFolder(const char* fromEnvironment)
{
    if (fromEnvironment && *fromEnvironment)
        return fromEnvironment;
    return os::systemLockFolder();
}

} // namespace quarlink::cli
