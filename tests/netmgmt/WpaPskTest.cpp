// WPA pre-shared key: the IEEE 802.11i passphrase/SSID vectors, and the reading of the 32-byte
// fields (up to the first zero byte, all 32 bytes without one) checked against OpenSSL.
#include "netmgmt/WpaPsk.h"

#include "OpenSslOracle.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

using Field = std::array<std::uint8_t, kWpaFieldSize>;
using Key = std::array<std::uint8_t, kWpaPskSize>;

Field fieldOf(std::string_view text)
{
    Field field{};
    std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
    return field;
}

Key derive(const Field& passphrase, const Field& ssid)
{
    Key key{};
    derivePreSharedKey(key, passphrase, ssid);
    return key;
}

std::vector<std::uint8_t> oracle(std::span<const std::uint8_t> passphrase,
                                 std::span<const std::uint8_t> ssid)
{
    return openSslPbkdf2(passphrase, ssid, kWpaIterations, kWpaPskSize);
}

std::vector<std::uint8_t> toVector(const Key& key)
{
    return {key.begin(), key.end()};
}

} // namespace

TEST(WpaPsk, Ieee80211iVectors)
{
    struct Case
    {
        std::string passphrase;
        std::string ssid;
        const char* psk;
    };
    const Case cases[] = {
        {"password", "IEEE", "f42c6fc52df0ebef9ebb4b90b38a5f902e83fe1b135a70e23aed762e9710a12e"},
        {"ThisIsAPassword", "ThisIsASSID",
         "0dc0d6eb90555ed6419756b9a15ec3e3209b63df707dd508d14581f8982721af"},
        // Both fields full: all 32 bytes count, there is no terminating zero.
        {std::string(32, 'a'), std::string(32, 'Z'),
         "becb93866bb8c3832cb777c2f559807c8c59afcb6eae734885001300a981cc62"},
    };
    for (const Case& c : cases) {
        const auto expected = fromHex(c.psk);
        EXPECT_EQ(toVector(derive(fieldOf(c.passphrase), fieldOf(c.ssid))), expected) << c.psk;
        EXPECT_EQ(oracle(bytesOf(c.passphrase), bytesOf(c.ssid)), expected) << c.psk;
    }
}

TEST(WpaPsk, EmptyPassphraseOrSsidStillDerivesAKey)
{
    EXPECT_EQ(toVector(derive(Field{}, fieldOf("IEEE"))), oracle({}, bytesOf("IEEE")));
    EXPECT_EQ(toVector(derive(fieldOf("password"), Field{})), oracle(bytesOf("password"), {}));
}

TEST(WpaPsk, FieldsEndAtTheirFirstZeroByte)
{
    std::mt19937 random(80211);
    for (int i = 0; i < 4; ++i) {
        // Random texts of 0..32 non-zero bytes; a shorter one is followed by a zero and random
        // bytes (zeros among them) that must not count.
        Field passphrase{}, ssid{};
        std::size_t lengths[2]{};
        std::size_t which = 0;
        for (Field* field : {&passphrase, &ssid}) {
            auto bytes = randomBytes(random, kWpaFieldSize);
            const std::size_t length = randomSize(random, 0, kWpaFieldSize);
            std::replace(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length),
                         std::uint8_t{0}, std::uint8_t{1});
            if (length < kWpaFieldSize) {
                bytes[length] = 0;
            }
            std::copy(bytes.begin(), bytes.end(), field->begin());
            lengths[which++] = length;
        }
        EXPECT_EQ(
            toVector(derive(passphrase, ssid)),
            oracle(std::span(passphrase).first(lengths[0]), std::span(ssid).first(lengths[1])))
            << "case " << i;
    }
}

TEST(WpaPsk, OutputMayBeAnInputField)
{
    const Field passphrase = fieldOf("ThisIsAPassword");
    Field ssid = fieldOf("ThisIsASSID");
    derivePreSharedKey(ssid, passphrase, ssid);
    EXPECT_EQ(std::vector<std::uint8_t>(ssid.begin(), ssid.end()),
              fromHex("0dc0d6eb90555ed6419756b9a15ec3e3209b63df707dd508d14581f8982721af"));
}
