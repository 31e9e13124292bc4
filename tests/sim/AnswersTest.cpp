// The simulated module over a real pseudo-terminal: every answer byte for byte, and what
// writes, commits and sessions do to later reads.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"
#include "sim/DefaultSettings.h"

#include <gtest/gtest.h>

#include <thread>

namespace quarlink::sim::test {
namespace {

namespace item = serial::item;

const Bytes kErrorAnswer{0x1B, 0x7E, 0x39};

class sim_Answers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_sim = startModule();
        ASSERT_TRUE(m_sim.ok()) << m_sim.error;
    }

    Bytes exchange(const Bytes& request, std::size_t answerSize)
    {
        return m_sim.exchange(request, answerSize);
    }

    // A payload unlike the default one, of the item's length.
    static Bytes otherPayload(const serial::SettingsItem& it)
    {
        Bytes payload(it.length);
        for (std::size_t i = 0; i < it.length; ++i)
            payload[i] = static_cast<std::uint8_t>(0xA0 + it.code + i);
        return payload;
    }

    RunningModule m_sim;
    const ModuleSettings m_defaults = defaultModuleSettings();
};

TEST_F(sim_Answers, PlainLettersAnswerWithTheirFrame)
{
    for (char letter : {'S', 'F', 'G'})
        EXPECT_EQ(exchange(command(letter), 3), answer(letter)) << letter;
}

TEST_F(sim_Answers, IdentityAnswerIsNineteenBytes)
{
    const Bytes expected = answer('C', m_defaults.identity());
    ASSERT_EQ(expected.size(), serial::kIdentityAnswerSize);
    EXPECT_EQ(exchange(command('C'), expected.size()), expected);
    EXPECT_EQ(exchange(command('S'), 3), answer('S')) << "nothing after the 19 bytes";
}

TEST_F(sim_Answers, EveryItemReadsBackExactlyItsLength)
{
    for (const serial::SettingsItem& it : serial::kSettingsItems) {
        const Bytes expected = answer('R', m_defaults.item(it.code));
        ASSERT_EQ(expected.size(), serial::kFrameHeaderSize + it.length);
        EXPECT_EQ(exchange(command('R', it.code), expected.size()), expected)
            << "item " << int(it.code);
    }
    EXPECT_EQ(exchange(command('S'), 3), answer('S')) << "no byte beyond the item lengths";
}

TEST_F(sim_Answers, SetupTextReadsBackWithItsZero)
{
    const std::string& text = m_defaults.setupText();
    Bytes payload(text.begin(), text.end());
    payload.push_back(0);
    EXPECT_EQ(exchange(command('R', item::SetupText), payload.size() + 3), answer('R', payload));
}

TEST_F(sim_Answers, WriteThenFinishChangesWhatEveryItemReads)
{
    for (const serial::SettingsItem& it : serial::kSettingsItems) {
        const Bytes payload = otherPayload(it);
        const Bytes before = answer('R', m_defaults.item(it.code));
        EXPECT_EQ(exchange(command('W', it.code, payload), 3), answer('W'));
        EXPECT_EQ(exchange(command('R', it.code), before.size()), before)
            << "item " << int(it.code) << ": a staged write is not read before F";
        EXPECT_EQ(exchange(command('F'), 3), answer('F'));
        EXPECT_EQ(exchange(command('R', it.code), before.size()), answer('R', payload))
            << "item " << int(it.code);
    }
    const ModuleSettings committed = m_sim.module->runner().committedSettings();
    for (const serial::SettingsItem& it : serial::kSettingsItems) {
        const auto stored = committed.item(it.code);
        EXPECT_EQ(Bytes(stored.begin(), stored.end()), otherPayload(it));
    }
}

TEST_F(sim_Answers, NewSessionDropsUncommittedWrites)
{
    const Bytes ssid = textPayload("Half written", 32);
    EXPECT_EQ(exchange(command('W', item::Ssid, ssid), 3), answer('W'));
    EXPECT_EQ(m_sim.module->runner().pendingSettings().itemText(item::Ssid), "Half written");
    EXPECT_EQ(exchange(command('S'), 3), answer('S'));
    EXPECT_EQ(exchange(command('F'), 3), answer('F'));
    EXPECT_EQ(exchange(command('R', item::Ssid), 35), answer('R', m_defaults.item(item::Ssid)));
}

