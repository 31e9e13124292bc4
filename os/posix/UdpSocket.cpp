// The UDP socket over POSIX sockets.
#include "os/UdpSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::os {

namespace {

sockaddr_in socketAddress(const Ipv4& address, std::uint16_t port)
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
void sizeReceiveBuffer(int fd, int size)
{
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

} // namespace

std::optional<UdpSocket> UdpSocket::open(const Ipv4& address, std::uint16_t port,
                                         const UdpOptions& options, int& error)
{
    const int fd =
        ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | (options.nonBlocking ? SOCK_NONBLOCK : 0), 0);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    UdpSocket socket(fd);
    const sockaddr_in local = socketAddress(address, port);
    if ((options.broadcast && enable(fd, SO_BROADCAST) != 0) ||
        (options.reuseAddress && enable(fd, SO_REUSEADDR) != 0) ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = errno;
        return std::nullopt;
    }
    if (options.receiveBuffer > 0)
        sizeReceiveBuffer(fd, options.receiveBuffer);
    error = 0;
    return socket;
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : m_socket(std::exchange(other.m_socket, -1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept
{
    if (this != &other) {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = std::exchange(other.m_socket, -1);
    }
    return *this;
}

UdpSocket::~UdpSocket()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

std::uint16_t UdpSocket::localPort() const
{
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return 0;
    return ntohs(sa.sin_port);
}

int UdpSocket::receiveBufferSize() const
{
    int size = 0;
    socklen_t length = sizeof size;
    ::getsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

int UdpSocket::sendTo(const Ipv4& address, std::uint16_t port, std::span<const std::uint8_t> bytes)
{
    const sockaddr_in to = socketAddress(address, port);
    const ssize_t sent = ::sendto(m_socket, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent < 0 ? errno : 0;
}

bool UdpSocket::waitReadable(std::chrono::milliseconds wait) const
{
    pollfd fd{m_socket, POLLIN, 0};
    const int ready =
        ::poll(&fd, 1, static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 1 << 30)));
    return ready > 0;
}

UdpSocket::Received UdpSocket::receive(std::span<std::uint8_t> buffer)
{
    sockaddr_in from{};
    socklen_t length = sizeof from;
    Received received;
    received.length = ::recvfrom(m_socket, buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &length);
    std::memcpy(received.sender.data(), &from.sin_addr.s_addr, received.sender.size());
    received.senderPort = ntohs(from.sin_port);
    return received;
}

bool socketLayerAvailable()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::optional<Ipv4> localAddressTowards(const Ipv4& address, std::uint16_t port, int& error)
{
    // Connecting a datagram socket only looks the route up; nothing is sent.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    const sockaddr_in to = socketAddress(address, port);
    error = 0;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0)
        error = errno;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    if (error == 0)
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&from), &length);
    if (fd >= 0)
        ::close(fd);
    if (error != 0)
        return std::nullopt;
    Ipv4 local{};
    std::memcpy(local.data(), &from.sin_addr.s_addr, local.size());
    return local;
}

} // namespace quarlink::os
