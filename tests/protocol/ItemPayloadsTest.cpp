// Byte layouts of the command frames and the settings items.
#include "serial/CommandFrames.h"
#include "serial/ItemPayloads.h"
#include "serial/SettingsItems.h"

#include <gtest/gtest.h>

namespace quarlink::serial {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <class C> Bytes bytes(const C& c)
{
    return Bytes(c.begin(), c.end());
}

TEST(CommandFrames, LetterAndItemFrames)
{
    EXPECT_EQ(bytes(commandFrame('S')), (Bytes{0x1B, 0x7E, 0x53}));
    EXPECT_EQ(bytes(commandFrame('G')), (Bytes{0x1B, 0x7E, 0x47}));
    EXPECT_EQ(bytes(itemCommandFrame('R', 0x25)), (Bytes{0x1B, 0x7E, 0x52, 0x25}));
}

TEST(SettingsItems, SequenceOrderLengthsAndSuccessors)
{
    std::vector<std::uint8_t> order;
    std::optional<std::uint8_t> code = kSettingsItems.front().code;
    while (code) {
        order.push_back(*code);
        code = nextItem(*code);
    }
    EXPECT_EQ(order, (Bytes{0x00, 0x01, 0x02, 0x03, 0x10, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
                            0x30, 0x40, 0x50, 0xFF}));
    EXPECT_EQ(itemLength(0x23), 52u);
    EXPECT_EQ(itemLength(0x30), 12u);
    EXPECT_FALSE(itemLength(0xFF));
    EXPECT_FALSE(itemLength(0x11));
    EXPECT_FALSE(nextItem(0x11));
}

TEST(ItemPayloads, WlanBasicRecordForInfrastructureChannel6Wep128Key3SharedKey)
{
    WlanBasicRecord r;
    r.mode = 1;
    r.channel = 6;
    r.wepKeyLength = 2;
    r.defaultKey = 2;
    r.authentication = 2;
    EXPECT_EQ(bytes(r.encode()), (Bytes{0x01, 0x06, 0x02, 0x02, 0x02, 0x00, 0x00}));
    const auto encoded = r.encode();
    const auto back = WlanBasicRecord::decode(encoded);
    EXPECT_EQ(bytes(back.encode()), bytes(encoded));
}

TEST(ItemPayloads, NetworkOptionRecordBothWays)
{
    const Bytes wire{0xC0, 0xA8, 0x00, 0x0A, 0x88, 0x13, 0x50, 0x00, 0x02, 0x01, 0x00, 0x04};
    const auto r = NetworkOptionRecord::decode(std::span<const std::uint8_t, 12>(wire.data(), 12));
    EXPECT_EQ(r.peerIp, 0xC0A8000Au);
    EXPECT_EQ(r.localPort, 5000);
    EXPECT_EQ(r.peerPort, 80);
    EXPECT_EQ(r.muxType, 2);
    EXPECT_EQ(r.codListen, 1);
    EXPECT_EQ(r.waterMark, 1024);
    EXPECT_EQ(bytes(r.encode()), wire);
}

TEST(ItemPayloads, TextItemsAreZeroFilledCutAndCarryNoTerminatorWhenFull)
{
    const std::string ssid = "office";
    const auto small = encodeTextItem({reinterpret_cast<const std::uint8_t*>(ssid.data()), ssid.size()}, 32);
    ASSERT_EQ(small.size(), 32u);
    EXPECT_EQ(small[5], 'e');
    EXPECT_EQ(small[6], 0);

    const std::string full(70, 'u');
    const auto cut = encodeTextItem({reinterpret_cast<const std::uint8_t*>(full.data()), full.size()}, 64);
    EXPECT_EQ(cut, Bytes(64, 'u'));

    const Bytes withZeros{'A', 0, 'B', 0, 0};
    EXPECT_EQ(nonZeroBytes(withZeros), "AB");
    EXPECT_EQ(textUpToZero(withZeros), "A");
    EXPECT_EQ(textUpToZero(Bytes{'x', 'y'}), "xy");
}

} // namespace
} // namespace quarlink::serial
