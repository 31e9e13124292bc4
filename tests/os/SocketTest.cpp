// Sockets on loopback: datagrams with their sender, broadcast with shared ports (a socket sees
// its own broadcast when it listens on the port it sends to), TCP connect, send and accept, and
// the wait set that serves them beside a stop signal.
#include "os/TcpClient.h"
#include "os/TcpListener.h"
#include "os/UdpSocket.h"
#include "os/WaitSet.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

namespace quarlink::os {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr Ipv4 kLoopback{127, 0, 0, 1};
constexpr Ipv4 kAny{0, 0, 0, 0};
constexpr Ipv4 kLoopbackBroadcast{127, 255, 255, 255};

UdpSocket openUdp(const Ipv4& address, std::uint16_t port, UdpOptions options = {})
{
    int error = 0;
    auto socket = UdpSocket::open(address, port, options, error);
    EXPECT_TRUE(socket) << "error " << error;
    return std::move(*socket);
}

Bytes receiveFrom(UdpSocket& socket, UdpSocket::Received& received)
{
    Bytes buffer(1460);
    if (!socket.waitReadable(5s))
        return {};
    received = socket.receive(buffer);
    buffer.resize(received.length > 0 ? static_cast<std::size_t>(received.length) : 0);
    return buffer;
}

TEST(UdpSocket, ADatagramArrivesWithItsSender)
{
    UdpSocket receiver = openUdp(kLoopback, 0);
    UdpSocket sender = openUdp(kLoopback, 0);
    ASSERT_NE(receiver.localPort(), 0);
    EXPECT_FALSE(receiver.waitReadable(0ms));
    const Bytes datagram{1, 2, 3, 0, 0xFF};
    EXPECT_EQ(sender.sendTo(kLoopback, receiver.localPort(), datagram), 0);
    UdpSocket::Received received;
    EXPECT_EQ(receiveFrom(receiver, received), datagram);
    EXPECT_EQ(received.sender, kLoopback);
    EXPECT_EQ(received.senderPort, sender.localPort());
}

TEST(UdpSocket, ANonBlockingReceiveWithNothingWaitingFailsAtOnce)
{
    UdpOptions options;
    options.nonBlocking = true;
    UdpSocket socket = openUdp(kLoopback, 0, options);
    std::array<std::uint8_t, 16> buffer{};
    EXPECT_LT(socket.receive(buffer).length, 0);
}

// As the program does when its local port is the modules' port: a socket on any address with
// broadcast and reuse on sends to the loopback broadcast address at its own port and receives
// its request back, beside a second socket sharing the port.
TEST(UdpSocket, BroadcastReachesEverySocketSharingThePortTheSenderIncluded)
{
    UdpOptions shared;
    shared.broadcast = true;
    shared.reuseAddress = true;
    UdpSocket program = openUdp(kAny, 0, shared);
    const std::uint16_t port = program.localPort();
    int error = 0;
    auto module = UdpSocket::open(kLoopbackBroadcast, port, shared, error);
    if (!module)
        GTEST_SKIP() << "this system binds no socket to 127.255.255.255 (error " << error << ")";
    const Bytes request{0x51, 0x4C, 0x00, 0x01};
    ASSERT_EQ(program.sendTo(kLoopbackBroadcast, port, request), 0);
    UdpSocket::Received received;
    EXPECT_EQ(receiveFrom(*module, received), request);
    EXPECT_EQ(receiveFrom(program, received), request);
    EXPECT_EQ(received.senderPort, port);

    // Without reuse on both, the port is not shared.
    EXPECT_FALSE(UdpSocket::open(kLoopback, openUdp(kLoopback, 0).localPort(), {}, error));
    EXPECT_NE(error, 0);
}

TEST(UdpSocket, TheRouteToLoopbackGoesOutFromLoopback)
{
    int error = 0;
    const auto local = localAddressTowards(kLoopback, 50005, error);
    ASSERT_TRUE(local) << "error " << error;
    EXPECT_EQ((*local)[0], 127);
    EXPECT_TRUE(socketLayerAvailable());
}

// Reads from the listener's first connection until the peer closes it or `size` bytes came.
Bytes acceptAndRead(TcpListener& listener, std::size_t size)
{
    WaitSet waits;
    const std::size_t pending = waits.add(listener);
    if (waits.wait(5s) != WaitSet::Outcome::Ready ||
        waits.readiness(pending) != WaitSet::Readiness::Ready)
        return {};
    auto connection = listener.accept();
    if (!connection)
        return {};
    Bytes received;
    std::array<std::uint8_t, 4096> buffer{};
    while (received.size() < size) {
        WaitSet data;
        data.add(*connection);
        if (data.wait(5s) != WaitSet::Outcome::Ready)
            break;
        const TcpConnection::Read read = connection->read(buffer);
        received.insert(received.end(), buffer.begin(), buffer.begin() + read.size);
        if (read.ended)
            break;
    }
    return received;
}

TEST(TcpClient, ConnectsSendsEverythingAndTheListenerReadsIt)
{
    std::string error;
    auto listener = TcpListener::open("127.0.0.1", 0, error);
    ASSERT_TRUE(listener) << error;
    ASSERT_NE(listener->port(), 0);
    Bytes bytes(300'000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    Bytes received;
    std::thread server([&] { received = acceptAndRead(*listener, bytes.size()); });
    StopSignal stop;
    TcpClient client;
    ASSERT_EQ(client.connect(0x7F000001, listener->port(), 5s, stop), ConnectResult::Connected);
    EXPECT_TRUE(client.isOpen());
    EXPECT_TRUE(client.sendAll(bytes, stop, 10s));
    client.close();
    server.join();
    EXPECT_EQ(received, bytes);
}

TEST(TcpClient, ARefusedConnectFailsAndAStopEndsSending)
{
    std::string error;
    std::uint16_t closedPort = 0;
    {
        auto listener = TcpListener::open("127.0.0.1", 0, error);
        ASSERT_TRUE(listener) << error;
        closedPort = listener->port();
    }
    StopSignal stop;
    TcpClient client;
    EXPECT_EQ(client.connect(0x7F000001, closedPort, 5s, stop), ConnectResult::Failed);
    EXPECT_FALSE(client.isOpen());

    auto listener = TcpListener::open("127.0.0.1", 0, error);
    ASSERT_TRUE(listener) << error;
    ASSERT_EQ(client.connect(0x7F000001, listener->port(), 5s, stop), ConnectResult::Connected);
    stop.request();
    EXPECT_FALSE(client.sendAll(Bytes(10, 1), stop, 10s));
    EXPECT_FALSE(TcpListener::open("not an address", 0, error));
}

TEST(WaitSet, TellsWhichEntryIsReadyAndEndsAtItsLimit)
{
    UdpSocket first = openUdp(kLoopback, 0);
    UdpSocket second = openUdp(kLoopback, 0);
    StopSignal stop;
    WaitSet waits;
    const std::size_t stopEntry = waits.add(stop);
    const std::size_t firstEntry = waits.add(first);
    const std::size_t secondEntry = waits.add(second);
    EXPECT_EQ(waits.wait(20ms), WaitSet::Outcome::TimedOut);
    EXPECT_EQ(waits.readiness(stopEntry), WaitSet::Readiness::None);

    ASSERT_EQ(first.sendTo(kLoopback, second.localPort(), Bytes{7}), 0);
    ASSERT_EQ(waits.wait(5s), WaitSet::Outcome::Ready);
    EXPECT_EQ(waits.readiness(stopEntry), WaitSet::Readiness::None);
    EXPECT_EQ(waits.readiness(firstEntry), WaitSet::Readiness::None);
    EXPECT_EQ(waits.readiness(secondEntry), WaitSet::Readiness::Ready);
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(second.receive(buffer).length, 1);

    std::thread requester([&] {
        std::this_thread::sleep_for(20ms);
        stop.request();
    });
    EXPECT_EQ(waits.wait(std::nullopt), WaitSet::Outcome::Ready);
    requester.join();
    EXPECT_EQ(waits.readiness(stopEntry), WaitSet::Readiness::Ready);
    EXPECT_EQ(waits.readiness(secondEntry), WaitSet::Readiness::None);
}

} // namespace
} // namespace quarlink::os
