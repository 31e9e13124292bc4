// The TCP client over a non-blocking Windows socket, waited on with WaitForMultipleObjects
// beside the stop signal's event.
#include "os/TcpClient.h"

#include "os/win32/Winsock.h"

#include <algorithm>
#include <array>

namespace quarlink::os {

namespace {

// Whether `socket` is writable now, or has failed (a refused connect shows as an exception).
bool writableOrFailed(SOCKET socket)
{
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval now{0, 0};
    return ::select(0, nullptr, &writable, &failed, &now) > 0;
}

} // namespace

bool TcpClient::waitWritable(const StopSignal& stop, std::chrono::milliseconds limit) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    // The network events of the socket set one event; the level is asked with select, so an
    // event set before the wait began is not missed.
    const HANDLE network = ::WSACreateEvent();
    if (network == WSA_INVALID_EVENT)
        return false;
    bool writable = false;
    if (::WSAEventSelect(m_socket, network, FD_CONNECT | FD_WRITE | FD_CLOSE) == 0) {
        for (;;) {
            if (stop.requested())
                break;
            if (writableOrFailed(m_socket)) {
                writable = true; // writable, or an error that the next call reports
                break;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                break;
            const std::array<HANDLE, 2> handles{network, stop.nativeHandle()};
            const DWORD woke = ::WaitForMultipleObjects(
                stop.nativeHandle() ? 2 : 1, handles.data(), FALSE,
                static_cast<DWORD>(std::min<long long>(left.count(), 1 << 30)));
            if (woke == WAIT_FAILED)
                break;
            WSANETWORKEVENTS events{};
            ::WSAEnumNetworkEvents(m_socket, network, &events); // resets the event
        }
        ::WSAEventSelect(m_socket, nullptr, 0);
    }
    ::WSACloseEvent(network);
    return writable;
}

ConnectResult TcpClient::connect(std::uint32_t address, std::uint16_t port,
                                 std::chrono::milliseconds limit, const StopSignal& stop)
{
    close();
    if (!win32::startWinsock())
        return ConnectResult::SocketFailed;
    const SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET)
        return ConnectResult::SocketFailed;
    m_socket = handle;
    win32::keepFromChildren(handle);
    if (!win32::makeNonBlocking(handle)) {
        close();
        return ConnectResult::SocketFailed;
    }
    const Ipv4 peer{static_cast<std::uint8_t>(address >> 24),
                    static_cast<std::uint8_t>(address >> 16),
                    static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    const sockaddr_in to = win32::socketAddress(peer, port);
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
        return ConnectResult::Connected;
    if (::WSAGetLastError() != WSAEWOULDBLOCK) {
        close();
        return ConnectResult::Failed;
    }
    const bool writable = waitWritable(stop, limit);
    int error = 0;
    int size = sizeof error;
    if (writable &&
        ::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
        error == 0)
        return ConnectResult::Connected;
    close();
    return stop.requested() ? ConnectResult::Stopped : ConnectResult::Failed;
}

bool TcpClient::sendAll(std::span<const std::uint8_t> bytes, const StopSignal& stop,
                        std::chrono::milliseconds stallLimit)
{
    while (!bytes.empty()) {
        if (m_socket == kNoSocket || stop.requested())
            return false;
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
        const int count = ::send(m_socket, reinterpret_cast<const char*>(bytes.data()), chunk, 0);
        if (count > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(count));
        } else if (count == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            if (!waitWritable(stop, stallLimit))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

void TcpClient::close()
{
    if (m_socket != kNoSocket)
        ::closesocket(m_socket);
    m_socket = kNoSocket;
}

} // namespace quarlink::os
