// The item decoder and the payload walk: every item lands at its record offset, unknown items
// are skipped, block flags follow the product, and bad framing fails the whole payload.
#include "EnvironmentSupport.h"

#include "netmgmt/ItemTable.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

struct Placement
{
    std::uint8_t type;
    std::uint8_t index;
    std::size_t offset;
    std::size_t length;
};

// Where each item's data belongs in the 1836-byte record.
const Placement kPlacements[] = {
    {1, 0, 0, 12},      {1, 7, 0, 12},      {2, 0, 84, 2},      {2, 1, 86, 2},
    {3, 0, 16, 4},      {3, 1, 20, 4},      {3, 2, 24, 4},      {3, 3, 80, 4},
    {5, 0, 600, 4},     {6, 0, 684, 10},    {6, 1, 694, 10},    {7, 0, 620, 64},
    {7, 1, 1028, 16},   {7, 8, 1140, 16},   {7, 9, 1156, 16},   {7, 16, 1268, 16},
    {8, 0, 28, 48},     {8, 1, 88, 48},     {9, 0, 1460, 4},    {9, 1, 1464, 32},
    {9, 2, 1496, 20},   {9, 3, 1516, 52},   {9, 4, 1568, 32},   {9, 5, 1600, 32},
    {9, 6, 1632, 16},   {9, 7, 1651, 1},    {16, 0, 200, 12},   {16, 3, 500, 12},
    {32, 0, 212, 20},   {32, 3, 512, 20},   {33, 0, 604, 6},    {34, 0, 612, 8},
    {35, 0, 232, 64},   {35, 1, 332, 64},   {35, 2, 964, 64},   {35, 3, 1368, 64},
    {35, 64, 1688, 64}, {35, 65, 1752, 64}, {35, 128, 136, 64}, {35, 129, 136, 64},
    {36, 0, 708, 32},   {36, 7, 932, 32},   {37, 0, 1284, 56},  {38, 0, 1344, 24},
    {39, 0, 1436, 12},  {40, 0, 1448, 10},  {41, 0, 1656, 12},  {41, 1, 1668, 1},
    {41, 2, 1672, 16},  {41, 3, 1816, 20},  {64, 0, 706, 2},
};

std::array<std::uint8_t, kModuleRecordSize> imageOf(const ModuleRecord& record)
{
    std::array<std::uint8_t, kModuleRecordSize> image{};
    std::copy_n(recordBytes(record).begin(), image.size(), image.begin());
    return image;
}

} // namespace

TEST(ItemDecoder, EveryItemLandsAtItsRecordOffset)
{
    for (const Placement& p : kPlacements) {
        ModuleRecord record{};
        const auto data = pattern(p.length);
        ASSERT_TRUE(decodePayload(payloadOf({{p.type, p.index, data}}), record));

        std::array<std::uint8_t, kModuleRecordSize> expected{};
        std::copy(data.begin(), data.end(), expected.begin() + static_cast<long>(p.offset));
        if (p.type == 16 || p.type == 32)
            expected[200 + 100 * p.index + 96] = 1; // the channel's present flag
        EXPECT_EQ(imageOf(record), expected) << int(p.type) << "/" << int(p.index);
    }
}

TEST(ItemDecoder, ItemsWithoutAPlaceAreSkipped)
{
    ModuleRecord record{};
    EnvironmentExtras extras;
    const auto payload = payloadOf({{10, 0, pattern(8)},
                                    {16, 4, pattern(12)},
                                    {36, 8, pattern(32)},
                                    {7, 17, pattern(16)},
                                    {35, 4, pattern(64)},
                                    {48, 0, pattern(100)},
                                    {49, 0, pattern(24)},
                                    {0, 0, {}}});
    ASSERT_TRUE(decodePayload(payload, record, &extras));
    EXPECT_EQ(record, ModuleRecord{});
    EXPECT_EQ(extras.sideBlockLength, 100 + itemFillBytes(100));
    EXPECT_EQ(extras.sideEntryCount, 1u);
}

TEST(ItemDecoder, BlockFlagsFollowTheProductGroup)
{
    struct Case
    {
        std::uint16_t p, q;
        int counts, io, ext, wlan;
    };
    const Case cases[] = {
        {16, 0, 8, 1, 0, 0},  {0, 33, 8, 1, 0, 0}, {34, 0, 4, 1, 0, 0}, {0, 34, 4, 1, 0, 0},
        {19, 0, 0, 0, 1, 0},  {21, 0, 0, 0, 0, 1}, {0, 46, 0, 0, 0, 1}, {3, 7, 0, 0, 0, 0},
        {16, 40, 8, 1, 0, 1}, // the I/O group is tried first; the WLAN flag of 2/1 stays
    };
    for (const Case& c : cases) {
        ModuleRecord record{};
        const std::vector<std::uint8_t> p{std::uint8_t(c.p), 0}, q{std::uint8_t(c.q), 0};
        ASSERT_TRUE(decodePayload(payloadOf({{2, 1, q}, {2, 0, p}}), record));
        EXPECT_EQ(record.io_input_count, c.counts) << c.p << "/" << c.q;
        EXPECT_EQ(record.io_output_count, c.counts) << c.p << "/" << c.q;
        EXPECT_EQ(record.has_io_block, unsigned(c.io)) << c.p << "/" << c.q;
        EXPECT_EQ(record.has_ext_block, unsigned(c.ext)) << c.p << "/" << c.q;
        EXPECT_EQ(record.has_wlan_block, unsigned(c.wlan)) << c.p << "/" << c.q;
    }
}

TEST(ItemDecoder, BadFramingFailsThePayloadWithItsDebugText)
{
    const auto good = payloadOf({{3, 0, {192, 168, 1, 10}}, {5, 0, {1, 0, 0, 0}}});
    auto pastTheEnd = good;
    pastTheEnd.resize(good.size() - 1);
    auto badCheck = good;
    if (!badCheck.empty()) // (the guard also keeps GCC 12 at -O3 from a false overflow warning)
        badCheck.back() ^= 0x01;
    auto tooShort = good;
    tooShort.insert(tooShort.end(), {9, 0, 4, 0});
    auto zeroLength = good;
    zeroLength.insert(zeroLength.end(), {9, 0, 0, 0});
    auto halfHead = good;
    halfHead.insert(halfHead.end(), {9, 0});
    std::vector<std::uint8_t> oversized(1412, 0);
    oversized[2] = 0x84; // 1412 bytes: 1406 of data and fill
    oversized[3] = 0x05;

    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {pastTheEnd, "What ENV???\n"}, {badCheck, "CRC fail...\n"}, {tooShort, "What ENV???\n"},
        {zeroLength, "What ENV???\n"}, {halfHead, "What ENV???\n"}, {oversized, "What ENV???\n"},
    };
    for (const auto& [payload, text] : cases) {
        DebugCapture capture;
        ModuleRecord record{};
        EXPECT_FALSE(decodePayload(payload, record));
        EXPECT_EQ(capture.text(), text);
    }
    ModuleRecord record{};
    EXPECT_TRUE(decodePayload(good, record));
    EXPECT_EQ(record.local_ip, (Ipv4Bytes{192, 168, 1, 10}));
}
