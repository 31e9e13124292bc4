// Byte runs as hexadecimal text and back.
#include "sim/HexBytes.h"

#include "netmgmt/HexDigit.h"

namespace quarlink::sim {

namespace {

std::string toHex(std::span<const std::uint8_t> bytes, const char* digits, bool spaced)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (spaced && !text.empty())
            text.push_back(' ');
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

} // namespace

std::string toSpacedHex(std::span<const std::uint8_t> bytes)
{
    return toHex(bytes, "0123456789ABCDEF", true);
}

std::string toCompactHex(std::span<const std::uint8_t> bytes)
{
    return toHex(bytes, "0123456789abcdef", false);
}

std::optional<Bytes> parseHex(std::string_view text)
{
    Bytes bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ':') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return std::nullopt;
        const auto high = netmgmt::hexDigitValue(text[i]);
        const auto low = netmgmt::hexDigitValue(text[i + 1]);
        if (!high || !low)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*high * 16 + *low));
        i += 2;
    }
    return bytes;
}

std::optional<std::uint8_t> parseHexByte(std::string_view text)
{
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        const auto digit = netmgmt::hexDigitValue(c);
        if (!digit)
            return std::nullopt;
        value = value * 16 + *digit;
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace quarlink::sim
