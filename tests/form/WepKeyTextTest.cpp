// The conversions between WEP key bytes and key texts, case by case from one table each.
#include "form/WepKeyText.h"

#include <gtest/gtest.h>

#include <vector>

namespace quarlink::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace quarlink::form;

TEST(WepKeyText, HexPairToByteTakesDigitsOfEitherCaseAndNothingElse)
{
    struct Case
    {
        char16_t hi, lo;
        std::optional<std::uint8_t> byte;
    };
    const Case cases[] = {
        {u'0', u'0', 0x00},
        {u'9', u'9', 0x99},
        {u'a', u'f', 0xAF},
        {u'A', u'F', 0xAF},
        {u'f', u'F', 0xFF},
        {u'1', u'b', 0x1B},
        {u'g', u'0', std::nullopt},
        {u'0', u'G', std::nullopt},
        {u' ', u'1', std::nullopt},
        {u'1', u'\0', std::nullopt},
        {u'/', u':', std::nullopt},
        {u'@', u'`', std::nullopt},
        {u'\uFF10', u'1', std::nullopt}, // a full-width digit is no hexadecimal digit
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexPairToByte(QChar(c.hi), QChar(c.lo)), c.byte)
            << QString(QChar(c.hi)).toStdString() << QString(QChar(c.lo)).toStdString();
}

TEST(WepKeyText, BytesToText)
{
    struct Case
    {
        Bytes key;
        QString hex, upToZero, withoutZeros;
    };
    const Case cases[] = {
        {{0x41, 0x42, 0x43, 0x44, 0x45}, "4142434445", "ABCDE", "ABCDE"},
        {{0x41, 0x00, 0x43, 0x44, 0x00}, "4100434400", "A", "ACD"},
        {{0x00, 0x00, 0x00, 0x00, 0x00}, "0000000000", "", ""},
        {{0x00, 0x7A, 0x00, 0x00, 0x00}, "007a000000", "", "z"},
        {{0xAB, 0xCD, 0xEF, 0x01, 0xE9},
         "abcdef01e9",
         "\u00AB\u00CD\u00EF\u0001\u00E9",
         "\u00AB\u00CD\u00EF\u0001\u00E9"},
        {{'k', '9', '!', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "6b3921" + QString(20, '0'), "k9!", "k9!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keyToHexText(c.key), c.hex);
        EXPECT_EQ(keyToAsciiText(c.key), c.upToZero) << c.hex.toStdString();
        EXPECT_EQ(keyToTextWithoutZeros(c.key), c.withoutZeros) << c.hex.toStdString();
        EXPECT_TRUE(asciiTextShowsKey(c.upToZero, c.key));
        EXPECT_TRUE(asciiTextShowsKey(c.withoutZeros, c.key));
    }
    EXPECT_FALSE(asciiTextShowsKey("AC", Bytes{0x41, 0x00, 0x43, 0x44, 0x00}));
}

TEST(WepKeyText, TextToKeyClearsFirstAndKeepsTheBytesBeforeAFailure)
{
    struct Case
    {
        WepKeyFormat format;
        QString text;
        bool ok;
        Bytes key; // its length is the key length
    };
    const Case cases[] = {
        {WepKeyFormat::Hex, "0aB1c2D3e4", true, {0x0A, 0xB1, 0xC2, 0xD3, 0xE4}},
        {WepKeyFormat::Hex, "abc", true, {0xAB, 0, 0, 0, 0}}, // odd digit
        {WepKeyFormat::Hex, "", true, {0, 0, 0, 0, 0}},
        {WepKeyFormat::Hex, "0102030405zz", true, {1, 2, 3, 4, 5}}, // beyond 2L
        {WepKeyFormat::Hex, "12x456", false, {0x12, 0, 0, 0, 0}},   // bad 2nd pair
        {WepKeyFormat::Hex, "1 ", false, {0, 0, 0, 0, 0}},
        {WepKeyFormat::Hex, "ffffffffz", true, {0xFF, 0xFF, 0xFF, 0xFF, 0}}, // z is odd
        {WepKeyFormat::Hex,
         "00112233445566778899aabbcc",
         true,
         {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC}},
        {WepKeyFormat::Ascii, "k9!", true, {'k', '9', '!', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {WepKeyFormat::Ascii, "abcdefg", true, {'a', 'b', 'c', 'd', 'e'}},     // beyond L
        {WepKeyFormat::Ascii, "\u00E9\u00FF", true, {0xE9, 0xFF, 0, 0, 0}},    // Latin-1
        {WepKeyFormat::Ascii, "a\u03A9b", false, {'a', 0, 0, 0, 0}},           // not Latin-1
        {WepKeyFormat::Ascii, "abcde\u03A9", true, {'a', 'b', 'c', 'd', 'e'}}, // beyond L
    };
    for (const Case& c : cases) {
        Bytes key(c.key.size(), 0x5A); // whatever the key held before
        const bool ok =
            c.format == WepKeyFormat::Hex ? hexTextToKey(c.text, key) : asciiTextToKey(c.text, key);
        EXPECT_EQ(ok, c.ok) << c.text.toStdString();
        EXPECT_EQ(key, c.key) << c.text.toStdString();
    }
}

} // namespace
} // namespace quarlink::testing
