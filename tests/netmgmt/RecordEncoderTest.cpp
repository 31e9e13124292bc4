// The write encoder (item order, blocks, end filler, wlan_extra rewrite) and the merge into
// the stored payload.
#include "EnvironmentSupport.h"

#include "netmgmt/ItemTable.h"
#include "netmgmt/PayloadMerge.h"
#include "netmgmt/RecordEncoder.h"
#include "netmgmt/WpaPsk.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

std::vector<ItemKey> keys(std::initializer_list<ItemKey> list)
{
    return list;
}

ModuleRecord wlanRecord()
{
    ModuleRecord r{};
    r.product_id = 21;
    setBlockFlags(r);
    r.channel[0].present = 1;
    std::memcpy(r.ssid.data(), "ThisIsASSID", 11);
    std::memcpy(r.wpa_passphrase.data(), "ThisIsAPassword", 15);
    return r;
}

// The data of the first item type/index in `payload`.
std::vector<std::uint8_t> itemData(std::span<const std::uint8_t> payload, int type, int index)
{
    for (std::size_t offset = 0; offset < payload.size();) {
        const ItemFrame frame = frameItemAt(payload, offset);
        if (frame.status != ItemFrame::Status::Ok)
            break;
        if (frame.type == type && frame.index == index) {
            const auto body = itemBody(payload, offset, frame);
            return {body.begin(), body.end()};
        }
        offset += frame.length;
    }
    return {};
}

} // namespace

TEST(RecordEncoder, WlanProductInItemOrder)
{
    ModuleRecord r = wlanRecord();
    const auto payload = encodeRecord(r);
    EXPECT_EQ(itemKeysOf(payload),
              keys({{2, 1},  {2, 0},    {3, 0}, {3, 1}, {3, 2},  {3, 3},  {16, 0},
                    {32, 0}, {35, 0},   {5, 0}, {7, 0}, {33, 0}, {34, 0}, {8, 0},
                    {8, 1},  {35, 128}, {6, 0}, {6, 1}, {39, 0}, {40, 0}, {9, 0},
                    {9, 1},  {9, 2},    {9, 3}, {9, 4}, {9, 5},  {9, 6},  {9, 7}}));
    // The pre-shared key is derived from the pass phrase and SSID before it is sent.
    std::array<std::uint8_t, 32> psk{};
    derivePreSharedKey(psk, r.wpa_passphrase, r.ssid);
    EXPECT_EQ(r.wpa_psk, psk);
    auto sent = itemData(payload, 9, 5);
    sent.resize(psk.size()); // without the fill bytes
    EXPECT_EQ(sent, std::vector<std::uint8_t>(psk.begin(), psk.end()));
}

TEST(RecordEncoder, WlanSecondProductReadBeforeAnIoFirstOneKeepsItsWlanBlock)
{
    ModuleRecord r{};
    ASSERT_TRUE(decodePayload(payloadOf({{2, 1, {39, 0}}, {2, 0, {16, 0}}}), r));
    std::memcpy(r.ssid.data(), "lab", 3); // edited on the form
    const auto ssid = itemData(encodeRecord(r), 9, 1);
    ASSERT_GE(ssid.size(), 4u);
    EXPECT_EQ(std::string(ssid.begin(), ssid.begin() + 4), std::string("lab\0", 4));
}

TEST(RecordEncoder, IoProductSendsChannelTwoTextAndIoTextBothAs35_2)
{
    ModuleRecord r{};
    r.product_id = 34; // four inputs and outputs
    setBlockFlags(r);
    r.channel[2].present = 1;
    r.channel[2].peer_domain_name[0] = 'c';
    r.io_text[0] = 'i';
    r.option_flags = 4u << 21; // no option text
    const auto payload = encodeRecordItems(r);
    EXPECT_EQ(itemKeysOf(payload),
              keys({{2, 1},  {2, 0},  {3, 0},  {3, 1},  {3, 2},  {3, 3},  {16, 2}, {32, 2}, {35, 2},
                    {5, 0},  {7, 0},  {33, 0}, {34, 0}, {8, 0},  {8, 1},  {6, 0},  {6, 1},  {64, 0},
                    {36, 0}, {36, 1}, {36, 2}, {36, 3}, {37, 0}, {35, 2}, {7, 1},  {7, 2},  {7, 3},
                    {7, 4},  {7, 9},  {7, 10}, {7, 11}, {7, 12}, {39, 0}, {40, 0}}));

    // Merged into a stored payload, the later 35/2 (io_text) is what the stored item holds.
    const auto stored = payloadOf({{35, 2, pattern(64)}, {10, 0, pattern(1000)}});
    ASSERT_LT(payload.size(), stored.size());
    const auto merged = mergeIntoStoredPayload(payload, stored);
    std::vector<std::uint8_t> ioText(66, 0);
    ioText[0] = 'i';
    EXPECT_EQ(itemKeysOf(merged), keys({{35, 2}, {10, 0}}));
    EXPECT_EQ(itemData(merged, 35, 2), ioText);
}

