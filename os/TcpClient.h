// A TCP client connection (the firmware sender's to the module): a socket with a time limit on
// connecting, and sends that give up when a stop is requested or the peer stops taking bytes.
#pragma once

#include "os/NativeHandle.h"
#include "os/StopSignal.h"

#include <chrono>
#include <cstdint>
#include <span>

namespace quarlink::os {

enum class ConnectResult
{
    Connected,
    SocketFailed, // no socket could be created
    Failed,       // refused, unreachable, or no answer within the limit
    Stopped,      // a stop was requested while connecting
};

class TcpClient
{
public:
    TcpClient() = default;
    ~TcpClient() { close(); }
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // `address` holds the first octet in its most significant byte.
    ConnectResult connect(std::uint32_t address, std::uint16_t port,
                          std::chrono::milliseconds limit, const StopSignal& stop);
    // Sends every byte; false on an error, a stop, or `stallLimit` without progress.
    bool sendAll(std::span<const std::uint8_t> bytes, const StopSignal& stop,
                 std::chrono::milliseconds stallLimit);
    void close();
    bool isOpen() const { return m_socket != kNoSocket; }

private:
    // Waits until the socket is writable: true, or false on a stop, an error or the limit.
    bool waitWritable(const StopSignal& stop, std::chrono::milliseconds limit) const;

    NativeSocket m_socket = kNoSocket;
};

} // namespace quarlink::os
