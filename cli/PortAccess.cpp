#include "cli/PortAccess.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quarlink::cli {

namespace {

constexpr mode_t kOwnerReadWrite = S_IRUSR | S_IWUSR;
constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
constexpr mode_t kOtherReadWrite = S_IROTH | S_IWOTH;

bool isMember(const UserIdentity& user, gid_t group)
{
    return user.gid == group ||
           std::find(user.groups.begin(), user.groups.end(), group) != user.groups.end();
}

// Processes other than this one, by their /proc entries.
template <class Visit> void forEachOtherProcess(Visit visit)
{
    std::error_code error;
    const int self = static_cast<int>(::getpid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
            continue;
        const int pid = std::atoi(name.c_str());
        if (pid != self && visit(pid, entry.path()))
            return;
    }
}

// A process other than this one with an open descriptor that `matches`.
template <class Matches> std::optional<int> processWithDescriptor(Matches matches)
{
    std::optional<int> found;
    forEachOtherProcess([&](int pid, const std::filesystem::path& dir) {
        std::error_code error;
        for (const auto& fd : std::filesystem::directory_iterator(dir / "fd", error)) {
            if (matches(fd.path())) {
                found = pid;
                return true;
            }
        }
        return false;
    });
    return found;
}

} // namespace

UserIdentity currentUser()
{
    UserIdentity user;
    user.uid = ::geteuid();
    user.gid = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        user.groups.resize(static_cast<std::size_t>(count));
        user.groups.resize(
            static_cast<std::size_t>(std::max(0, ::getgroups(count, user.groups.data()))));
    }
    return user;
}

bool mayReadWrite(const DeviceMode& device, const UserIdentity& user)
{
    if (user.uid == 0)
        return true;
    if (user.uid == device.owner)
        return (device.mode & kOwnerReadWrite) == kOwnerReadWrite;
    if (isMember(user, device.group))
        return (device.mode & kGroupReadWrite) == kGroupReadWrite;
    return (device.mode & kOtherReadWrite) == kOtherReadWrite;
}

std::optional<gid_t> grantingGroup(const DeviceMode& device, const UserIdentity& user)
{
    if (mayReadWrite(device, user) || (device.mode & kGroupReadWrite) != kGroupReadWrite ||
        isMember(user, device.group) || user.uid == device.owner)
        return std::nullopt;
    return device.group;
}

std::string groupName(gid_t group)
{
    if (const ::group* entry = ::getgrgid(group))
        return entry->gr_name;
    return std::to_string(group);
}

std::string userName(uid_t user)
{
    if (const ::passwd* entry = ::getpwuid(user))
        return entry->pw_name;
    return std::to_string(user);
}

std::optional<int> deviceHolder(const std::string& path, bool lockOnly)
{
    struct stat device
    {
    };
    if (::stat(path.c_str(), &device) != 0)
        return std::nullopt;
    // Lines such as "1: FLOCK  ADVISORY  WRITE 1234 00:1a:3 0 EOF": pid, then the locked
    // file's device (major:minor in hexadecimal) and inode. Waiting locks ("1: -> FLOCK ...")
    // hold nothing.
    std::ifstream locks("/proc/locks");
    std::string line;
    const int self = static_cast<int>(::getpid());
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(device.st_dev),
                  minor(device.st_dev), static_cast<unsigned long long>(device.st_ino));
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, where;
        int pid = 0;
        if (!(fields >> id >> kind) || kind == "->")
            continue;
        if (fields >> mode >> access >> pid >> where && where == wanted && pid != self)
            return pid;
    }
    if (lockOnly || !S_ISCHR(device.st_mode))
        return std::nullopt;
    return processWithDescriptor([&](const std::filesystem::path& fd) {
        struct stat target
        {
        };
        return ::stat(fd.c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
               target.st_rdev == device.st_rdev;
    });
}

std::optional<int> udpPortHolder(std::uint16_t port)
{
    // Rows of "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode":
    // the local address is HEXADDR:HEXPORT.
    std::vector<std::string> sockets;
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        std::ifstream rows(table);
        std::string line;
        std::getline(rows, line); // the heading
        while (std::getline(rows, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >>
                  uid >> timeout >> inode))
                continue;
            const auto colon = local.rfind(':');
            if (colon != std::string::npos &&
                std::strtoul(local.c_str() + colon + 1, nullptr, 16) == port)
                sockets.push_back("socket:[" + inode + "]");
        }
    }
    if (sockets.empty())
        return std::nullopt;
    const auto holder = processWithDescriptor([&](const std::filesystem::path& fd) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(fd, error).string();
        return !error && std::find(sockets.begin(), sockets.end(), target) != sockets.end();
    });
    return holder.value_or(0);
}

std::string processName(int pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace quarlink::cli
