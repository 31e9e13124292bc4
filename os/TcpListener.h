// A TCP listener and the connections it accepts, non-blocking, for a server that waits on them
// beside other things (the simulated module's firmware listener).
#pragma once

#include "os/NativeHandle.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quarlink::os {

class TcpConnection
{
public:
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;
    ~TcpConnection();

    struct Read
    {
        std::size_t size = 0; // bytes read; 0 with `ended` false: nothing waiting
        bool ended = false;   // the peer closed the connection, or it failed
    };
    Read read(std::span<std::uint8_t> buffer);
    // Ends the connection at once with a reset, as a peer that fails mid-stream.
    void abort();
    NativeSocket nativeHandle() const { return m_socket; }

private:
    friend class TcpListener;
    explicit TcpConnection(NativeSocket socket) : m_socket(socket) {}
    NativeSocket m_socket = kNoSocket;
};

class TcpListener
{
public:
    // Listens at `address` (dotted IPv4) and `port` (0: one the system picks). Nothing on
    // failure, with the reason in `error`.
    static std::unique_ptr<TcpListener> open(const std::string& address, std::uint16_t port,
                                             std::string& error);
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    std::uint16_t port() const { return m_port; }
    // The connection waiting to be taken, if any.
    std::optional<TcpConnection> accept();
    NativeSocket nativeHandle() const { return m_socket; }

private:
    TcpListener(NativeSocket socket, std::uint16_t port) : m_socket(socket), m_port(port) {}
    NativeSocket m_socket = kNoSocket;
    std::uint16_t m_port = 0;
};

} // namespace quarlink::os
