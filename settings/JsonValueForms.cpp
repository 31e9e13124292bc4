#include "settings/JsonValueForms.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <cmath>

namespace quarlink::settings {

namespace {
const QString kHexKey = QStringLiteral("hex");
} // namespace

QString ipv4Text(std::uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::optional<std::uint32_t> parseIpv4(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    std::uint32_t address = 0;
    for (int part = 1; part <= 4; ++part) {
        const unsigned octet = match.captured(part).toUInt();
        if (octet > 255)
            return std::nullopt;
        address = (address << 8) | octet;
    }
    return address;
}

QString macAddressText(std::span<const std::uint8_t> bytes)
{
    QStringList pairs;
    for (std::uint8_t b : bytes)
        pairs << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return pairs.join(QLatin1Char(':'));
}

std::optional<std::array<std::uint8_t, 6>> parseMacAddress(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}([:-])[0-9A-Fa-f]{2}(\\1[0-9A-Fa-f]{2}){4}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    std::array<std::uint8_t, 6> mac{};
    for (std::size_t k = 0; k < mac.size(); ++k)
        mac[k] = static_cast<std::uint8_t>(
            text.mid(static_cast<qsizetype>(k) * 3, 2).toUInt(nullptr, 16));
    return mac;
}

QString hexText(std::span<const std::uint8_t> bytes)
{
    const QByteArray raw(reinterpret_cast<const char*>(bytes.data()),
                         static_cast<qsizetype>(bytes.size()));
    return QString::fromLatin1(raw.toHex());
}

std::optional<std::vector<std::uint8_t>> parseHexText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QByteArray raw = QByteArray::fromHex(text.toLatin1());
    return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

std::optional<long long> wholeNumber(const QJsonValue& value, long long min, long long max)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < static_cast<double>(min) ||
        number > static_cast<double>(max))
        return std::nullopt;
    return static_cast<long long>(number);
}

QJsonValue textValue(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text =
        decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!decoder.hasError())
        return text;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return QJsonObject{{kHexKey, hexText({data, bytes.size()})}};
}

std::optional<std::string> textBytes(const QJsonValue& value, std::string& error)
{
    if (value.isString())
        return value.toString().toStdString(); // UTF-8
    const QJsonObject object = value.toObject();
    if (value.isObject() && object.size() == 1 && object.value(kHexKey).isString()) {
        if (const auto bytes = parseHexText(object.value(kHexKey).toString()))
            return std::string(bytes->begin(), bytes->end());
        error = "expected pairs of hexadecimal digits under \"hex\"";
        return std::nullopt;
    }
    error = "expected a string or {\"hex\": \"...\"}";
    return std::nullopt;
}

} // namespace quarlink::settings
