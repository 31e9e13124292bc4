// The TCP client over a non-blocking POSIX socket, waited on with poll beside the stop signal.
#include "os/TcpClient.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::os {

bool TcpClient::waitWritable(const StopSignal& stop, std::chrono::milliseconds limit) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (stop.requested())
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        std::array<pollfd, 2> fds{{{m_socket, POLLOUT, 0}, {stop.nativeHandle(), POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(),
                                 static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[1].revents != 0)
            return false;
        if (fds[0].revents != 0)
            return true; // writable, or an error that the next call reports
    }
}

ConnectResult TcpClient::connect(std::uint32_t address, std::uint16_t port,
                                 std::chrono::milliseconds limit, const StopSignal& stop)
{
    close();
    m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return ConnectResult::SocketFailed;
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
        return ConnectResult::Connected;
    if (errno != EINPROGRESS) {
        close();
        return ConnectResult::Failed;
    }
    const bool writable = waitWritable(stop, limit);
    int error = 0;
    socklen_t size = sizeof error;
    if (writable && ::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
        return ConnectResult::Connected;
    close();
    return stop.requested() ? ConnectResult::Stopped : ConnectResult::Failed;
}

bool TcpClient::sendAll(std::span<const std::uint8_t> bytes, const StopSignal& stop,
                        std::chrono::milliseconds stallLimit)
{
    while (!bytes.empty()) {
        if (m_socket < 0 || stop.requested())
            return false;
        const ssize_t count = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (count > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
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
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = kNoSocket;
}

} // namespace quarlink::os
