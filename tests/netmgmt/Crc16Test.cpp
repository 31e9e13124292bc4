// Check value: published CRC-16/AUG-CCITT values, and the table-driven form against the
// augmented bit-by-bit definition (preset 0xFFFF, message bits, then 16 zero bits).
#include "netmgmt/Crc16.h"

#include "TestBytes.h"

#include <gtest/gtest.h>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

std::uint16_t augmentedBitwiseCrc(std::span<const std::uint8_t> data)
{
    unsigned reg = 0xFFFF;
    auto shiftIn = [&reg](unsigned bit) {
        const bool top = (reg & 0x8000u) != 0;
        reg = ((reg << 1) | bit) & 0xFFFFu;
        if (top) {
            reg ^= 0x1021u;
        }
    };
    for (std::uint8_t byte : data) {
        for (int i = 7; i >= 0; --i) {
            shiftIn((byte >> i) & 1u);
        }
    }
    for (int i = 0; i < 16; ++i) {
        shiftIn(0);
    }
    return static_cast<std::uint16_t>(reg);
}

} // namespace

TEST(Crc16, PublishedValues)
{
    EXPECT_EQ(crc16(bytesOf("123456789")), 0xE5CC);
    EXPECT_EQ(crc16(bytesOf("abc")), 0x8CDA);
    EXPECT_EQ(crc16({}), 0x1D0F);
}

TEST(Crc16, EqualsAugmentedDefinitionOnRandomData)
{
    std::mt19937 random(1021);
    for (std::size_t length = 0; length < 200; ++length) {
        const auto data = randomBytes(random, length);
        ASSERT_EQ(crc16(data), augmentedBitwiseCrc(data)) << "length " << length;
    }
}
