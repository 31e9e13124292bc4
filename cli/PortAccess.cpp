#include "cli/PortAccess.h"

#include <algorithm>
#include <cstdio>
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

constexpr gid_t kSuperuserGroup = 0;

bool isMember(const UserIdentity& user, gid_t group)
{
    return user.gid == group ||
           std::find(user.groups.begin(), user.groups.end(), group) != user.groups.end();
}

// Pseudo-terminal devices: the slaves (such as /dev/pts/7) have majors 136 to 143 of 256 minors
// each; the master side of every one is opened through /dev/ptmx.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;
constexpr unsigned kPtyMinors = 256;
constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;

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

// The processes other than this one with an advisory lock on `file`. Lines of /proc/locks such
// as "1: FLOCK  ADVISORY  WRITE 1234 00:1a:3 0 EOF": pid, then the locked file's device
// (major:minor in hexadecimal) and inode. Waiting locks ("1: -> FLOCK ...") hold nothing.
std::vector<int> lockHolders(const struct stat& file)
{
    std::vector<int> holders;
    std::ifstream locks("/proc/locks");
    std::string line;
    const int self = static_cast<int>(::getpid());
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, where;
        int pid = 0;
        if (!(fields >> id >> kind) || kind == "->")
            continue;
        if (fields >> mode >> access >> pid >> where && where == wanted && pid > 0 && pid != self)
            holders.push_back(pid);
    }
    return holders;
}

// The pseudo-terminal whose master side an open descriptor is, from its fdinfo
// ("tty-index:\t7"); nothing for any other descriptor.
std::optional<unsigned> masterIndex(const std::filesystem::path& fdinfo)
{
    std::ifstream info(fdinfo);
    std::string field;
    unsigned index = 0;
    while (info >> field)
        if (field == "tty-index:" && info >> index)
            return index;
    return std::nullopt;
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
        isMember(user, device.group) || user.uid == device.owner || device.group == kSuperuserGroup)
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

bool isPseudoTerminal(dev_t device)
{
    return major(device) >= kFirstPtySlaveMajor && major(device) <= kLastPtySlaveMajor;
}

std::vector<int> deviceHolders(const std::string& path)
{
    struct stat device
    {
    };
    if (::stat(path.c_str(), &device) != 0)
        return {};
    std::vector<int> holders = lockHolders(device);
    if (S_ISCHR(device.st_mode)) {
        const bool pseudoTerminal = isPseudoTerminal(device.st_rdev);
        const unsigned index =
            (major(device.st_rdev) - kFirstPtySlaveMajor) * kPtyMinors + minor(device.st_rdev);
        forEachOtherProcess([&](int pid, const std::filesystem::path& dir) {
            bool open = false;
            bool farEnd = false;
            std::error_code error;
            for (const auto& fd : std::filesystem::directory_iterator(dir / "fd", error)) {
                struct stat target
                {
                };
                if (::stat(fd.path().c_str(), &target) != 0 || !S_ISCHR(target.st_mode))
                    continue;
                open = open || target.st_rdev == device.st_rdev;
                farEnd = farEnd || (pseudoTerminal && major(target.st_rdev) == kPtmxMajor &&
                                    minor(target.st_rdev) == kPtmxMinor &&
                                    masterIndex(dir / "fdinfo" / fd.path().filename()) == index);
            }
            if (open && !farEnd)
                holders.push_back(pid);
            return false;
        });
    }
    std::sort(holders.begin(), holders.end());
    holders.erase(std::unique(holders.begin(), holders.end()), holders.end());
    return holders;
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

std::string holdersText(const std::vector<int>& pids)
{
    std::string text;
    for (const int pid : pids) {
        if (!text.empty())
            text += ", ";
        if (pid == 0) {
            text += "another user's process";
            continue;
        }
        const std::string name = processName(pid);
        text += name.empty() ? "process " + std::to_string(pid)
                             : name + " (process " + std::to_string(pid) + ")";
    }
    return text;
}

} // namespace quarlink::cli
