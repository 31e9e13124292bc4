// The Get Info and Set Info sequences against a scripted module: commands in order, answers
// assembled from chunks, errors, time-outs and the receive buffer's bound.
#include "FakeSequenceHost.h"
#include "serial/SequenceEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

namespace quarlink::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using serial::kSettingsItems;

// Sized once and filled in place: GCC 12 at -O3 misreads an insert into a short vector as an
// out-of-bounds copy.
Bytes withHeader(std::initializer_list<std::uint8_t> header, const Bytes& payload)
{
    Bytes out(header.size() + payload.size());
    std::copy(payload.begin(), payload.end(), std::copy(header.begin(), header.end(), out.begin()));
    return out;
}

Bytes frame(std::uint8_t letter, const Bytes& payload = {})
{
    return withHeader({0x1B, 0x7E, letter}, payload);
}

Bytes itemFrame(std::uint8_t letter, std::uint8_t item, const Bytes& payload = {})
{
    return withHeader({0x1B, 0x7E, letter, item}, payload);
}

class Sequences : public ::testing::Test
{
protected:
    void answer(const Bytes& bytes) { engine.onReceived(bytes); }

    // Answers one 'R' for the current item with a payload of the item's length.
    void answerRead()
    {
        const auto item = engine.currentItem();
        Bytes payload(serial::itemLength(item).value(), static_cast<std::uint8_t>(0xA0 + item % 16));
        answer(frame('R', payload));
    }

    FakeSequenceHost host;
    serial::SequenceEngine engine{host};
};

TEST_F(Sequences, GetInfoReadsIdentityEveryItemThenTheSetupText)
{
    engine.startGetInfo();
    EXPECT_FALSE(host.getInfoEnabled);
    EXPECT_FALSE(host.setInfoEnabled);
    EXPECT_EQ(host.takeLine(), frame('S'));
    EXPECT_TRUE(host.timerRunning);

    answer(frame('S'));
    EXPECT_EQ(host.takeLine(), frame('C'));

    Bytes identity(16);
    identity[0] = 3;
    identity[8] = 0x00;
    identity[13] = 0x55;
    answer(frame('C', identity));
    EXPECT_EQ(host.identity, identity);

    for (const auto& item : kSettingsItems) {
        EXPECT_EQ(host.takeLine(), itemFrame('R', item.code)) << int(item.code);
        answerRead();
        EXPECT_EQ(host.items[item.code].size(), item.length);
    }
    EXPECT_EQ(host.takeLine(), itemFrame('R', 0xFF));
    answer(frame('R', Bytes{'a', '=', '1', '\n', 0}));
    EXPECT_EQ(host.setupText, (Bytes{'a', '=', '1', '\n', 0}));
    EXPECT_TRUE(host.setInfoEnabled);
    EXPECT_FALSE(host.getInfoEnabled);
    EXPECT_FALSE(host.timerRunning);
    EXPECT_TRUE(host.takeLine().empty()); // no 'G' after reading
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Sequences, SetInfoWritesEveryItemThenFinishesAndSaysSuccess)
{
    engine.startSetInfo();
    EXPECT_EQ(host.takeLine(), frame('S'));
    answer(frame('S'));
    for (const auto& item : kSettingsItems) {
        Bytes expected = itemFrame('W', item.code);
        const auto payload = host.itemPayload(item.code);
        expected.insert(expected.end(), payload.begin(), payload.end());
        EXPECT_EQ(host.takeLine(), expected) << int(item.code);
        answer(frame('W'));
    }
    EXPECT_EQ(host.takeLine(), frame('F'));
    EXPECT_EQ(host.collects, 9); // 0x00-0x03, 0x10, 0x20, 0x30, 0x40, 0x50
    answer(frame('F'));
    EXPECT_EQ(host.messages, std::vector<std::string>{"Success"});
    EXPECT_EQ(host.takeLine(), frame('G'));
    EXPECT_EQ(engine.currentLetter(), 'G');
    EXPECT_FALSE(host.timerRunning);
    EXPECT_TRUE(host.getInfoEnabled);
    EXPECT_TRUE(host.setInfoEnabled);

    answer(frame('G')); // accepted, nothing follows
    EXPECT_TRUE(host.takeLine().empty());
}

TEST_F(Sequences, AFailedCheckStopsTheWriteBeforeAnythingIsSent)
{
    engine.startSetInfo();
    host.takeLine();
    host.collectSucceeds = false;
    answer(frame('S'));
    EXPECT_TRUE(host.takeLine().empty());
    EXPECT_FALSE(host.timerRunning);
    EXPECT_TRUE(host.getInfoEnabled);
    EXPECT_TRUE(host.setInfoEnabled);
}

TEST_F(Sequences, ErrorAnswerAfterSsidWriteEndsTheSequence)
{
    engine.startSetInfo();
    answer(frame('S'));
    while (engine.currentItem() != 0x21)
        answer(frame('W'));
    host.takeLine();
    answer(frame('9'));
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error : 0x57[W]"});
    EXPECT_TRUE(host.takeLine().empty());
    EXPECT_FALSE(host.timerRunning);
    EXPECT_TRUE(host.getInfoEnabled);
    EXPECT_TRUE(host.setInfoEnabled);
}

TEST_F(Sequences, TimeOutAfterSetupRequestClosesTheConnection)
{
    engine.startGetInfo();
    engine.onAnswerTimeout();
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error : S [Timeout]"});
    EXPECT_FALSE(host.open);
    EXPECT_FALSE(host.getInfoEnabled);
    EXPECT_FALSE(host.setInfoEnabled);
}

