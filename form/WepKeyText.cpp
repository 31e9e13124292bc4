// Conversions between WEP key bytes and key field texts.
#include "form/WepKeyText.h"

#include <algorithm>

namespace quarlink::form {

namespace {

std::optional<std::uint8_t> hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return static_cast<std::uint8_t>(u - u'0');
    if (u >= u'a' && u <= u'f')
        return static_cast<std::uint8_t>(u - u'a' + 10);
    if (u >= u'A' && u <= u'F')
        return static_cast<std::uint8_t>(u - u'A' + 10);
    return std::nullopt;
}

// The number of text units that fill at most `keyLength` bytes, `unitsPerByte` each.
std::size_t bytesToStore(qsizetype textLength, std::size_t unitsPerByte, std::size_t keyLength)
{
    return std::min(static_cast<std::size_t>(textLength) / unitsPerByte, keyLength);
}

} // namespace

std::optional<std::uint8_t> HexPairToByte(QChar hi, QChar lo)
{
    const auto high = hexDigitValue(hi);
    const auto low = hexDigitValue(lo);
    if (!high || !low)
        return std::nullopt;
    return static_cast<std::uint8_t>(*high * 16 + *low);
}

QString keyToHexText(std::span<const std::uint8_t> key)
{
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    QString text;
    text.reserve(static_cast<qsizetype>(key.size() * 2));
    for (std::uint8_t byte : key) {
        text += QChar(kDigits[byte >> 4]);
        text += QChar(kDigits[byte & 0x0F]);
    }
    return text;
}

QString keyToAsciiText(std::span<const std::uint8_t> key)
{
    QString text;
    for (std::uint8_t byte : key) {
        if (byte == 0)
            break;
        text += QChar(byte);
    }
    return text;
}

QString keyToTextWithoutZeros(std::span<const std::uint8_t> key)
{
    QString text;
    for (std::uint8_t byte : key)
        if (byte != 0)
            text += QChar(byte);
    return text;
}

bool asciiTextShowsKey(const QString& text, std::span<const std::uint8_t> key)
{
    return text == keyToAsciiText(key) || text == keyToTextWithoutZeros(key);
}

bool hexTextToKey(const QString& text, std::span<std::uint8_t> key)
{
    std::fill(key.begin(), key.end(), std::uint8_t{0});
    const std::size_t count = bytesToStore(text.size(), 2, key.size());
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = static_cast<qsizetype>(2 * i);
        const auto byte = HexPairToByte(text[at], text[at + 1]);
        if (!byte)
            return false;
        key[i] = *byte;
    }
    return true;
}

bool asciiTextToKey(const QString& text, std::span<std::uint8_t> key)
{
    std::fill(key.begin(), key.end(), std::uint8_t{0});
    const std::size_t count = bytesToStore(text.size(), 1, key.size());
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t u = text[static_cast<qsizetype>(i)].unicode();
        if (u > 0xFF)
            return false;
        key[i] = static_cast<std::uint8_t>(u);
    }
    return true;
}

} // namespace quarlink::form
