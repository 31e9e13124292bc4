// A TCP listener on 127.0.0.1 at a port the system picks, standing in for the module: it
// accepts one connection and keeps what arrives, or resets it after the header frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::testing {

class LoopbackListener
{
public:
    enum class Peer
    {
        Reads,             // reads until the sender closes
        ResetsAfterHeader, // takes the 9-byte header frame, then resets the connection
        NeverListens,      // bound but not listening: a connect is refused
    };

    explicit LoopbackListener(Peer peer = Peer::Reads)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), size);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        if (peer == Peer::NeverListens)
            return;
        ::listen(m_fd, 1);
        m_thread = std::thread([this, peer] { serve(peer); });
    }
    ~LoopbackListener()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }

    std::uint16_t port() const { return m_port; }
    static constexpr std::uint32_t kAddress = 0x7F000001; // 127.0.0.1
    // The sender has closed the connection (or it failed).
    bool connectionEnded() const { return m_ended.load(); }
    // What arrived; call after the sender has closed (waits for the connection to end).
    const std::vector<std::uint8_t>& received()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_bytes;
    }

private:
    void serve(Peer peer)
    {
        pollfd wait{m_fd, POLLIN, 0};
        if (::poll(&wait, 1, 10000) <= 0)
            return;
        const int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            return;
        if (peer == Peer::ResetsAfterHeader) {
            std::uint8_t header[9];
            std::size_t got = 0;
            while (got < sizeof header) {
                const ssize_t count = ::read(connection, header + got, sizeof header - got);
                if (count <= 0)
                    break;
                got += static_cast<std::size_t>(count);
            }
            const linger reset{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        } else {
            std::uint8_t buffer[4096];
            for (;;) {
                const ssize_t count = ::read(connection, buffer, sizeof buffer);
                if (count <= 0)
                    break;
                m_bytes.insert(m_bytes.end(), buffer, buffer + count);
            }
        }
        ::close(connection);
        m_ended = true;
    }

    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::vector<std::uint8_t> m_bytes;
    std::atomic<bool> m_ended{false};
};

} // namespace quarlink::testing
