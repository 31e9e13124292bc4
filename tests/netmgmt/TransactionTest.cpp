// Accept-answer: which datagrams enter the answer table and the raw payload store, and what
// the decoded record takes from the header and the sender.
#include "EnvironmentSupport.h"

#include "netmgmt/Sealing.h"
#include "netmgmt/Transaction.h"

#include <gtest/gtest.h>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

const MacAddress kMacA{0x00, 0x11, 0x22, 0x33, 0x44, 0x0A};
const MacAddress kMacB{0x00, 0x11, 0x22, 0x33, 0x44, 0x0B};
const Ipv4Bytes kSenderA{127, 0, 0, 10};
const Ipv4Bytes kSenderB{127, 0, 0, 11};

struct Answer
{
    std::uint8_t operation = OpSearch;
    std::uint8_t flags = kFlagAnswer | kFlagAlwaysSet;
    MacAddress mac = kMacA;
    std::vector<std::uint8_t> payload = {};
    std::uint8_t status = 0;
};

std::vector<std::uint8_t> datagramOf(const Answer& a)
{
    ManagementHeader h;
    h.flags = a.flags;
    h.operation = a.operation;
    h.status = a.status;
    h.mac = a.mac;
    h.fwMajor = 1;
    h.fwMinor = 2;
    h.fwRevision = 4;
    return sealDatagram(h, a.payload, kManagementKey);
}

std::vector<std::uint8_t> productPayload(std::uint8_t product)
{
    return payloadOf({{2, 0, {product, 0}}, {3, 0, {192, 168, 1, 20}}});
}

} // namespace

TEST(AcceptAnswer, SearchKeepsTheFirstAnswerOfEachModule)
{
    Transaction t(OpSearch, 0, kManagementKey);
    RawPayloadStore store;
    t.acceptAnswer(kSenderA, datagramOf({.payload = productPayload(16)}), store);
    t.acceptAnswer(kSenderA, datagramOf({.payload = productPayload(21)}), store); // same MAC
    t.acceptAnswer(kSenderB, datagramOf({.mac = kMacB, .payload = productPayload(3)}), store);

    ASSERT_EQ(t.answerCount(), 2u);
    const ModuleRecord& a = t.answers()[0].record;
    EXPECT_EQ(a.product_id, 16);
    EXPECT_EQ(a.mac_address, kMacA);
    EXPECT_EQ(a.module_ip, kSenderA);
    EXPECT_EQ(a.fw_major, 1);
    EXPECT_EQ(a.fw_version, 2 * 256 + 4);
    EXPECT_EQ(a.io_port_word, 80); // firmware adjustment of the I/O product
    EXPECT_EQ(t.answers()[1].record.module_ip, kSenderB);
    EXPECT_EQ(store.count(PayloadList::Local), 2u);
    EXPECT_EQ(store.count(PayloadList::Remote), 0u);
    const auto stored = store.find(PayloadList::Local, kMacA);
    ASSERT_TRUE(stored);
    const auto first = productPayload(16);
    EXPECT_EQ(std::vector<std::uint8_t>(stored->begin(), stored->end()), first);
}

TEST(AcceptAnswer, DatagramsThatAreNotAcceptableAnswersAreDropped)
{
    auto pastTheEnd = productPayload(21);
    pastTheEnd[8 + 2] = 0x40; // the second item's length runs past the payload
    auto badMagic = datagramOf({.payload = productPayload(21)});
    badMagic[3] = 0x02;
    auto headerCutShort = datagramOf({});
    headerCutShort.resize(kHeaderSize - 1);
    auto badCheck = productPayload(21);
    badCheck.back() ^= 0xFF;
    const std::vector<std::uint8_t> cases[] = {
        datagramOf({.payload = pastTheEnd}),
        datagramOf({.payload = badCheck}),
        badMagic,
        datagramOf({.flags = kFlagAlwaysSet, .payload = productPayload(21)}), // no answer bit
        headerCutShort,
        {},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        DebugCapture quiet;
        Transaction t(OpSearch, 0, kManagementKey);
        RawPayloadStore store;
        t.acceptAnswer(kSenderA, cases[i], store);
        EXPECT_EQ(t.answerCount(), 0u) << "case " << i;
        EXPECT_EQ(store.count(PayloadList::Local), 0u) << "case " << i;
    }
}

TEST(AcceptAnswer, HeaderOnlyAnswerCarriesMacSenderAndFirmware)
{
    Transaction t(OpSearch, 0, kManagementKey);
    RawPayloadStore store;
    t.acceptAnswer(kSenderA, datagramOf({.flags = kFlagAnswer | kFlagRemote}), store);
    ASSERT_EQ(t.answerCount(), 1u);
    ModuleRecord expected{};
    expected.mac_address = kMacA;
    expected.module_ip = kSenderA;
    expected.fw_major = 1;
    expected.fw_version = 2 * 256 + 4;
    EXPECT_EQ(t.answers()[0].record, expected);
    EXPECT_EQ(store.count(PayloadList::Remote), 1u); // the Remote flag picks the list
}