TEST_F(sim_Answers, SetupTextUploadTakesEffectWithoutFinish)
{
    const std::string text = "line one\nline two\n";
    EXPECT_EQ(exchange(setupTextUpload(text), 3), answer('W'));
    Bytes payload(text.begin(), text.end());
    payload.push_back(0);
    EXPECT_EQ(exchange(command('R', item::SetupText), payload.size() + 3), answer('R', payload));
    EXPECT_EQ(m_sim.module->runner().committedSettings().setupText(), text);
}

TEST_F(sim_Answers, MalformedCommandsGetTheErrorAnswerAndLeaveTheLineInStep)
{
    const std::string tooLong(kMaxSetupTextLength + 1, 'z');
    const Bytes requests[] = {
        command('R', 0x77),       // unknown item
        command('W', 0x77),       // unknown item: its payload cannot be delimited
        command('Q'),             // unknown letter
        setupTextUpload(tooLong), // text beyond the program's buffer
    };
    for (const Bytes& request : requests) {
        EXPECT_EQ(exchange(request, 3), kErrorAnswer);
        EXPECT_EQ(exchange(command('S'), 3), answer('S'));
    }
    EXPECT_EQ(m_sim.module->runner().committedSettings(), m_defaults);
}

TEST_F(sim_Answers, CommandsSplitByteByByteAndNoiseBetweenThem)
{
    const Bytes line =
        concat({Bytes{0x41, 0x42}, command('R', item::LocalIp), Bytes{0x1B, 0x00}, command('S')});
    for (std::uint8_t byte : line)
        ASSERT_TRUE(m_sim.line->send(Bytes{byte}));
    EXPECT_EQ(m_sim.line->read(7 + 3),
              concat({answer('R', m_defaults.item(item::LocalIp)), answer('S')}));
    const std::vector<CommandRecord> expected{{'R', item::LocalIp}, {'S', std::nullopt}};
    EXPECT_EQ(m_sim.module->runner().receivedCommands(), expected);
}

TEST(sim_PartialFrame, IsDroppedWhenTheLineFallsSilent)
{
    LogCollector log;
    SimulatedModuleConfig config;
    config.runner.log = log.makeLog();
    config.runner.partialFrameTimeout = 20ms;
    RunningModule sim = startModule(std::move(config));
    ASSERT_TRUE(sim.ok()) << sim.error;
    // A write of the 64-byte peer domain name that breaks off after two payload bytes.
    ASSERT_TRUE(sim.line->send(concat({command('W', item::PeerDomainName), Bytes{'a', 'b'}})));
    const std::string dropped = "<- 1B 7E 57 40 61 62  (not a frame, dropped)\n";
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& line : log.lines())
            seen = seen || line.ends_with(dropped);
        if (!seen)
            std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(seen);
    EXPECT_EQ(sim.exchange(command('S'), 3), answer('S'));
    EXPECT_EQ(sim.module->runner().pendingSettings(), defaultModuleSettings());
}

TEST(sim_DefaultSettings, LayoutsInLinkByteOrder)
{
    const ModuleSettings settings = defaultModuleSettings();
    const auto bytes = [&settings](std::uint8_t code) {
        const auto span = settings.item(code);
        return toSpacedHex(span);
    };
    EXPECT_EQ(bytes(item::LocalIp), "C0 A8 01 32");
    EXPECT_EQ(bytes(item::SubnetMask), "FF FF FF 00");
    EXPECT_EQ(bytes(item::NetworkOptions), "C0 A8 01 0A 88 13 50 00 00 00 00 02");
    EXPECT_EQ(bytes(item::WlanBasic), "01 06 00 00 01 04 02");
    EXPECT_EQ(toCompactHex(settings.item(item::WpaPsk)), kDefaultWpaPskHex);
    EXPECT_EQ(settings.itemText(item::Ssid), "ThisIsASSID");
    EXPECT_EQ(settings.itemText(item::WpaPassphrase), "ThisIsAPassword");
    EXPECT_EQ(settings.itemText(item::UserClassId), "PTR-001122334455");
    EXPECT_EQ(toSpacedHex(std::span(settings.identity()).subspan(identity::Mac, 6)),
              "00 11 22 33 44 55");
}

} // namespace
} // namespace quarlink::sim::test