TEST_F(Sequences, TimeOutAfterIdentityRequestKeepsTheConnectionAndEnablesBoth)
{
    engine.startGetInfo();
    answer(frame('S'));
    answer(Bytes{0x1B, 0x7E}); // half an answer stays in the buffer until the time-out
    engine.onAnswerTimeout();
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error : C [Timeout]"});
    EXPECT_TRUE(host.open);
    EXPECT_TRUE(host.getInfoEnabled);
    EXPECT_TRUE(host.setInfoEnabled);
    EXPECT_EQ(engine.received().size(), 0u);
}

TEST_F(Sequences, AnswerSplitOverChunksActsOnceWhenComplete)
{
    engine.startGetInfo();
    host.takeLine();
    answer({0x1B});
    answer({0x7E});
    EXPECT_TRUE(host.takeLine().empty());
    answer({0x53});
    EXPECT_EQ(host.takeLine(), frame('C'));

    // A 'C' answer byte by byte.
    Bytes identity = frame('C', Bytes(16, 0x11));
    for (std::uint8_t b : identity)
        answer({b});
    EXPECT_EQ(host.identity, Bytes(16, 0x11));
    EXPECT_EQ(host.takeLine(), itemFrame('R', 0x00));
}

TEST_F(Sequences, StrayByteBeforeAFrameDropsTheWholeChunk)
{
    engine.startGetInfo();
    host.takeLine();
    answer({0x41, 0x1B, 0x7E, 0x53});
    EXPECT_TRUE(host.takeLine().empty());
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(engine.received().size(), 0u);
}

TEST_F(Sequences, IdentityAnswerOfTwentyBytesNeverCompletes)
{
    engine.startGetInfo();
    answer(frame('S'));
    host.takeLine();
    answer(frame('C', Bytes(17, 0)));
    EXPECT_TRUE(host.takeLine().empty());
    EXPECT_TRUE(host.identity.empty());
    engine.onAnswerTimeout();
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error : C [Timeout]"});
}

TEST_F(Sequences, BytesAfterACompleteFrameAreDiscardedWithIt)
{
    engine.startGetInfo();
    answer(Bytes{0x1B, 0x7E, 0x53, 0x1B, 0x7E, 0x43});
    EXPECT_EQ(engine.received().size(), 0u);
    EXPECT_EQ(engine.currentLetter(), 'C');
}

// The answer to the go-ahead sent at the last close can arrive after the next open, in the
// same chunk as the awaited answer or before it: it must neither stop the time-out nor take
// the awaited answer with it.
TEST_F(Sequences, LateGoAheadAnswerLeavesTheAwaitedAnswerAndItsTimeOut)
{
    const Bytes go = frame('G');
    const Bytes setup = frame('S');
    const std::vector<std::vector<Bytes>> arrivals = {
        {withHeader({0x1B, 0x7E, 'G'}, setup)},
        {withHeader({0x1B, 0x7E, 'G', 0x1B, 0x7E, 'G'}, setup)},
        {go, setup},
        {Bytes{0x1B, 0x7E, 'G', 0x1B}, Bytes{0x7E, 'S'}},
    };
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        FakeSequenceHost fresh;
        serial::SequenceEngine sequence{fresh};
        sequence.startGetInfo();
        fresh.takeLine();
        for (const Bytes& chunk : arrivals[i]) {
            sequence.onReceived(chunk);
            EXPECT_TRUE(fresh.timerRunning) << "case " << i;
        }
        EXPECT_EQ(fresh.takeLine(), frame('C')) << "case " << i;
        EXPECT_TRUE(sequence.awaitingAnswer()) << "case " << i;
    }
}

TEST_F(Sequences, WriteAnswerActsByTheCurrentItemWhateverWasSent)
{
    engine.sendWrite(0xFF, Bytes{'x', '=', '1', 0});
    host.takeLine();
    answer(frame('W'));
    EXPECT_EQ(host.messages, std::vector<std::string>{"Success"});
    EXPECT_TRUE(host.takeLine().empty());

    // An item outside the order ends silently.
    engine.sendWrite(0x11, Bytes{});
    host.takeLine();
    host.messages.clear();
    answer(frame('W'));
    EXPECT_TRUE(host.takeLine().empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Sequences, ReceiveBufferNeverGrowsBeyondItsCapacity)
{
    engine.startGetInfo();
    answer(frame('S'));
    answer(frame('C', Bytes(16, 0)));
    // 'R' for item 0x00 expects 4 bytes; a flood that never completes is dropped at the bound.
    answer(Bytes{0x1B, 0x7E, 0x52});
    const Bytes flood(1000, 0x33);
    for (int i = 0; i < 10; ++i) {
        answer(flood);
        EXPECT_LE(engine.received().size(), serial::AnswerAssembler::kCapacity);
    }
    // A chunk larger than the whole buffer is dropped too.
    answer(Bytes(5000, 0x1B));
    EXPECT_EQ(engine.received().size(), 0u);
}

TEST_F(Sequences, SetupTextAnswerCompletesOnlyAtAZeroByte)
{
    engine.startGetInfo();
    answer(frame('S'));
    answer(frame('C', Bytes(16, 0)));
    while (engine.currentItem() != 0xFF)
        answerRead();
    answer(Bytes{0x1B, 0x7E, 0x52, 'a', 'b'});
    EXPECT_TRUE(host.setupText.empty());
    answer(Bytes{'c', 0});
    EXPECT_EQ(host.setupText, (Bytes{'a', 'b', 'c', 0}));
}

} // namespace
} // namespace quarlink::testing
