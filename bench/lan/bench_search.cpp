// A search answered by 256 simulated modules at once over loopback. Prints how many answers the
// search accepted, then, for the same answer datagrams replayed as one burst, the program's
// time to receive, accept and decode them beside a bare recvfrom loop over the same bytes.
#include "netmgmt/ManagementEndpoint.h"
#include "sim/SimulatedLan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace quarlink;
using namespace quarlink::netmgmt;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kModules = 256;
const Ipv4Bytes kBroadcast{127, 255, 255, 255};
const Ipv4Bytes kAny{0, 0, 0, 0};
const Ipv4Bytes kLoopback{127, 0, 0, 1};
constexpr ExchangeTiming kSearch{std::chrono::milliseconds(1000), std::chrono::milliseconds(1000)};

std::unique_ptr<sim::SimulatedLan> startModules(std::string& error)
{
    sim::LanConfig config;
    config.port = 0;
    for (std::size_t i = 0; i < kModules; ++i) {
        const Ipv4Bytes address{127, 0, static_cast<std::uint8_t>(100 + i / 200),
                                static_cast<std::uint8_t>(2 + i % 200)};
        config.modules.push_back(
            {sim::defaultLanModule(address, static_cast<unsigned>(i + 1)), {}});
    }
    return sim::SimulatedLan::start(std::move(config), error);
}

ManagementEndpoint openEndpoint()
{
    int error = 0;
    auto endpoint = ManagementEndpoint::open(kAny, 0, error);
    if (!endpoint) {
        std::fprintf(stderr, "cannot open the endpoint: error %d\n", error);
        std::exit(1);
    }
    return std::move(*endpoint);
}

// Every answer datagram of one search, received with a bare loop until the deadline.
std::vector<std::vector<std::uint8_t>> captureAnswers(std::uint16_t port)
{
    ManagementEndpoint endpoint = openEndpoint();
    Transaction request(OpSearch, 0, kManagementKey);
    endpoint.sendTwice(kBroadcast, port, request.sealRequest(), kSearch.resendPause);
    std::vector<std::vector<std::uint8_t>> datagrams;
    std::vector<std::uint8_t> buffer(kMaxDatagramSize);
    while (endpoint.waitReadable(std::chrono::milliseconds(300))) {
        const auto received = endpoint.receive(buffer);
        if (received.length > 0)
            datagrams.emplace_back(buffer.begin(), buffer.begin() + received.length);
    }
    return datagrams;
}

// Sends the datagrams to `receiver` as one burst, then times how long `consume` takes to
// receive them all.
template <typename Consume>
double timeBurst(ManagementEndpoint& sender, ManagementEndpoint& receiver,
                 const std::vector<std::vector<std::uint8_t>>& datagrams, Consume consume)
{
    const std::uint16_t port = receiver.localPort();
    for (const auto& datagram : datagrams)
        sender.sendTo(kLoopback, port, datagram);
    std::vector<std::uint8_t> buffer(kMaxDatagramSize);
    const auto start = Clock::now();
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
        if (!receiver.waitReadable(std::chrono::milliseconds(1000))) {
            std::fprintf(stderr, "burst lost datagrams: %zu of %zu arrived\n", i, datagrams.size());
            std::exit(1);
        }
        const auto received = receiver.receive(buffer);
        consume(received, std::span<const std::uint8_t>(buffer.data(),
                                                        static_cast<std::size_t>(received.length)));
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::string error;
    const auto lan = startModules(error);
    if (!lan) {
        std::fprintf(stderr, "cannot start the simulated modules: %s\n", error.c_str());
        return 1;
    }

    // The search itself, as the network manager runs it.
    ManagementEndpoint endpoint = openEndpoint();
    Transaction search(OpSearch, 0, kManagementKey);
    search.sealRequest();
    RawPayloadStore store;
    const auto searchStart = Clock::now();
    runExchange(endpoint, search, store, kBroadcast, lan->port(), kSearch);
    const double searchMs =
        std::chrono::duration<double, std::milli>(Clock::now() - searchStart).count();
    std::printf("Search of %zu simulated modules: %zu answers accepted (receive buffer %d KiB, "
                "%.0f ms with the deadline)\n",
                kModules, search.answerCount(), endpoint.receiveBufferSize() / 1024, searchMs);

    // The same answer bytes, replayed as one burst into a fresh endpoint each round.
    const auto datagrams = captureAnswers(lan->port());
    std::size_t bytes = 0;
    for (const auto& d : datagrams)
        bytes += d.size();
    std::vector<double> ours, bare, alone;
    std::size_t accepted = 0;
    for (int round = 0; round < rounds; ++round) {
        ManagementEndpoint sender = openEndpoint();
        ManagementEndpoint receiver = openEndpoint();
        bare.push_back(timeBurst(sender, receiver, datagrams, [](auto&&, auto) {}));
        Transaction t(OpSearch, 0, kManagementKey);
        RawPayloadStore roundStore;
        ours.push_back(timeBurst(
            sender, receiver, datagrams,
            [&](const ManagementEndpoint::Received& r, std::span<const std::uint8_t> bytes) {
                t.acceptAnswer(r.sender, bytes, roundStore);
            }));
        accepted = t.answerCount();

        Transaction inMemory(OpSearch, 0, kManagementKey);
        RawPayloadStore memoryStore;
        const auto start = Clock::now();
        for (const auto& datagram : datagrams)
            inMemory.acceptAnswer(kLoopback, datagram, memoryStore);
        alone.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double oursMs = median(ours);
    const double bareMs = median(bare);
    std::printf("Burst of %zu answer datagrams (%zu KiB), median of %d rounds:\n", datagrams.size(),
                bytes / 1024, rounds);
    std::printf("  receive, accept and decode  %7.3f ms  (%zu answers accepted)\n", oursMs,
                accepted);
    std::printf("    of which accept and decode %6.3f ms  (the same datagrams from memory)\n",
                median(alone));
    std::printf("  bare recvfrom loop          %7.3f ms\n", bareMs);
    std::printf("  ratio                       %7.2f\n", oursMs / bareMs);
    return search.answerCount() == kModules && accepted == kModules ? 0 : 1;
}
