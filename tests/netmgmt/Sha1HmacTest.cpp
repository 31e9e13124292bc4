// SHA-1 and HMAC-SHA1: published vectors (FIPS 180 examples, RFC 2202), and agreement with
// OpenSSL for every message length across the padding boundaries, fed whole and in pieces.
#include "netmgmt/HmacSha1.h"
#include "netmgmt/Sha1.h"

#include "OpenSslOracle.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

std::vector<std::uint8_t> toVector(const Sha1Digest& digest)
{
    return {digest.begin(), digest.end()};
}

} // namespace

TEST(Sha1, PublishedDigests)
{
    EXPECT_EQ(toVector(sha1({})), fromHex("da39a3ee5e6b4b0d3255bfef95601890afd80709"));
    EXPECT_EQ(toVector(sha1(bytesOf("abc"))), fromHex("a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_EQ(toVector(sha1(bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
              fromHex("84983e441c3bd26ebaae4aa1f95129e5e54670f1"));

    Sha1 million;
    const std::string thousand(1000, 'a');
    for (int i = 0; i < 1000; ++i) {
        million.update(bytesOf(thousand));
    }
    EXPECT_EQ(toVector(million.finish()), fromHex("34aa973cd4c4daa4f61eeb2bdbad27316534016f"));
}

TEST(Sha1, AgreesWithOpenSslForEveryLengthUpTo300)
{
    std::mt19937 random(180);
    for (std::size_t length = 0; length <= 300; ++length) {
        const auto data = randomBytes(random, length);
        const Sha1Digest expected = openSslSha1(data);
        ASSERT_EQ(sha1(data), expected) << "length " << length;

        // The same message fed in random pieces.
        Sha1 pieces;
        std::span<const std::uint8_t> rest(data);
        while (!rest.empty()) {
            const std::size_t take = randomSize(random, 1, rest.size());
            pieces.update(rest.first(take));
            rest = rest.subspan(take);
        }
        ASSERT_EQ(pieces.finish(), expected) << "length " << length << " in pieces";
    }
}

TEST(Sha1, FinishStartsOver)
{
    Sha1 hash;
    hash.update(bytesOf("something else"));
    (void)hash.finish();
    hash.update(bytesOf("abc"));
    EXPECT_EQ(hash.finish(), sha1(bytesOf("abc")));
}

TEST(HmacSha1, Rfc2202Vectors)
{
    struct Case
    {
        std::vector<std::uint8_t> key;
        std::vector<std::uint8_t> message;
        const char* mac;
    };
    const Case cases[] = {
        {std::vector<std::uint8_t>(20, 0x0b), toVector(bytesOf("Hi There")),
         "b617318655057264e28bc0b6fb378c8ef146be00"},
        {toVector(bytesOf("Jefe")), toVector(bytesOf("what do ya want for nothing?")),
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::vector<std::uint8_t>(20, 0xaa), std::vector<std::uint8_t>(50, 0xdd),
         "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        // Keys longer than a block are hashed first.
        {std::vector<std::uint8_t>(80, 0xaa),
         toVector(bytesOf("Test Using Larger Than Block-Size Key - Hash Key First")),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::vector<std::uint8_t>(80, 0xaa),
         toVector(
             bytesOf("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toVector(hmacSha1(c.key, c.message)), fromHex(c.mac)) << c.mac;
    }
}

TEST(HmacSha1, AgreesWithOpenSslAroundTheBlockSize)
{
    std::mt19937 random(2104);
    for (std::size_t keyLength = 0; keyLength <= 130; ++keyLength) {
        const auto key = randomBytes(random, keyLength);
        const auto message = randomBytes(random, randomSize(random, 0, 150));
        ASSERT_EQ(hmacSha1(key, message), openSslHmacSha1(key, message))
            << "key length " << keyLength;
    }
}
