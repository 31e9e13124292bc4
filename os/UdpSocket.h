// An IPv4 UDP socket: bound to an address and port, with broadcast and address reuse as the
// management exchanges need them, sends to an address, a wait for the next datagram with a
// time limit, and receives with the sender's address. Also what the system says about its
// sockets without keeping one: whether it has them at all, and the route to an address.
// POSIX sockets; Windows Sockets, started once per process.
#pragma once

#include "os/NativeHandle.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quarlink::os {

// An IPv4 address, first octet first (network order).
using Ipv4 = std::array<std::uint8_t, 4>;

struct UdpOptions
{
    bool broadcast = false;    // may send to broadcast addresses
    bool reuseAddress = false; // shares the port with other sockets that ask the same
    bool nonBlocking = false;  // a receive with nothing waiting fails at once
    int receiveBuffer = 0;     // bytes to ask the system for; 0: its default
};

class UdpSocket
{
public:
    // A socket bound to `address` (0.0.0.0: any) and `port` (0: a free port). Nothing on
    // failure, with the system's socket error code in `error`.
    static std::optional<UdpSocket> open(const Ipv4& address, std::uint16_t port,
                                         const UdpOptions& options, int& error);
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    ~UdpSocket();

    std::uint16_t localPort() const;
    // The receive buffer the system granted, in bytes.
    int receiveBufferSize() const;

    // One send; 0 or the socket error code.
    int sendTo(const Ipv4& address, std::uint16_t port, std::span<const std::uint8_t> bytes);
    // True when a datagram is ready within `wait`.
    bool waitReadable(std::chrono::milliseconds wait) const;

    struct Received
    {
        std::ptrdiff_t length = -1; // below 0: the receive failed (or, non-blocking: nothing)
        Ipv4 sender{};
        std::uint16_t senderPort = 0;
    };
    // One datagram; one larger than `buffer` is cut to its size.
    Received receive(std::span<std::uint8_t> buffer);

    NativeSocket nativeHandle() const { return m_socket; }

private:
    explicit UdpSocket(NativeSocket socket) : m_socket(socket) {}
    NativeSocket m_socket = kNoSocket;
};

// Whether the system can make sockets at all (on Windows: whether Windows Sockets started).
bool socketLayerAvailable();

// The local address the system would send from to reach `address`:`port` with broadcast
// allowed, found without sending anything. Nothing, with the socket error code in `error`,
// when there is no route.
std::optional<Ipv4> localAddressTowards(const Ipv4& address, std::uint16_t port, int& error);

} // namespace quarlink::os
