// Many reads in flight on one socket against simulated LAN modules: every exchange sends its
// two copies, finds its own module's answer (by MAC, or by sender for Remote), and the silent
// modules' waits overlap instead of adding up.
#include "netmgmt/ExchangeDispatcher.h"
#include "netmgmt/OperationRequests.h"
#include "sim/SimulatedLan.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quarlink::netmgmt {
namespace {

using namespace std::chrono_literals;

TEST(fleet_Dispatcher, OverlappedReadsEachFindTheirModule)
{
    constexpr std::size_t kModules = 12;
    constexpr auto kDeadline = 1000ms;
    sim::LanConfig config;
    config.port = 0;
    for (std::size_t i = 0; i < kModules; ++i) {
        const Ipv4Bytes address{127, 0, 31, static_cast<std::uint8_t>(i + 2)};
        sim::LanFaults faults;
        faults.silent = i % 2 == 1; // six silent modules
        faults.delay = i == 0 ? 50ms : 0ms;
        config.modules.push_back(
            {sim::defaultLanModule(address, static_cast<unsigned>(i + 1)), faults});
    }
    std::string error;
    const auto lan = sim::SimulatedLan::start(config, error);
    ASSERT_TRUE(lan) << error;

    int code = 0;
    auto endpoint = ManagementEndpoint::open({127, 0, 0, 1}, 0, code);
    ASSERT_TRUE(endpoint);
    RawPayloadStore store;
    ExchangeDispatcher dispatcher(*endpoint, store, lan->port(), 8);
    const ExchangeTiming timing{kDeadline, kDeadline};

    struct Read
    {
        TargetMode mode;
        MacAddress mac;
        Ipv4Bytes address;
        std::unique_ptr<Transaction> transaction;
        std::optional<ModuleRecord> answer;
        int finished = 0;
    };
    std::vector<Read> reads;
    for (const auto& setup : config.modules) {
        // One answering module is read by its address (Remote), the others by MAC (Local).
        const TargetMode mode =
            reads.size() + 2 == kModules ? TargetMode::Remote : TargetMode::Local;
        reads.push_back({mode, setup.state.mac, setup.state.address, nullptr, std::nullopt, 0});
    }
    for (Read& read : reads) {
        read.transaction = readRequest(read.mode, read.mac, read.address, {}, kManagementKey);
        const Ipv4Bytes to =
            read.mode == TargetMode::Local ? Ipv4Bytes{127, 255, 255, 255} : read.address;
        dispatcher.submit(
            *read.transaction, to, timing,
            [&read](const Transaction& t) {
                read.answer = readAnswer(t, read.mode, read.mac, read.address);
                return read.answer.has_value();
            },
            [&read](int c) {
                EXPECT_EQ(c, 0);
                ++read.finished;
            });
    }
    const auto start = std::chrono::steady_clock::now();
    dispatcher.run();
    const auto elapsed = std::chrono::steady_clock::now() - start;

    for (std::size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].finished, 1) << i;
        EXPECT_EQ(reads[i].answer.has_value(), i % 2 == 0) << i;
        if (reads[i].answer) {
            EXPECT_EQ(reads[i].answer->mac_address, reads[i].mac) << i;
        }
    }
    EXPECT_EQ(lan->runner().requestCount(), 2 * kModules); // two copies of every request
    EXPECT_EQ(dispatcher.peakInFlight(), 8u);
    EXPECT_EQ(store.count(PayloadList::Local), 5u); // the answered Local reads
    // Six silent modules waited one after another would take six deadlines.
    EXPECT_GE(elapsed, kDeadline);
    EXPECT_LT(elapsed, 4 * kDeadline);
}

} // namespace
} // namespace quarlink::netmgmt
