// The management endpoint over the OS layer's UDP socket, and the exchange loop.
#include "netmgmt/ManagementEndpoint.h"

#include "netmgmt/DatagramTrace.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace quarlink::netmgmt {

std::optional<ManagementEndpoint> ManagementEndpoint::open(const Ipv4Bytes& bindAddress,
                                                           std::uint16_t port, int& error)
{
    os::UdpOptions options;
    options.broadcast = true;
    options.reuseAddress = true;
    options.receiveBuffer = kReceiveBufferSize;
    auto socket = os::UdpSocket::open(bindAddress, port, options, error);
    if (!socket)
        return std::nullopt;
    return ManagementEndpoint(std::move(*socket));
}

int ManagementEndpoint::sendTo(const Ipv4Bytes& address, std::uint16_t port,
                               std::span<const std::uint8_t> bytes)
{
    return m_socket.sendTo(address, port, bytes);
}

int ManagementEndpoint::sendTwice(const Ipv4Bytes& address, std::uint16_t port,
                                  std::span<const std::uint8_t> bytes,
                                  std::chrono::milliseconds pause)
{
    sendTo(address, port, bytes);
    std::this_thread::sleep_for(pause);
    return sendTo(address, port, bytes);
}

int runExchange(ManagementEndpoint& endpoint, Transaction& transaction, RawPayloadStore& store,
                const Ipv4Bytes& address, std::uint16_t port, const ExchangeTiming& timing,
                const AnswerAwaited& awaited, trace::TraceSink* sink)
{
    using Clock = std::chrono::steady_clock;
    if (sink) {
        trace::Entry sent = datagramEntry(trace::Direction::Sent, transaction.sendBuffer(),
                                          transaction.key(), address, port);
        sent.what += " (sent twice)";
        sink->record(sent);
    }
    if (const int error =
            endpoint.sendTwice(address, port, transaction.sendBuffer(), timing.resendPause))
        return error;
    const Clock::time_point start = Clock::now();
    std::array<std::uint8_t, kMaxDatagramSize> buffer{};
    for (;;) {
        const auto left = timing.deadline - std::chrono::duration_cast<std::chrono::milliseconds>(
                                                Clock::now() - start);
        if (left.count() <= 0 || !endpoint.waitReadable(std::min(timing.waitPerSelect, left)))
            return 0;
        const auto received = endpoint.receive(buffer);
        if (received.length < 1)
            return 0;
        if (sink)
            sink->record(
                datagramEntry(trace::Direction::Received,
                              std::span<const std::uint8_t>(
                                  buffer.data(), static_cast<std::size_t>(received.length)),
                              transaction.key(), received.sender, received.senderPort));
        transaction.acceptAnswer(
            received.sender,
            std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received.length)),
            store);
        if (awaited && awaited(transaction))
            return 0;
    }
}

} // namespace quarlink::netmgmt
