// The value forms of the settings document's JSON: dotted IPv4 addresses, hexadecimal byte
// runs, whole numbers in a range, and module texts, which are JSON strings when their bytes are
// UTF-8 and {"hex": "..."} objects otherwise, so that any bytes survive a round trip.
#pragma once

#include <QJsonValue>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarlink::settings {

QString ipv4Text(std::uint32_t address);
// "a.b.c.d", each part 0-255 in decimal digits; first octet in the most significant byte.
std::optional<std::uint32_t> parseIpv4(const QString& text);

// A MAC address as upper-case digit pairs joined by colons: "00:30:F9:00:00:01", the one form
// every document, result and message shows.
QString macAddressText(std::span<const std::uint8_t> bytes);
// Six hexadecimal pairs in either case, joined by colons or by dashes, one separator throughout:
// "00:30:f9:00:00:01", "00-30-F9-00-00-01". The one parser of every MAC address given.
std::optional<std::array<std::uint8_t, 6>> parseMacAddress(const QString& text);

// Lower-case digit pairs, no separators.
QString hexText(std::span<const std::uint8_t> bytes);
// Digit pairs in either case, nothing else.
std::optional<std::vector<std::uint8_t>> parseHexText(const QString& text);

// A JSON number that is a whole number from `min` to `max`.
std::optional<long long> wholeNumber(const QJsonValue& value, long long min, long long max);

// The module's text bytes as a JSON value.
QJsonValue textValue(const std::string& bytes);
// The bytes of a text value; nothing, with the reason in `error`, for any other value.
std::optional<std::string> textBytes(const QJsonValue& value, std::string& error);

} // namespace quarlink::settings
