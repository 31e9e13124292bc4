// The per-datagram RC4 key: management key first, then the header's check-value bytes in
// header order.
#include "netmgmt/ManagementKey.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quarlink::netmgmt;

TEST(ManagementKey, DatagramKeyIsManagementKeyThenHeaderCheckBytes)
{
    const std::uint8_t headerBytes[2] = {0xCC, 0xE5}; // check value 0xE5CC, low byte first
    const auto key = buildDatagramKey(headerBytes);
    EXPECT_TRUE(std::equal(kManagementKey.begin(), kManagementKey.end(), key.begin()));
    EXPECT_EQ(key[14], 0xCC);
    EXPECT_EQ(key[15], 0xE5);
}
