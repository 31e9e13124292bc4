// Command frame assembly: any chunking gives the same frames; noise and malformed frames
// never swallow the frame that follows them.
#include "SimTestSupport.h"

#include "serial/SettingsItems.h"
#include "sim/CommandAssembler.h"

#include <gtest/gtest.h>

namespace quarlink::sim::test {
namespace {

using Kind = ReceivedFrame::Kind;
using Flaw = ReceivedFrame::Flaw;

std::vector<ReceivedFrame> feedInChunks(const Bytes& line, std::size_t split1, std::size_t split2)
{
    CommandAssembler assembler;
    std::vector<ReceivedFrame> frames;
    const std::span<const std::uint8_t> all(line);
    for (auto part :
         {all.subspan(0, split1), all.subspan(split1, split2 - split1), all.subspan(split2)}) {
        for (ReceivedFrame& frame : assembler.feed(part))
            frames.push_back(std::move(frame));
    }
    EXPECT_TRUE(assembler.idle());
    return frames;
}

// Noise runs may be cut in two by a chunk border; join them to compare with whole feeding.
std::vector<ReceivedFrame> joinNoise(std::vector<ReceivedFrame> frames)
{
    std::vector<ReceivedFrame> joined;
    for (ReceivedFrame& frame : frames) {
        if (frame.kind == Kind::Noise && !joined.empty() && joined.back().kind == Kind::Noise)
            joined.back().raw.insert(joined.back().raw.end(), frame.raw.begin(), frame.raw.end());
        else
            joined.push_back(std::move(frame));
    }
    return joined;
}

TEST(sim_CommandAssembler, EverySplitOfALineGivesTheSameFrames)
{
    const Bytes ssid = textPayload("NetA", 32);
    const Bytes line = concat({Bytes{0x41}, command('S'), command('C'), command('R', 0x21),
                               command('W', 0x21, ssid), setupTextUpload("a=1\nb=2"),
                               Bytes{0x1B, 0x42}, command('F'), command('G')});
    const auto whole = feedInChunks(line, line.size(), line.size());
    ASSERT_EQ(whole.size(), 9u);
    EXPECT_EQ(whole[0].kind, Kind::Noise);
    EXPECT_EQ(whole[1].letter, 'S');
    EXPECT_EQ(whole[3].item, 0x21);
    EXPECT_EQ(whole[4].payload, ssid);
    EXPECT_EQ(whole[5].item, serial::item::SetupText);
    EXPECT_EQ(whole[5].payload, Bytes({'a', '=', '1', '\n', 'b', '=', '2'}));
    EXPECT_EQ(whole[6].raw, Bytes({0x1B, 0x42}));
    for (std::size_t a = 0; a <= line.size(); ++a) {
        for (std::size_t b = a; b <= line.size(); b += 7) {
            const auto split = joinNoise(feedInChunks(line, a, b));
            ASSERT_EQ(split.size(), whole.size()) << "split at " << a << ", " << b;
            for (std::size_t i = 0; i < whole.size(); ++i) {
                EXPECT_EQ(split[i].kind, whole[i].kind);
                EXPECT_EQ(split[i].raw, whole[i].raw);
                EXPECT_EQ(split[i].payload, whole[i].payload);
            }
        }
    }
}

struct NoiseCase
{
    const char* name;
    Bytes line;
    Bytes noise;
};

TEST(sim_CommandAssembler, NoiseIsDroppedAndTheNextFrameStillFound)
{
    const NoiseCase cases[] = {
        {"stray byte", {0x41, 0x1B, 0x7E, 'S'}, {0x41}},
        {"ESC without tilde", {0x1B, 0x41, 0x1B, 0x7E, 'S'}, {0x1B, 0x41}},
        {"doubled ESC", {0x1B, 0x1B, 0x7E, 'S'}, {0x1B}},
        {"tilde alone", {0x7E, 'S', 0x1B, 0x7E, 'S'}, {0x7E, 'S'}},
    };
    for (const NoiseCase& c : cases) {
        CommandAssembler assembler;
        const auto frames = assembler.feed(c.line);
        ASSERT_EQ(frames.size(), 2u) << c.name;
        EXPECT_EQ(frames[0].kind, Kind::Noise) << c.name;
        EXPECT_EQ(frames[0].raw, c.noise) << c.name;
        EXPECT_EQ(frames[1].kind, Kind::Command) << c.name;
        EXPECT_EQ(frames[1].raw, command('S')) << c.name;
    }
}

TEST(sim_CommandAssembler, SetupTextEndsAtItsFirstZeroAndIsBounded)
{
    CommandAssembler assembler;
    const std::string longest(kMaxSetupTextLength, 'x');
    auto frames = assembler.feed(setupTextUpload(longest));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].flaw, Flaw::None);
    EXPECT_EQ(frames[0].payload.size(), kMaxSetupTextLength);

    // One byte more does not fit: the rest is skipped up to the zero, then framing resumes.
    const std::string tooLong(kMaxSetupTextLength + 10, 'y');
    frames = assembler.feed(concat({setupTextUpload(tooLong), command('S')}));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].flaw, Flaw::TextTooLong);
    EXPECT_EQ(frames[0].skipped, 10u);
    EXPECT_EQ(frames[1].raw, command('S'));
}

TEST(sim_CommandAssembler, WriteOfUnknownItemEndsAtItsCode)
{
    CommandAssembler assembler;
    const auto frames = assembler.feed(concat({command('W', 0x77), Bytes{1, 2}, command('S')}));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].flaw, Flaw::UnknownItem);
    EXPECT_EQ(frames[1].kind, Kind::Noise);
    EXPECT_EQ(frames[2].letter, 'S');
}

} // namespace
} // namespace quarlink::sim::test
