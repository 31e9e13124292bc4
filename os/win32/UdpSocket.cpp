// The UDP socket over Windows Sockets.
#include "os/UdpSocket.h"

#include "os/win32/Winsock.h"

#include <mswsock.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace quarlink::os {

namespace {

using win32::socketAddress;

int enable(SOCKET socket, int option)
{
    const BOOL on = TRUE;
    return ::setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&on), sizeof on);
}

// Windows reports an ICMP "port unreachable" for an earlier datagram as a failed receive
// (WSAECONNRESET) on the next recvfrom. A module that is not there must not end the wait for
// the answers of the modules that are: the report is turned off.
void ignoreUnreachablePeers(SOCKET socket)
{
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
               nullptr);
}

} // namespace

std::optional<UdpSocket> UdpSocket::open(const Ipv4& address, std::uint16_t port,
                                         const UdpOptions& options, int& error)
{
    if (!win32::startWinsock()) {
        error = ::WSAGetLastError();
        return std::nullopt;
    }
    const SOCKET handle = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (handle == INVALID_SOCKET) {
        error = ::WSAGetLastError();
        return std::nullopt;
    }
    UdpSocket socket(handle);
    win32::keepFromChildren(handle);
    ignoreUnreachablePeers(handle);
    // SO_REUSEADDR of Windows lets this socket share the port with others that asked for it
    // too, as on Linux; a socket that holds its port with SO_EXCLUSIVEADDRUSE still refuses it.
    const sockaddr_in local = socketAddress(address, port);
    if ((options.broadcast && enable(handle, SO_BROADCAST) != 0) ||
        (options.reuseAddress && enable(handle, SO_REUSEADDR) != 0) ||
        (options.nonBlocking && !win32::makeNonBlocking(handle)) ||
        ::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = ::WSAGetLastError();
        return std::nullopt;
    }
    if (options.receiveBuffer > 0)
        ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF,
                     reinterpret_cast<const char*>(&options.receiveBuffer),
                     sizeof options.receiveBuffer);
    error = 0;
    return socket;
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : m_socket(std::exchange(other.m_socket, kNoSocket))
{
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept
{
    if (this != &other) {
        if (m_socket != kNoSocket)
            ::closesocket(m_socket);
        m_socket = std::exchange(other.m_socket, kNoSocket);
    }
    return *this;
}

UdpSocket::~UdpSocket()
{
    if (m_socket != kNoSocket)
        ::closesocket(m_socket);
}

std::uint16_t UdpSocket::localPort() const
{
    sockaddr_in sa{};
    int length = sizeof sa;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return 0;
    return ::ntohs(sa.sin_port);
}

int UdpSocket::receiveBufferSize() const
{
    int size = 0;
    int length = sizeof size;
    ::getsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length);
    return size;
}

int UdpSocket::sendTo(const Ipv4& address, std::uint16_t port, std::span<const std::uint8_t> bytes)
{
    const sockaddr_in to = socketAddress(address, port);
    const int sent = ::sendto(m_socket, reinterpret_cast<const char*>(bytes.data()),
                              static_cast<int>(bytes.size()), 0,
                              reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == SOCKET_ERROR ? ::WSAGetLastError() : 0;
}

bool UdpSocket::waitReadable(std::chrono::milliseconds wait) const
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_socket, &readable);
    const auto ms = std::clamp<std::int64_t>(wait.count(), 0, 1 << 30);
    timeval limit{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return ::select(0, &readable, nullptr, nullptr, &limit) > 0;
}

UdpSocket::Received UdpSocket::receive(std::span<std::uint8_t> buffer)
{
    sockaddr_in from{};
    int length = sizeof from;
    Received received;
    const int got =
        ::recvfrom(m_socket, reinterpret_cast<char*>(buffer.data()),
                   static_cast<int>(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (got != SOCKET_ERROR)
        received.length = got;
    else if (::WSAGetLastError() == WSAEMSGSIZE) // cut to the buffer, as on Linux
        received.length = static_cast<std::ptrdiff_t>(buffer.size());
    std::memcpy(received.sender.data(), &from.sin_addr.s_addr, received.sender.size());
    received.senderPort = ::ntohs(from.sin_port);
    return received;
}

bool socketLayerAvailable()
{
    if (!win32::startWinsock())
        return false;
    const SOCKET probe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (probe == INVALID_SOCKET)
        return false;
    ::closesocket(probe);
    return true;
}

std::optional<Ipv4> localAddressTowards(const Ipv4& address, std::uint16_t port, int& error)
{
    if (!win32::startWinsock()) {
        error = ::WSAGetLastError();
        return std::nullopt;
    }
    // Connecting a datagram socket only looks the route up; nothing is sent.
    const SOCKET probe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const BOOL on = TRUE;
    const sockaddr_in to = socketAddress(address, port);
    error = 0;
    if (probe == INVALID_SOCKET ||
        ::setsockopt(probe, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                     sizeof on) != 0 ||
        ::connect(probe, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0)
        error = ::WSAGetLastError();
    sockaddr_in from{};
    int length = sizeof from;
    if (error == 0 && ::getsockname(probe, reinterpret_cast<sockaddr*>(&from), &length) != 0)
        error = ::WSAGetLastError();
    if (probe != INVALID_SOCKET)
        ::closesocket(probe);
    if (error != 0)
        return std::nullopt;
    Ipv4 local{};
    std::memcpy(local.data(), &from.sin_addr.s_addr, local.size());
    return local;
}

} // namespace quarlink::os