TEST(RecordEncoder, EndFillerWhenTheLengthIsAMultipleOf256)
{
    // 41 block, WLAN block, one channel and the option text: 1024 bytes of items.
    ModuleRecord r{};
    r.product_id = 48;
    r.product_id_2 = 39;
    setBlockFlags(r);
    r.channel[0].present = 1;
    const auto payload = encodeRecordItems(r);
    ASSERT_EQ(payload.size(), 1024u + 8u);
    EXPECT_EQ(itemKeysOf(payload).back(), ItemKey(0, 0));
    EXPECT_EQ(std::vector<std::uint8_t>(payload.end() - 8, payload.end() - 2),
              (std::vector<std::uint8_t>{0, 0, 8, 0, 0, 0}));
    // Sent without merging (the stored payload is shorter), the filler travels along.
    EXPECT_EQ(mergeIntoStoredPayload(payload, payloadOf({{5, 0, {0, 0, 0, 0}}})).size(), 1032u);

    r.channel[0].present = 0; // 904 bytes: no filler
    EXPECT_NE(itemKeysOf(encodeRecordItems(r)).back(), ItemKey(0, 0));
}

TEST(RecordEncoder, OptionTextFollowsItsSelector)
{
    const std::pair<unsigned, int> cases[] = {{0, 128}, {1, 128}, {2, 129}, {3, 129},
                                              {4, -1},  {5, -1},  {7, -1}};
    for (const auto& [selector, index] : cases) {
        ModuleRecord r{};
        r.option_flags = selector << 21;
        const auto payload = encodeRecordItems(r);
        const auto all = itemKeysOf(payload);
        const bool has128 = std::find(all.begin(), all.end(), ItemKey(35, 128)) != all.end();
        const bool has129 = std::find(all.begin(), all.end(), ItemKey(35, 129)) != all.end();
        EXPECT_EQ(has128, index == 128) << selector;
        EXPECT_EQ(has129, index == 129) << selector;
        EXPECT_EQ(payload.size(), index < 0 ? 356u : 428u) << selector; // no gap
    }
}

TEST(RecordEncoder, WlanExtraRewrittenFromItsSelector)
{
    struct Case
    {
        unsigned selector;
        const char* extra; // 15 bytes, '.' standing for zero
        unsigned selectorAfter;
    };
    const Case cases[] = {
        {0, "...............", 0},
        {1, "88888888888888.", 1},
        {2,
         "\x1c"
         "88888888\x1c\x1c\x1c\x1c\x1c.",
         2},
        {3, "888888888888...", 3},
        {4, "888888888888888", 4},
        {5, "...............", 0},
        {6, "...............", 0},
        {7, "xxxxxxxxxxxxxxx", 7},
    };
    for (const Case& c : cases) {
        ModuleRecord r = wlanRecord();
        r.wlan_word = c.selector << 21 | 0x31;
        r.wlan_extra.fill('x');
        prepareRecordForWrite(r);
        std::string extra;
        for (std::size_t i = 0; i < 15; ++i)
            extra.push_back(r.wlan_extra[i] == 0 ? '.' : static_cast<char>(r.wlan_extra[i]));
        EXPECT_EQ(extra, c.extra) << c.selector;
        EXPECT_EQ(r.wlan_extra[15], 'x') << c.selector;
        EXPECT_EQ(r.wlan_word, (c.selectorAfter << 21 | 0x31)) << c.selector;
    }
}

TEST(RecordEncoder, SharedChannelParametersClearChannelOne)
{
    ModuleRecord r{};
    r.product_id = 18;
    r.channel[0].channel_params = {1, 2, 3, 4, 1, 2, 3, 4};
    r.channel[1].channel_params = {9, 9, 9, 9, 9, 9, 9, 9};
    ModuleRecord unequal = r;
    unequal.channel[0].channel_params[7] = 5;
    prepareRecordForWrite(r);
    prepareRecordForWrite(unequal);
    EXPECT_EQ(r.channel[1].channel_params, (std::array<std::uint8_t, 8>{9, 9, 9, 9, 0, 0, 0, 0}));
    EXPECT_EQ(unequal.channel[1].channel_params[4], 9);
}

TEST(PayloadMerge, UnknownItemsTravelBackAndLengthChangesShiftTheRest)
{
    const auto stored = payloadOf({{2, 0, {21, 0}},
                                   {10, 0, pattern(80)},
                                   {7, 0, pattern(12)}, // the module reported a shorter text
                                   {11, 3, pattern(5)},
                                   {5, 0, {0, 0, 0, 0}}});
    const auto encoded = payloadOf({{5, 0, {8, 0, 0, 0}},
                                    {7, 0, std::vector<std::uint8_t>(64, 'u')},
                                    {99, 0, pattern(4)}}); // no partner: dropped
    ASSERT_LT(encoded.size(), stored.size());
    const auto merged = mergeIntoStoredPayload(encoded, stored);
    EXPECT_EQ(itemKeysOf(merged), keys({{2, 0}, {10, 0}, {7, 0}, {11, 3}, {5, 0}}));
    EXPECT_EQ(itemData(merged, 10, 0), itemData(stored, 10, 0));
    EXPECT_EQ(itemData(merged, 11, 3), itemData(stored, 11, 3));
    EXPECT_EQ(itemData(merged, 7, 0).size(), 66u);
    EXPECT_EQ(itemData(merged, 5, 0), (std::vector<std::uint8_t>{8, 0, 0, 0, 0, 0}));
    EXPECT_EQ(merged.size(), stored.size() - itemTotalLength(12) + itemTotalLength(64));
    ModuleRecord record{};
    EXPECT_TRUE(decodePayload(merged, record)); // every item still checks

    // An encoded payload as long as the stored one goes out unchanged.
    EXPECT_EQ(mergeIntoStoredPayload(stored, encoded), stored);
}
