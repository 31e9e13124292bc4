// The TCP listener over non-blocking Windows sockets.
#include "os/TcpListener.h"

#include "os/SystemError.h"
#include "os/win32/Winsock.h"

#include <utility>

namespace quarlink::os {

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : m_socket(std::exchange(other.m_socket, kNoSocket))
{
}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        if (m_socket != kNoSocket)
            ::closesocket(m_socket);
        m_socket = std::exchange(other.m_socket, kNoSocket);
    }
    return *this;
}

TcpConnection::~TcpConnection()
{
    if (m_socket != kNoSocket)
        ::closesocket(m_socket);
}

TcpConnection::Read TcpConnection::read(std::span<std::uint8_t> buffer)
{
    const int count = ::recv(m_socket, reinterpret_cast<char*>(buffer.data()),
                             static_cast<int>(buffer.size()), 0);
    if (count > 0)
        return {static_cast<std::size_t>(count), false};
    return {0, !(count == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK)};
}

void TcpConnection::abort()
{
    if (m_socket == kNoSocket)
        return;
    const linger reset{1, 0};
    ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset),
                 sizeof reset);
    ::closesocket(std::exchange(m_socket, kNoSocket));
}

std::unique_ptr<TcpListener> TcpListener::open(const std::string& address, std::uint16_t port,
                                               std::string& error)
{
    if (!win32::startWinsock()) {
        error = "Windows Sockets: " + systemErrorText(::WSAGetLastError());
        return nullptr;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = ::htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "'" + address + "' is no IPv4 address";
        return nullptr;
    }
    const SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET) {
        error = "socket: " + systemErrorText(::WSAGetLastError());
        return nullptr;
    }
    win32::keepFromChildren(handle);
    // No SO_REUSEADDR here: on Windows it would let this listener take a port another program
    // listens on. A listener's port is free again at once on Windows anyway.
    int size = sizeof local;
    if (!win32::makeNonBlocking(handle) ||
        ::bind(handle, reinterpret_cast<const sockaddr*>(&local), size) != 0 ||
        ::listen(handle, 4) != 0 ||
        ::getsockname(handle, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        error = address + ":" + std::to_string(port) + ": " + systemErrorText(::WSAGetLastError());
        ::closesocket(handle);
        return nullptr;
    }
    return std::unique_ptr<TcpListener>(new TcpListener(handle, ::ntohs(local.sin_port)));
}

TcpListener::~TcpListener()
{
    ::closesocket(m_socket);
}

std::optional<TcpConnection> TcpListener::accept()
{
    const SOCKET handle = ::accept(m_socket, nullptr, nullptr);
    if (handle == INVALID_SOCKET)
        return std::nullopt;
    win32::keepFromChildren(handle);
    // An accepted socket takes the listener's non-blocking mode, and its event selection too:
    // that is dropped, so the wait set chooses the events.
    ::WSAEventSelect(handle, nullptr, 0);
    win32::makeNonBlocking(handle);
    return TcpConnection(handle);
}

} // namespace quarlink::os
