// POSIX UDP endpoint and the exchange loop.
#include "netmgmt/ManagementEndpoint.h"

#include "netmgmt/DatagramTrace.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::netmgmt {

namespace {

sockaddr_in socketAddress(const Ipv4Bytes& address, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    std::memcpy(&sa.sin_addr.s_addr, address.data(), address.size());
    return sa;
}

int enable(int fd, int option)
{
    const int one = 1;
    return ::setsockopt(fd, SOL_SOCKET, option, &one, sizeof one);
}

// The largest receive buffer the kernel grants: beyond the administrator's limit when the
// process may, else up to it.
void sizeReceiveBuffer(int fd)
{
    const int size = kReceiveBufferSize;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

} // namespace

std::optional<ManagementEndpoint> ManagementEndpoint::open(const Ipv4Bytes& bindAddress,
                                                           std::uint16_t port, int& error)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    ManagementEndpoint endpoint(fd);
    const sockaddr_in local = socketAddress(bindAddress, port);
    if (enable(fd, SO_BROADCAST) != 0 || enable(fd, SO_REUSEADDR) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = errno;
        return std::nullopt;
    }
    sizeReceiveBuffer(fd);
    error = 0;
    return endpoint;
}

ManagementEndpoint::ManagementEndpoint(ManagementEndpoint&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

ManagementEndpoint& ManagementEndpoint::operator=(ManagementEndpoint&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

ManagementEndpoint::~ManagementEndpoint()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::uint16_t ManagementEndpoint::localPort() const
{
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return 0;
    return ntohs(sa.sin_port);
}

int ManagementEndpoint::receiveBufferSize() const
{
    int size = 0;
    socklen_t length = sizeof size;
    ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

int ManagementEndpoint::sendTo(const Ipv4Bytes& address, std::uint16_t port,
                               std::span<const std::uint8_t> bytes)
{
    const sockaddr_in to = socketAddress(address, port);
    const ssize_t sent = ::sendto(m_fd, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent < 0 ? errno : 0;
}

int ManagementEndpoint::sendTwice(const Ipv4Bytes& address, std::uint16_t port,
                                  std::span<const std::uint8_t> bytes,
                                  std::chrono::milliseconds pause)
{
    sendTo(address, port, bytes);
    std::this_thread::sleep_for(pause);
    return sendTo(address, port, bytes);
}

bool ManagementEndpoint::waitReadable(std::chrono::milliseconds wait)
{
    pollfd fd{m_fd, POLLIN, 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(std::max<std::int64_t>(wait.count(), 0)));
    return ready > 0;
}

ManagementEndpoint::Received ManagementEndpoint::receive(std::span<std::uint8_t> buffer)
{
    sockaddr_in from{};
    socklen_t length = sizeof from;
    Received received;
    received.length = ::recvfrom(m_fd, buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &length);
    std::memcpy(received.sender.data(), &from.sin_addr.s_addr, received.sender.size());
    received.senderPort = ntohs(from.sin_port);
    return received;
}

int runExchange(ManagementEndpoint& endpoint, Transaction& transaction, RawPayloadStore& store,
                const Ipv4Bytes& address, std::uint16_t port, const ExchangeTiming& timing,
                const AnswerAwaited& awaited, trace::TraceSink* sink)
{
    using Clock = std::chrono::steady_clock;
    if (sink) {
        trace::Entry sent = datagramEntry(trace::Direction::Sent, transaction.sendBuffer(),
                                          transaction.key(), address, port);
        sent.what += " (sent twice)";
        sink->record(sent);
    }
    if (const int error =
            endpoint.sendTwice(address, port, transaction.sendBuffer(), timing.resendPause))
        return error;
    const Clock::time_point start = Clock::now();
    std::array<std::uint8_t, kMaxDatagramSize> buffer{};
    for (;;) {
        const auto left = timing.deadline - std::chrono::duration_cast<std::chrono::milliseconds>(
                                                Clock::now() - start);
        if (left.count() <= 0 || !endpoint.waitReadable(std::min(timing.waitPerSelect, left)))
            return 0;
        const auto received = endpoint.receive(buffer);
        if (received.length < 1)
            return 0;
        if (sink)
            sink->record(
                datagramEntry(trace::Direction::Received,
                              std::span<const std::uint8_t>(
                                  buffer.data(), static_cast<std::size_t>(received.length)),
                              transaction.key(), received.sender, received.senderPort));
        transaction.acceptAnswer(
            received.sender,
            std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received.length)),
            store);
        if (awaited && awaited(transaction))
            return 0;
    }
}

} // namespace quarlink::netmgmt
