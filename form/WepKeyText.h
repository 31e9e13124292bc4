// WEP key bytes and the texts the key fields show and take, in both directions and in both
// formats (Hex and ASCII). Pure conversions without widgets, shared by the form's key editing
// and by whatever builds or shows key tables.
#pragma once

#include <QChar>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quarlink::form {

inline constexpr std::size_t kWepKeyCount = 4;
inline constexpr std::size_t kWep64KeyLength = 5;   // bytes of one 64-bit key
inline constexpr std::size_t kWep128KeyLength = 13; // bytes of one 128-bit key

// The entries of a key's format list, by index.
enum class WepKeyFormat
{
    Hex = 0,
    Ascii = 1
};

// One byte from two hexadecimal digits ('0'-'9', 'a'-'f', 'A'-'F'), `hi` first; nothing when
// either character is no hexadecimal digit.
std::optional<std::uint8_t> HexPairToByte(QChar hi, QChar lo);

// Every byte as two lower-case hexadecimal digits, in order, without separator.
QString keyToHexText(std::span<const std::uint8_t> key);

// The bytes as characters (Latin-1), in order, ending before the first zero byte.
QString keyToAsciiText(std::span<const std::uint8_t> key);

// The non-zero bytes as characters (Latin-1), in order: zero bytes are left out.
QString keyToTextWithoutZeros(std::span<const std::uint8_t> key);

// Whether `text` is what the form shows for `key` in ASCII, by either of the two conversions
// above. Taking such a text back would drop the zero bytes that it cannot show.
bool asciiTextShowsKey(const QString& text, std::span<const std::uint8_t> key);

// Key text to key bytes. Both clear the whole key first, then store byte after byte from the
// start of the text; text beyond the key's length is ignored. At the first character they
// cannot take they stop and return false: the bytes before it stay, the rest stay zero.

// Hex: each pair of digits gives one byte, first pair first; a last odd digit is ignored.
bool hexTextToKey(const QString& text, std::span<std::uint8_t> key);

// ASCII: each character gives its code as one byte. A character outside Latin-1 has no
// one-byte code and stops the conversion.
bool asciiTextToKey(const QString& text, std::span<std::uint8_t> key);

} // namespace quarlink::form
