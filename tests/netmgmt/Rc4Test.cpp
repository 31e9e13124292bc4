// RC4: the key stream of RFC 6229 for the 16-byte key 01 02 .. 10, agreement with OpenSSL's
// RC4 for keys of every length up to past 256 bytes, and the refusal of an empty key.
#include "netmgmt/Rc4.h"

#include "TestBytes.h"

#define OPENSSL_SUPPRESS_DEPRECATED // the low-level RC4 interface serves as the oracle
#include <openssl/rc4.h>

#include <gtest/gtest.h>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

struct KeyStreamAt
{
    std::size_t offset;
    const char* hex;
};

// RFC 6229, key 0x0102030405060708090a0b0c0d0e0f10.
constexpr KeyStreamAt kRfc6229Key16[] = {
    {0, "9ac7cc9a609d1ef7b2932899cde41b97"},    {16, "5248c4959014126a6e8a84f11d1a9e1c"},
    {240, "065902e4b620f6cc36c8589f66432f2b"},  {256, "d39d566bc6bce3010768151549f3873f"},
    {496, "b6d1e6c4a5e4771cad79538df295fb11"},  {512, "c68c1d5c559a974123df1dbc52a43b89"},
    {752, "c5ecf88de897fd57fed301701b82a259"},  {768, "eccbe13de1fcc91c11a0b26c0bc8fa4d"},
    {1008, "e7a72574f8782ae26aabcf9ebcd66065"}, {1024, "bdf0324e6083dcc6d3cedd3ca8c53c16"},
    {1520, "b40110c4190b5622a96116b0017ed297"}, {1536, "ffa0b514647ec04f6306b892ae661181"},
    {2032, "d03d1bc03cd33d70dff9fa5d71963ebd"}, {2048, "8a44126411eaa78bd51e8d87a8879bf5"},
    {3056, "fabeb76028ade2d0e48722e46c4615a3"}, {3072, "c05d88abd50357f935a63c59ee537623"},
    {4080, "ff38265c1642c1abe8d3c2fe5e572bf8"}, {4096, "a36a4c301ae8ac13610ccbc12256cacc"},
};

std::vector<std::uint8_t> openSslRc4(std::span<const std::uint8_t> key,
                                     std::span<const std::uint8_t> data)
{
    RC4_KEY state;
    RC4_set_key(&state, static_cast<int>(key.size()), key.data());
    std::vector<std::uint8_t> out(data.size());
    RC4(&state, data.size(), data.data(), out.data());
    return out;
}

} // namespace

TEST(Rc4, KeyStreamOfRfc6229)
{
    const auto key = fromHex("0102030405060708090a0b0c0d0e0f10");
    std::vector<std::uint8_t> stream(4096 + 16, 0); // enciphering zeros yields the key stream
    ASSERT_TRUE(rc4Apply(key, stream));
    for (const auto& [offset, hex] : kRfc6229Key16) {
        const std::vector<std::uint8_t> expected = fromHex(hex);
        EXPECT_EQ(toVector(std::span(stream).subspan(offset, 16)), expected) << "offset " << offset;
    }
}

TEST(Rc4, AgreesWithOpenSslForEveryKeyLength)
{
    std::mt19937 random(6229);
    for (std::size_t keyLength = 1; keyLength <= 300; ++keyLength) {
        const auto key = randomBytes(random, keyLength);
        const auto plain = randomBytes(random, randomSize(random, 0, 100));
        auto data = plain;
        ASSERT_TRUE(rc4Apply(key, data));
        ASSERT_EQ(data, openSslRc4(key, plain)) << "key length " << keyLength;
        ASSERT_TRUE(rc4Apply(key, data)); // fresh state per call: applying again deciphers
        ASSERT_EQ(data, plain) << "key length " << keyLength;
    }
}

TEST(Rc4, EmptyKeyLeavesDataUnchanged)
{
    auto data = toVector(bytesOf("payload"));
    EXPECT_FALSE(rc4Apply({}, data));
    EXPECT_EQ(data, toVector(bytesOf("payload")));
}
