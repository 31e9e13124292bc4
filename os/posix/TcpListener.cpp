// The TCP listener over non-blocking POSIX sockets.
#include "os/TcpListener.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::os {

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : m_socket(std::exchange(other.m_socket, kNoSocket))
{
}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = std::exchange(other.m_socket, kNoSocket);
    }
    return *this;
}

TcpConnection::~TcpConnection()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

TcpConnection::Read TcpConnection::read(std::span<std::uint8_t> buffer)
{
    for (;;) {
        const ssize_t count = ::read(m_socket, buffer.data(), buffer.size());
        if (count > 0)
            return {static_cast<std::size_t>(count), false};
        if (count < 0 && errno == EINTR)
            continue;
        return {0, !(count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))};
    }
}

void TcpConnection::abort()
{
    if (m_socket < 0)
        return;
    const linger reset{1, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(std::exchange(m_socket, kNoSocket));
}

std::unique_ptr<TcpListener> TcpListener::open(const std::string& address, std::uint16_t port,
                                               std::string& error)
{
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "'" + address + "' is no IPv4 address";
        return nullptr;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t size = sizeof local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), size) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        error = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TcpListener>(new TcpListener(fd, ntohs(local.sin_port)));
}

TcpListener::~TcpListener()
{
    ::close(m_socket);
}

std::optional<TcpConnection> TcpListener::accept()
{
    const int fd = ::accept4(m_socket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    return TcpConnection(fd);
}

} // namespace quarlink::os
