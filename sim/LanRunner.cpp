// The simulated modules' serving loop on UDP.
#include "sim/LanRunner.h"

#include "netmgmt/ItemTable.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ManagementParameters.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::sim {

namespace {

// Large enough for any request; a write may exceed the answer size.
constexpr std::size_t kRequestBufferSize = 65536;

sockaddr_in socketAddress(const netmgmt::Ipv4Bytes& address, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr.s_addr, address.data(), 4);
    return sa;
}

int bindUdp(const netmgmt::Ipv4Bytes& address, std::uint16_t port, bool reuse, std::string& error)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    const sockaddr_in sa = socketAddress(address, port);
    if (fd < 0 || (reuse && ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        error = "cannot bind " + netmgmt::formatIpv4(address) + ":" + std::to_string(port) + ": " +
                std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// A port that nothing is bound to on any address: the kernel's pick for a wildcard socket
// without address reuse, released again at once.
std::uint16_t unusedPort(std::string& error)
{
    const int fd = bindUdp({0, 0, 0, 0}, 0, false, error);
    if (fd < 0)
        return 0;
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length);
    ::close(fd);
    return ntohs(sa.sin_port);
}

} // namespace

LanRunner::LanRunner(LanConfig config)
    : m_config(std::move(config)), m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_buffer(kRequestBufferSize)
{
    for (LanModuleSetup& setup : m_config.modules)
        if (setup.password)
            setup.state.put(netmgmt::item_type::Password, 0, kPasswordMarker);
}

LanRunner::~LanRunner()
{
    for (int fd : m_moduleSockets)
        ::close(fd);
    if (m_broadcastSocket >= 0)
        ::close(m_broadcastSocket);
    if (m_wake >= 0)
        ::close(m_wake);
}

bool LanRunner::open(std::string& error)
{
    if (m_wake < 0) {
        error = std::strerror(errno);
        return false;
    }
    m_port = m_config.port != 0 ? m_config.port : unusedPort(error);
    if (m_port == 0)
        return false;
    m_broadcastSocket = bindUdp(m_config.broadcastAddress, m_port, true, error);
    if (m_broadcastSocket < 0)
        return false;
    for (const LanModuleSetup& module : m_config.modules) {
        const int fd = bindUdp(module.state.address, m_port, true, error);
        if (fd < 0)
            return false;
        m_moduleSockets.push_back(fd);
    }
    return true;
}

void LanRunner::requestStop()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

int LanRunner::pollTimeout() const
{
    if (m_pending.empty())
        return -1;
    const auto next =
        std::min_element(m_pending.begin(), m_pending.end(),
                         [](const Pending& a, const Pending& b) { return a.due < b.due; });
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        next->due - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(wait.count() + 1, 0, 1 << 30));
}

int LanRunner::run()
{
    std::vector<pollfd> fds;
    fds.push_back({m_wake, POLLIN, 0});
    fds.push_back({m_broadcastSocket, POLLIN, 0});
    for (int fd : m_moduleSockets)
        fds.push_back({fd, POLLIN, 0});
    for (;;) {
        const int ready = ::poll(fds.data(), fds.size(), pollTimeout());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        if (fds[0].revents != 0)
            return 0;
        if (ready > 0) {
            if (fds[1].revents & POLLIN)
                handle(m_broadcastSocket, true, 0);
            for (std::size_t i = 0; i < m_moduleSockets.size(); ++i)
                if (fds[i + 2].revents & POLLIN)
                    handle(m_moduleSockets[i], false, i);
        }
        sendDue();
    }
}

void LanRunner::handle(int socket, bool broadcast, std::size_t module)
{
    // Drain what the socket holds, so a burst of requests is served in one turn.
    for (;;) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t size = ::recvfrom(socket, m_buffer.data(), m_buffer.size(), 0,
                                        reinterpret_cast<sockaddr*>(&from), &length);
        if (size < 0)
            return;
        netmgmt::Ipv4Bytes sender{};
        std::memcpy(sender.data(), &from.sin_addr.s_addr, 4);
        const std::span<const std::uint8_t> request(m_buffer.data(),
                                                    static_cast<std::size_t>(size));
        const auto now = std::chrono::steady_clock::now();
        bool committed = false;
        std::vector<LanModuleState> snapshot;
        {
            const std::lock_guard lock(m_mutex);
            const netmgmt::ManagementHeader header = netmgmt::decodeHeader(request);
            m_requests.push_back({header.operation, header.mac, broadcast, module});
            const std::size_t first = broadcast ? 0 : module;
            const std::size_t last = broadcast ? m_config.modules.size() : module + 1;
            for (std::size_t i = first; i < last; ++i) {
                LanModuleSetup& setup = m_config.modules[i];
                const LanReply reply = answerRequest(setup.state, request, !broadcast, m_config.key,
                                                     setup.faults, setup.password);
                for (const Bytes& datagram : reply.datagrams)
                    m_pending.push_back(
                        {now + reply.delay, i, sender, ntohs(from.sin_port), datagram});
                committed = committed || reply.committed;
            }
            if (committed)
                for (const LanModuleSetup& setup : m_config.modules)
                    snapshot.push_back(setup.state);
        }
        if (committed && m_config.onCommit)
            m_config.onCommit(snapshot);
        sendDue();
    }
}

void LanRunner::sendDue()
{
    const auto now = std::chrono::steady_clock::now();
    auto due = std::stable_partition(m_pending.begin(), m_pending.end(),
                                     [now](const Pending& p) { return p.due > now; });
    for (auto it = due; it != m_pending.end(); ++it) {
        const sockaddr_in to = socketAddress(it->to, it->toPort);
        ::sendto(m_moduleSockets[it->module], it->datagram.data(), it->datagram.size(), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    m_pending.erase(due, m_pending.end());
}

std::vector<LanModuleState> LanRunner::modules() const
{
    const std::lock_guard lock(m_mutex);
    std::vector<LanModuleState> states;
    for (const LanModuleSetup& setup : m_config.modules)
        states.push_back(setup.state);
    return states;
}

std::size_t LanRunner::requestCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests.size();
}

std::vector<ReceivedRequest> LanRunner::requests() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

void LanRunner::setFaults(std::size_t index, const LanFaults& faults)
{
    const std::lock_guard lock(m_mutex);
    m_config.modules.at(index).faults = faults;
}

} // namespace quarlink::sim
