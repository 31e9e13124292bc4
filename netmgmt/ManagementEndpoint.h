// The UDP endpoint of one management operation, and one exchange over it: the request sent
// twice, then answers collected into the transaction until the deadline or the awaited answer.
#pragma once

#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ModuleRecord.h"
#include "netmgmt/RawPayloadStore.h"
#include "netmgmt/Transaction.h"
#include "os/UdpSocket.h"
#include "trace/TraceSink.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>

namespace quarlink::netmgmt {

// Enough for a search answered at once by every module the answer table can hold, each
// datagram with the kernel's bookkeeping around it.
inline constexpr int kReceiveBufferSize = 4 * 1024 * 1024;

class ManagementEndpoint
{
public:
    // A UDP socket with broadcast and address reuse on, bound to `bindAddress` (0.0.0.0: any)
    // and `port` (0: a free port). Nothing on failure, with the socket error code in `error`.
    static std::optional<ManagementEndpoint> open(const Ipv4Bytes& bindAddress, std::uint16_t port,
                                                  int& error);

    std::uint16_t localPort() const { return m_socket.localPort(); }
    // The receive buffer the kernel granted, in bytes.
    int receiveBufferSize() const { return m_socket.receiveBufferSize(); }

    // One send; 0 or the socket error code.
    int sendTo(const Ipv4Bytes& address, std::uint16_t port, std::span<const std::uint8_t> bytes);
    // Sends twice, `pause` apart. The first send's result is not examined; 0 or the error code
    // of the second.
    int sendTwice(const Ipv4Bytes& address, std::uint16_t port, std::span<const std::uint8_t> bytes,
                  std::chrono::milliseconds pause);

    // True when a datagram is ready within `wait`.
    bool waitReadable(std::chrono::milliseconds wait) { return m_socket.waitReadable(wait); }
    // One datagram; a length below 1 means the receive failed.
    using Received = os::UdpSocket::Received;
    Received receive(std::span<std::uint8_t> buffer) { return m_socket.receive(buffer); }
    // The socket, for options and queries this class does not wrap.
    os::NativeSocket nativeHandle() const { return m_socket.nativeHandle(); }

private:
    explicit ManagementEndpoint(os::UdpSocket socket) : m_socket(std::move(socket)) {}
    os::UdpSocket m_socket;
};

struct ExchangeTiming
{
    std::chrono::milliseconds waitPerSelect;
    std::chrono::milliseconds deadline;
    std::chrono::milliseconds resendPause{10};
};

inline constexpr ExchangeTiming kSearchTiming{std::chrono::milliseconds(2000),
                                              std::chrono::milliseconds(2000)};
inline constexpr ExchangeTiming kReadTiming = kSearchTiming;
inline constexpr ExchangeTiming kWriteTiming{std::chrono::milliseconds(3000),
                                             std::chrono::milliseconds(3000)};

// After every examined datagram of a read or write: true when the awaited answer is there.
using AnswerAwaited = std::function<bool(const Transaction&)>;

// Sends the transaction's send buffer twice to `address`:`port`, then hands every datagram
// received before the deadline to acceptAnswer; stops early when `awaited` says so (a search
// passes none and waits to the end). Returns 0, or the error code of the second send. Every
// datagram sent and received is reported to `sink` when there is one.
int runExchange(ManagementEndpoint& endpoint, Transaction& transaction, RawPayloadStore& store,
                const Ipv4Bytes& address, std::uint16_t port, const ExchangeTiming& timing,
                const AnswerAwaited& awaited = {}, trace::TraceSink* sink = nullptr);

} // namespace quarlink::netmgmt