TEST(AcceptAnswer, ReadTakesOnlyTheAddressedModule)
{
    Transaction local(OpRead, 0, kManagementKey);
    local.request().mac = kMacA;
    RawPayloadStore store;
    local.acceptAnswer(kSenderB, datagramOf({.operation = OpRead, .mac = kMacB}), store);
    local.acceptAnswer(
        kSenderB,
        datagramOf({.operation = OpRead, .flags = kFlagAnswer | kFlagRemote, .mac = kMacB}), store);
    EXPECT_EQ(local.answerCount(), 0u);
    local.acceptAnswer(kSenderA, datagramOf({.operation = OpRead, .payload = productPayload(21)}),
                       store);
    ASSERT_EQ(local.answerCount(), 1u);
    EXPECT_EQ(local.answers()[0].record.product_id, 21);
    EXPECT_TRUE(store.find(PayloadList::Local, kMacA));

    // Remote: matched by the sender's address when the answer carries the Remote flag.
    Transaction remote(OpRead, kFlagRemote, kManagementKey);
    remote.requestRecord().module_ip = kSenderB;
    remote.acceptAnswer(kSenderB, datagramOf({.operation = OpRead, .mac = kMacB}), store);
    EXPECT_EQ(remote.answerCount(), 0u); // Local flag: not matched by sender
    remote.acceptAnswer(kSenderB,
                        datagramOf({.operation = OpRead,
                                    .flags = kFlagAnswer | kFlagRemote,
                                    .mac = kMacB,
                                    .payload = productPayload(3)}),
                        store);
    ASSERT_EQ(remote.answerCount(), 1u);
    EXPECT_EQ(remote.answers()[0].record.mac_address, kMacB);
    EXPECT_TRUE(store.find(PayloadList::Remote, kMacB));
}

TEST(AcceptAnswer, WriteTakesOnlyWriteAnswersAndTheLastAnswerWins)
{
    Transaction t(OpWrite, 0, kManagementKey);
    t.request().mac = kMacA;
    RawPayloadStore store;
    // A late copy of an earlier search's or read's answer is not the write's answer.
    for (const std::uint8_t earlier : {std::uint8_t{OpSearch}, std::uint8_t{OpRead}})
        t.acceptAnswer(kSenderA, datagramOf({.operation = earlier, .payload = productPayload(3)}),
                       store);
    EXPECT_EQ(t.answerCount(), 0u);
    t.acceptAnswer(kSenderA, datagramOf({.operation = OpWrite, .payload = productPayload(3)}),
                   store);
    EXPECT_EQ(t.answerCount(), 1u);
    t.acceptAnswer(kSenderA,
                   datagramOf({.operation = OpWrite, .payload = productPayload(21), .status = 2}),
                   store);
    ASSERT_EQ(t.answerCount(), 1u);
    EXPECT_EQ(decodeHeader(t.answers()[0].header).status, 2);
    EXPECT_EQ(t.answers()[0].record.product_id, 21);
    EXPECT_TRUE(store.find(PayloadList::Local, kMacA));
}

TEST(AcceptAnswer, AnswerTableHoldsAtMost256)
{
    Transaction t(OpSearch, 0, kManagementKey);
    RawPayloadStore store;
    for (int i = 0; i < 300; ++i) {
        MacAddress mac = kMacA;
        mac[4] = static_cast<std::uint8_t>(i >> 8);
        mac[5] = static_cast<std::uint8_t>(i);
        t.acceptAnswer(kSenderA, datagramOf({.mac = mac}), store);
    }
    EXPECT_EQ(t.answerCount(), 256u);
    EXPECT_EQ(store.count(PayloadList::Local), 256u);
}

TEST(RawPayloadStore, InsertReplaceFindClear)
{
    RawPayloadStore store;
    store.insertOrReplace(PayloadList::Local, kMacA, std::vector<std::uint8_t>{1, 2});
    store.insertOrReplace(PayloadList::Local, kMacB, std::vector<std::uint8_t>{3});
    store.insertOrReplace(PayloadList::Local, kMacA, std::vector<std::uint8_t>{4, 5, 6});
    EXPECT_EQ(store.count(PayloadList::Local), 2u);
    const auto a = store.find(PayloadList::Local, kMacA);
    ASSERT_TRUE(a);
    EXPECT_EQ(std::vector<std::uint8_t>(a->begin(), a->end()),
              (std::vector<std::uint8_t>{4, 5, 6}));
    EXPECT_FALSE(store.find(PayloadList::Remote, kMacA));
    store.clear(PayloadList::Local);
    EXPECT_FALSE(store.find(PayloadList::Local, kMacB));
}
