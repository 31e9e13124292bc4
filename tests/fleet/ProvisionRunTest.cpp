// The run as an engine against simulated LAN modules in this process: a cancelled run starts no
// further exchange and reports the modules it did not start as cancelled; a module that refuses
// the write for its password is asked for once and written again with the answer.
#include "fleet/ProvisionRun.h"
#include "common/LoopbackLan.h"
#include "netmgmt/ErrorCodes.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace quarlink::fleet {
namespace {

using namespace std::chrono_literals;

const netmgmt::ExchangeTiming kQuick{300ms, 300ms};

struct RecordingHost final : ProvisionHost
{
    void moduleFinished(const ModuleResult& result) override
    {
        results.push_back(result);
        if (onResult)
            onResult(result);
    }
    void progress(std::size_t finished, std::size_t total) override
    {
        lastProgress = {finished, total};
    }
    std::optional<netmgmt::Password> askPassword(const QString& mac) override
    {
        asked << mac;
        return answer;
    }

    std::vector<ModuleResult> results;
    std::pair<std::size_t, std::size_t> lastProgress;
    std::function<void(const ModuleResult&)> onResult;
    QStringList asked;
    std::optional<netmgmt::Password> answer;

    std::vector<Outcome> outcomes() const
    {
        std::vector<Outcome> out;
        for (const ModuleResult& r : results)
            out.push_back(r.outcome);
        return out;
    }
};

class ProvisionRunTest : public ::testing::Test
{
protected:
    void start(std::vector<sim::LanModuleSetup> modules)
    {
        std::string error;
        lan = testing::startLoopbackLan(std::move(modules), error);
        ASSERT_TRUE(lan) << error;
    }

    // Every module, listed by MAC address, gets `keys`.
    RunRequest request(const QJsonObject& keys, std::size_t inFlight) const
    {
        RunRequest r;
        for (const sim::LanModuleState& module : lan->runner().modules())
            r.lan.push_back({module.mac, keys});
        r.lanSettings.parameters.modulePort = lan->port();
        r.lanSettings.parameters.localPort = 0;
        r.lanSettings.parameters.broadcastAddress = {127, 255, 255, 255};
        r.lanSettings.timings = {kQuick, kQuick, kQuick};
        r.lanSettings.inFlight = inFlight;
        return r;
    }

    std::unique_ptr<sim::SimulatedLan> lan;
};

sim::LanModuleSetup module(std::uint8_t host, unsigned ordinal)
{
    return {sim::defaultLanModule({127, 0, 44, host}, ordinal), {}};
}

TEST_F(ProvisionRunTest, ACancelledRunStartsNoFurtherExchange)
{
    start({module(2, 1), module(3, 2), module(4, 3), module(5, 4)});
    const struct
    {
        const char* what;
        bool dryRun;
        std::vector<Outcome> outcomes;
        std::size_t reads, writes; // requests, two copies each
    } cases[] = {
        // One exchange at a time: the first module's read ends, the others never start.
        {"dry run",
         true,
         {Outcome::Changed, Outcome::Cancelled, Outcome::Cancelled, Outcome::Cancelled},
         2,
         0},
        // The reads are queued before the first write: the first module is written, the
        // others, read by then, are not.
        {"run",
         false,
         {Outcome::Changed, Outcome::Cancelled, Outcome::Cancelled, Outcome::Cancelled},
         8,
         2},
    };
    for (const auto& c : cases) {
        RunRequest r = request({{"userClassId", c.what}}, 1);
        r.choices.dryRun = c.dryRun;
        RecordingHost host;
        ProvisionRun run(std::move(r), host);
        host.onResult = [&](const ModuleResult&) { run.cancel(); };
        const auto before = lan->runner().requests().size();
        const LanRunOutcome outcome = run.run();
        EXPECT_TRUE(outcome.ok) << c.what;
        EXPECT_EQ(host.outcomes(), c.outcomes) << c.what;
        // Every request went out before run() returned; the modules may still be taking them.
        const auto sent = [&] {
            const auto all = lan->runner().requests();
            std::pair<std::size_t, std::size_t> n{0, 0};
            for (auto it = all.begin() + static_cast<std::ptrdiff_t>(before); it != all.end(); ++it)
                (it->operation == netmgmt::OpWrite ? n.second : n.first)++;
            return n;
        };
        for (int turn = 0; turn < 500 && sent() < std::make_pair(c.reads, c.writes); ++turn)
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(sent(), std::make_pair(c.reads, c.writes)) << c.what;
        EXPECT_EQ(host.lastProgress, std::make_pair(std::size_t(4), std::size_t(4))) << c.what;
        Tally tally;
        for (const ModuleResult& result : host.results)
            tally.add(result.outcome);
        EXPECT_EQ(summaryLine(tally), "1 changed, 0 unchanged, 0 failed, 0 not found, 3 cancelled");
    }
}

TEST_F(ProvisionRunTest, AModuleThatRefusesThePasswordIsAskedForItOnce)
{
    sim::LanModuleSetup locked = module(2, 1);
    locked.password = sim::LanPassword{'o', 'p', 'e', 'n', '-', 'u', 'p'};
    start({locked, module(3, 2)});
    const netmgmt::Password right{'o', 'p', 'e', 'n', '-', 'u', 'p'};
    const netmgmt::Password wrong{'c', 'l', 'o', 's', 'e', 'd'};
    const struct
    {
        const char* what;
        std::optional<netmgmt::Password> answer;
        Outcome outcome;
    } cases[] = {
        {"no answer", std::nullopt, Outcome::Failed},
        {"a wrong one", wrong, Outcome::Failed},
        {"the right one", right, Outcome::Changed},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        host.answer = c.answer;
        ProvisionRun(request({{"userClassId", c.what}}, 4), host).run();
        ASSERT_EQ(host.results.size(), 2u) << c.what;
        // The other module is done before the question comes.
        EXPECT_EQ(host.results[0].target, "00:11:22:33:50:02") << c.what;
        EXPECT_EQ(host.results[1].outcome, c.outcome)
            << c.what << host.results[1].error.toStdString();
        if (c.outcome == Outcome::Failed) {
            EXPECT_EQ(host.results[1].error, "Password mismatch error occured.") << c.what;
        }
        EXPECT_EQ(host.asked, QStringList{"00:11:22:33:50:01"}) << c.what;
    }
}

} // namespace
} // namespace quarlink::fleet
