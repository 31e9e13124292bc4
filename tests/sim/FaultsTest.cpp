// Fault injection: target matching, answer shaping, and every fault seen on a real line.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"
#include "sim/DefaultSettings.h"
#include "sim/FaultPlan.h"

#include <gtest/gtest.h>

namespace quarlink::sim::test {
namespace {

namespace item = serial::item;
using Clock = std::chrono::steady_clock;

const Bytes kErrorAnswer{0x1B, 0x7E, 0x39};

ReceivedFrame frameOf(char letter, std::optional<std::uint8_t> code = std::nullopt)
{
    ReceivedFrame frame;
    frame.letter = static_cast<std::uint8_t>(letter);
    frame.item = code;
    return frame;
}

TEST(sim_FaultTarget, ParsesLettersItemsAndEverything)
{
    struct Case
    {
        const char* text;
        std::optional<FaultTarget> expected;
    };
    const Case cases[] = {
        {"*", FaultTarget{}},
        {"C", FaultTarget{'C', std::nullopt}},
        {"R:21", FaultTarget{'R', 0x21}},
        {"W:0xFF", FaultTarget{'W', 0xFF}},
        {"w:ff", std::nullopt}, // letters are case-sensitive: 'w' takes no item
        {"C:21", std::nullopt},
        {"R:", std::nullopt},
        {"R:123", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseFaultTarget(c.text), c.expected) << c.text;
}

TEST(sim_FaultTarget, MatchesLetterAndItem)
{
    const FaultTarget readSsid{'R', item::Ssid};
    EXPECT_TRUE(readSsid.matches(frameOf('R', item::Ssid)));
    EXPECT_FALSE(readSsid.matches(frameOf('R', item::LocalIp)));
    EXPECT_FALSE(readSsid.matches(frameOf('W', item::Ssid)));
    EXPECT_TRUE((FaultTarget{'R', std::nullopt}).matches(frameOf('R', item::LocalIp)));
    EXPECT_TRUE(FaultTarget{}.matches(frameOf('G')));
    ReceivedFrame noise;
    noise.kind = ReceivedFrame::Kind::Noise;
    EXPECT_FALSE(FaultTarget{}.matches(noise));
}

TEST(sim_FaultPlan, ShapesTheAnswer)
{
    const Bytes identityAnswer = answer('C', defaultModuleSettings().identity());
    FaultPlan plan;
    plan.chunkSize = 5;
    plan.chunkPause = 7ms;
    plan.answerDelay = 9ms;
    plan.tooShort.push_back({'C', std::nullopt});
    plan.strayByte.push_back({{'C', std::nullopt}, 0x7F});
    const Delivery delivery = plan.deliver(frameOf('C'), identityAnswer);
    EXPECT_EQ(delivery.delay, 9ms);
    EXPECT_EQ(delivery.pause, 7ms);
    ASSERT_EQ(delivery.chunks.size(), 4u); // 1 + 18 bytes in chunks of 5
    EXPECT_EQ(delivery.chunks[0], Bytes({0x7F, 0x1B, 0x7E, 'C', identityAnswer[3]}));
    EXPECT_EQ(delivery.chunks[3].size(), 4u);
    Bytes expected{0x7F};
    expected.insert(expected.end(), identityAnswer.begin(), identityAnswer.end() - 1);
    EXPECT_EQ(delivery.bytes(), expected);

    plan.noAnswer.push_back({'C', std::nullopt});
    EXPECT_TRUE(plan.deliver(frameOf('C'), identityAnswer).chunks.empty());
    EXPECT_EQ(plan.deliver(frameOf('S'), answer('S')).chunks.size(), 1u);
}

// The module with one fault plan on a real line.
RunningModule startWithFaults(FaultPlan faults, LogCollector* log = nullptr)
{
    SimulatedModuleConfig config;
    config.runner.faults = std::move(faults);
    if (log)
        config.runner.log = log->makeLog();
    return startModule(std::move(config));
}

struct LineFaultCase
{
    const char* name;
    FaultPlan faults;
    Bytes request;
    Bytes expected; // read before the 'S' answer that follows
};

TEST(sim_FaultsOnTheLine, EachFaultChangesOnlyItsTarget)
{
    const ModuleSettings defaults = defaultModuleSettings();
    const Bytes ssidAnswer = answer('R', defaults.item(item::Ssid));
    const Bytes ipAnswer = answer('R', defaults.item(item::LocalIp));
    const Bytes identityAnswer = answer('C', defaults.identity());
    const auto plan = [](auto&& setUp) {
        FaultPlan faults;
        setUp(faults);
        return faults;
    };
    const std::vector<LineFaultCase> cases = {
        {"no answer to a letter",
         plan([](FaultPlan& f) {
             f.noAnswer.push_back({'C', {}});
         }),
         command('C'),
         {}},
        {"no answer to an item",
         plan([](FaultPlan& f) {
             f.noAnswer.push_back({'R', 0x21});
         }),
         command('R', item::Ssid),
         {}},
        {"other items still answered", plan([](FaultPlan& f) {
             f.noAnswer.push_back({'R', 0x21});
         }),
         command('R', item::LocalIp), ipAnswer},
        {"error answer to a letter", plan([](FaultPlan& f) {
             f.errorAnswer.push_back({'C', {}});
         }),
         command('C'), kErrorAnswer},
        {"error answer to an item", plan([](FaultPlan& f) {
             f.errorAnswer.push_back({'R', 0x21});
         }),
         command('R', item::Ssid), kErrorAnswer},
        {"one byte too long", plan([](FaultPlan& f) {
             f.tooLong.push_back({'R', 0x21});
         }),
         command('R', item::Ssid), concat({ssidAnswer, Bytes{0x00}})},
        {"one byte too short", plan([](FaultPlan& f) {
             f.tooShort.push_back({'C', {}});
         }),
         command('C'), Bytes(identityAnswer.begin(), identityAnswer.end() - 1)},
        {"stray byte", plan([](FaultPlan& f) {
             f.strayByte.push_back({{'C', {}}, 0x41});
         }),
         command('C'), concat({Bytes{0x41}, identityAnswer})},
        {"stray ESC before an item", plan([](FaultPlan& f) {
             f.strayByte.push_back({{'R', 0x00}, 0x1B});
         }),
         command('R', item::LocalIp), concat({Bytes{0x1B}, ipAnswer})},
        {"byte by byte", plan([](FaultPlan& f) { f.chunkSize = 1; }), command('C'), identityAnswer},
    };
    for (const LineFaultCase& c : cases) {
        RunningModule sim = startWithFaults(c.faults);
        ASSERT_TRUE(sim.ok()) << sim.error;
        ASSERT_TRUE(sim.line->send(concat({c.request, command('S')})));
        EXPECT_EQ(sim.line->read(c.expected.size() + 3), concat({c.expected, answer('S')}))
            << c.name;
    }
}

TEST(sim_FaultsOnTheLine, RefusedWriteIsNotCarriedOut)
{
    FaultPlan faults;
    faults.errorAnswer.push_back({'W', item::Ssid});
    RunningModule sim = startWithFaults(faults);
    ASSERT_TRUE(sim.ok()) << sim.error;
    const Bytes ssid = textPayload("Refused", 32);
    EXPECT_EQ(sim.exchange(command('W', item::Ssid, ssid), 3), kErrorAnswer);
    EXPECT_EQ(sim.exchange(command('F'), 3), answer('F'));
    EXPECT_EQ(sim.module->runner().committedSettings().itemText(item::Ssid), "ThisIsASSID");
}

TEST(sim_FaultsOnTheLine, UnansweredWriteIsStillCarriedOut)
{
    FaultPlan faults;
    faults.noAnswer.push_back({'W', {}});
    RunningModule sim = startWithFaults(faults);
    ASSERT_TRUE(sim.ok()) << sim.error;
    ASSERT_TRUE(sim.line->send(command('W', item::Ssid, textPayload("Silent", 32))));
    EXPECT_EQ(sim.exchange(command('F'), 3), answer('F'));
    EXPECT_EQ(sim.module->runner().committedSettings().itemText(item::Ssid), "Silent");
}

TEST(sim_FaultsOnTheLine, ChunkPausesAndDelayHoldTheAnswerBack)
{
    const Bytes identityAnswer = answer('C', defaultModuleSettings().identity());
    struct Case
    {
        const char* name;
        std::size_t chunk;
        std::chrono::milliseconds pause;
        std::chrono::milliseconds delay;
        std::chrono::milliseconds atLeast;
        const char* logged;
    };
    const Case cases[] = {
        {"chunks of 4", 4, 15ms, 0ms, 4 * 15ms, "in 5 chunks"},
        {"byte by byte", 1, 2ms, 0ms, 18 * 2ms, "in 19 chunks"},
        {"delay", 0, 0ms, 60ms, 60ms, "after 60 ms"},
    };
    for (const Case& c : cases) {
        FaultPlan faults;
        faults.chunkSize = c.chunk;
        faults.chunkPause = c.pause;
        faults.answerDelay = c.delay;
        LogCollector log;
        RunningModule sim = startWithFaults(faults, &log);
        ASSERT_TRUE(sim.ok()) << sim.error;
        const auto start = Clock::now();
        EXPECT_EQ(sim.exchange(command('C'), identityAnswer.size()), identityAnswer) << c.name;
        EXPECT_GE(Clock::now() - start, c.atLeast) << c.name;
        sim.module->stop();
        bool logged = false;
        for (const std::string& line : log.lines())
            logged = logged || line.find(c.logged) != std::string::npos;
        EXPECT_TRUE(logged) << c.name;
    }
}

TEST(sim_LineLogOnTheLine, LogsEveryFrameWithTimeStampAndDirection)
{
    FaultPlan faults;
    faults.noAnswer.push_back({'G', {}});
    LogCollector log;
    RunningModule sim = startWithFaults(faults, &log);
    ASSERT_TRUE(sim.ok()) << sim.error;
    ASSERT_TRUE(sim.line->send(concat({Bytes{0x41}, command('G'), command('R', 0x01)})));
    EXPECT_EQ(sim.line->read(7), answer('R', defaultModuleSettings().item(0x01)));
    sim.module->stop();
    std::vector<std::string> lines = log.lines();
    ASSERT_GE(lines.size(), 6u);
    const std::vector<std::string> expectedEnds = {
        "-- serving the line\n",
        "<- 41  (not a frame, dropped)\n",
        "<- 1B 7E 47  (G)\n",
        "-- no answer to G (fault)\n",
        "<- 1B 7E 52 01  (R item 0x01)\n",
        "-> 1B 7E 52 FF FF FF 00\n",
    };
    for (std::size_t i = 0; i < expectedEnds.size(); ++i) {
        const std::string& line = lines[i];
        EXPECT_TRUE(line.ends_with(expectedEnds[i])) << line;
        // "YYYY-MM-DD HH:MM:SS.mmm "
        ASSERT_GT(line.size(), 24u);
        EXPECT_EQ(line[4], '-');
        EXPECT_EQ(line[10], ' ');
        EXPECT_EQ(line[19], '.');
        EXPECT_EQ(line[23], ' ');
    }
}

} // namespace
} // namespace quarlink::sim::test
