// Item framing and the management header: sizes with their fill, example bytes, the framing
// of received items, and the header codec.
#include "EnvironmentSupport.h"
#include "TestBytes.h"

#include "netmgmt/Crc16.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/Sealing.h"

#include <gtest/gtest.h>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

TEST(EnvironmentItems, TotalLengthIsAlwaysAMultipleOfFour)
{
    const std::pair<std::size_t, std::size_t> cases[] = {{0, 8},  {1, 8},   {2, 8},   {3, 12},
                                                         {4, 12}, {10, 16}, {64, 72}, {52, 60}};
    for (const auto& [data, total] : cases) {
        std::vector<std::uint8_t> out;
        EXPECT_EQ(encodeItem(out, 9, 0, std::vector<std::uint8_t>(data, 0xAA)), total) << data;
        EXPECT_EQ(out.size(), total);
        EXPECT_EQ(out[2] | out[3] << 8, static_cast<int>(total));
        EXPECT_TRUE(checkItem(out, total - 2));
    }
}

TEST(EnvironmentItems, ExampleBytes)
{
    std::vector<std::uint8_t> out;
    encodeItem(out, 3, 1, fromHex("ffffff00"));
    // head 03 01 0C 00, data, two zero fill bytes, check value little-endian
    const auto covered = fromHex("03010c00ffffff000000");
    const std::uint16_t check = crc16(covered);
    auto expected = covered;
    expected.push_back(static_cast<std::uint8_t>(check & 0xFF));
    expected.push_back(static_cast<std::uint8_t>(check >> 8));
    EXPECT_EQ(out, expected);
}

TEST(EnvironmentItems, FramingOfReceivedItems)
{
    using S = ItemFrame::Status;
    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> payload;
        S status;
    };
    std::vector<std::uint8_t> huge(1420, 0);
    huge[2] = 0x8C; // 1420 = 0x058C: data and fill of 1414 bytes exceed the item buffer
    huge[3] = 0x05;
    const Case cases[] = {
        {"well framed", payloadOf({{5, 0, {1, 2, 3, 4}}}), S::Ok},
        {"head cut short", fromHex("0500"), S::RunsPast},
        {"length past the end", fromHex("05001000aabbccdd"), S::RunsPast},
        {"length zero", fromHex("05000000aabbccdd"), S::TooShort},
        {"length five", fromHex("05000500aabbccdd"), S::TooShort},
        {"data beyond the item buffer", huge, S::TooLong},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameItemAt(c.payload, 0).status, c.status) << c.name;
}

TEST(ManagementHeader, RequestBytesAndAnswerFields)
{
    const MacAddress mac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    const HeaderBytes request = encodeHeader(requestHeader(OpRead, kFlagRemote, mac));
    EXPECT_EQ(toVector(request),
              fromHex("2a764e01100302000000001122334455" + std::string(32, '0')));

    auto answer = fromHex("2a764e0100824303341200112233445500010203" + std::string(24, '0'));
    const ManagementHeader fields = decodeHeader(answer);
    EXPECT_EQ(fields.magic, kManagementMagic);
    EXPECT_TRUE(fields.isAnswer());
    EXPECT_TRUE(fields.isRemote());
    EXPECT_EQ(fields.operation, 0x43);
    EXPECT_EQ(fields.status, 3);
    EXPECT_EQ(fields.checkValue, 0x1234);
    EXPECT_EQ(fields.mac, mac);
    EXPECT_EQ(fields.fwMajor, 1);
    EXPECT_EQ(fields.fwMinor, 2);
    EXPECT_EQ(fields.fwRevision, 3);
}

TEST(Sealing, CheckValueOfThePlainPayloadKeysTheCipher)
{
    const auto plain = payloadOf({{5, 0, {1, 2, 3, 4}}, {9, 1, pattern(32)}});
    const auto datagram = sealDatagram(requestHeader(OpWrite, 0), plain, kManagementKey);
    ASSERT_EQ(datagram.size(), plain.size() + kHeaderSize);
    const ManagementHeader header = decodeHeader(datagram);
    EXPECT_EQ(header.checkValue, crc16(plain));
    std::vector<std::uint8_t> payload(datagram.begin() + kHeaderSize, datagram.end());
    EXPECT_NE(payload, plain);
    openPayload(header.checkValue, payload, kManagementKey);
    EXPECT_EQ(payload, plain);

    EXPECT_EQ(decodeHeader(sealDatagram(requestHeader(OpSearch, 0), {}, kManagementKey)).checkValue,
              0);
}
