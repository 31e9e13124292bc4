// A TCP listener on 127.0.0.1 at a port the system picks, standing in for the module: it
// accepts one connection and keeps what arrives, or resets it after the header frame.
#pragma once

#include "os/StopSignal.h"
#include "os/TcpListener.h"
#include "os/WaitSet.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quarlink::testing {

class LoopbackListener
{
public:
    enum class Peer
    {
        Reads,             // reads until the sender closes
        ResetsAfterHeader, // takes the 9-byte header frame, then resets the connection
        NeverListens,      // nothing listens at the port: a connect is refused
    };

    explicit LoopbackListener(Peer peer = Peer::Reads)
    {
        std::string error;
        m_listener = os::TcpListener::open("127.0.0.1", 0, error);
        if (!m_listener)
            return;
        m_port = m_listener->port();
        if (peer == Peer::NeverListens) {
            m_listener.reset(); // the port is free again, and refuses connections
            return;
        }
        m_thread = std::thread([this, peer] { serve(peer); });
    }
    ~LoopbackListener()
    {
        m_quit.request();
        if (m_thread.joinable())
            m_thread.join();
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
    // Waits up to `limit` for `entry` of `waits`; false when the listener is being destroyed.
    bool await(os::WaitSet& waits, std::size_t quit, std::chrono::milliseconds limit)
    {
        return waits.wait(limit) == os::WaitSet::Outcome::Ready &&
               waits.readiness(quit) == os::WaitSet::Readiness::None;
    }

    void serve(Peer peer)
    {
        os::WaitSet accepting;
        const std::size_t quit = accepting.add(m_quit);
        accepting.add(*m_listener);
        if (!await(accepting, quit, std::chrono::seconds(10)))
            return;
        auto connection = m_listener->accept();
        if (!connection)
            return;
        const std::size_t wanted = peer == Peer::ResetsAfterHeader ? 9 : SIZE_MAX;
        std::array<std::uint8_t, 4096> buffer{};
        while (m_bytes.size() < wanted) {
            os::WaitSet reading;
            const std::size_t stop = reading.add(m_quit);
            reading.add(*connection);
            if (!await(reading, stop, std::chrono::seconds(30)))
                break;
            const std::size_t room = std::min(buffer.size(), wanted - m_bytes.size());
            const os::TcpConnection::Read read = connection->read(std::span(buffer).first(room));
            m_bytes.insert(m_bytes.end(), buffer.begin(), buffer.begin() + read.size);
            if (read.ended)
                break;
        }
        if (peer == Peer::ResetsAfterHeader)
            connection->abort();
        m_ended = true;
    }

    std::unique_ptr<os::TcpListener> m_listener;
    std::uint16_t m_port = 0;
    os::StopSignal m_quit;
    std::thread m_thread;
    std::vector<std::uint8_t> m_bytes;
    std::atomic<bool> m_ended{false};
};

} // namespace quarlink::testing
