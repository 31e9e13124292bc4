// The keys of the settings document: one table row per key with its reading from the document
// and its writing into it. Writing checks the value on its own; rules between keys are checked
// after all keys were applied.
#include "settings/SettingsJson.h"

#include "settings/JsonDuplicateKeys.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <array>

namespace quarlink::settings {

namespace {

using Doc = SettingsDocument;

// A named code of a module byte.
struct Name
{
    const char* text;
    std::uint8_t code;
};

constexpr std::array<Name, 2> kWlanModes{{{"ad-hoc", 0}, {"infrastructure", 1}}};
constexpr std::array<Name, 4> kAuthentications{
    {{"none", 0}, {"open", 1}, {"shared", 2}, {"mixed", 3}}};
constexpr std::array<Name, 2> kWpaModes{{{"wpa-psk", 2}, {"wpa2-psk", 4}}};
constexpr std::array<Name, 3> kCiphers{{{"none", 0}, {"tkip", 1}, {"aes", 2}}};
constexpr std::array<Name, 4> kMuxTypes{{{"T2S", 0}, {"ATC", 1}, {"COD", 2}, {"U2S", 3}}};
constexpr std::array<Name, 3> kSecurities{{{"none", static_cast<std::uint8_t>(Security::None)},
                                           {"wep", static_cast<std::uint8_t>(Security::Wep)},
                                           {"wpa", static_cast<std::uint8_t>(Security::Wpa)}}};

constexpr int kFirstChannel = 1;
constexpr int kLastChannel = 14;
constexpr std::size_t kPeerDomainNameMax = 63; // the item keeps a terminating zero
constexpr std::size_t kPassphraseMinForWpa = 8;

template <std::size_t N> QJsonValue nameOf(const std::array<Name, N>& names, std::uint8_t code)
{
    for (const Name& name : names)
        if (name.code == code)
            return QString::fromLatin1(name.text);
    return QJsonValue::Null; // a code the program has no name for
}

template <std::size_t N> std::string namesText(const std::array<Name, N>& names)
{
    std::string text;
    for (const Name& name : names)
        text += (text.empty() ? "\"" : ", \"") + std::string(name.text) + "\"";
    return "expected one of " + text;
}

// A named code: null leaves the module's code as it is.
template <std::size_t N>
std::string setNamed(const std::array<Name, N>& names, const QJsonValue& value, std::uint8_t& out)
{
    if (value.isNull())
        return {};
    for (const Name& name : names) {
        if (value.isString() && value.toString() == QLatin1String(name.text)) {
            out = name.code;
            return {};
        }
    }
    return namesText(names);
}

std::string setAddress(const QJsonValue& value, std::uint32_t& out)
{
    const auto address = value.isString() ? parseIpv4(value.toString()) : std::nullopt;
    if (!address)
        return "expected a dotted IPv4 address such as \"192.168.1.50\"";
    out = *address;
    return {};
}

std::string setFlag(const QJsonValue& value, std::uint8_t& out)
{
    if (!value.isBool())
        return "expected true or false";
    if (!value.toBool())
        out = 0;
    else if (out == 0)
        out = 1; // any other non-zero code the module holds means true as well and stays
    return {};
}

std::string setNumber16(const QJsonValue& value, std::uint16_t& out)
{
    const auto number = wholeNumber(value, 0, 0xFFFF);
    if (!number)
        return "expected a whole number from 0 to 65535";
    out = static_cast<std::uint16_t>(*number);
    return {};
}

std::string setText(const QJsonValue& value, std::size_t maxBytes, std::string& out)
{
    std::string error;
    const auto bytes = textBytes(value, error);
    if (!bytes)
        return error;
    if (bytes->size() > maxBytes)
        return "at most " + std::to_string(maxBytes) + " bytes, got " +
               std::to_string(bytes->size());
    if (bytes->find('\0') != std::string::npos)
        return "holds a zero byte, which would end the text";
    out = *bytes;
    return {};
}

std::size_t textItemLength(std::uint8_t code)
{
    return *serial::itemLength(code);
}

template <std::size_t N>
QJsonValue keyTable(const std::array<std::uint8_t, N>& table, std::size_t keySize)
{
    QJsonArray keys;
    for (std::size_t at = 0; at < N; at += keySize)
        keys.append(hexText(std::span(table).subspan(at, keySize)));
    return keys;
}

template <std::size_t N>
std::string setKeyTable(const QJsonValue& value, std::size_t keySize,
                        std::array<std::uint8_t, N>& out)
{
    const std::string expected = "expected an array of " + std::to_string(N / keySize) +
                                 " strings of " + std::to_string(keySize * 2) +
                                 " hexadecimal digits";
    const QJsonArray keys = value.toArray();
    if (!value.isArray() || static_cast<std::size_t>(keys.size()) != N / keySize)
        return expected;
    std::array<std::uint8_t, N> table{};
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const auto bytes = keys[k].isString() ? parseHexText(keys[k].toString()) : std::nullopt;
        if (!bytes || bytes->size() != keySize)
            return expected + " (key " + std::to_string(k + 1) + " is not)";
        std::copy(bytes->begin(), bytes->end(), table.begin() + k * keySize);
    }
    out = table;
    return {};
}

std::span<const std::uint8_t> identityPart(const Doc& d, std::size_t offset, std::size_t size)
{
    return std::span(d.identity).subspan(offset, size);
}

QJsonValue macText(const Doc& d)
{
    return macAddressText(identityPart(d, serial::identity::Mac, serial::identity::MacSize));
}

QJsonValue firmwareText(const Doc& d)
{
    // As the module info line shows it: major.minor and the revision as a letter from 'a'.
    return QStringLiteral("%1.%2%3")
        .arg(d.identity[serial::identity::MajorVersion])
        .arg(d.identity[serial::identity::MinorVersion])
        .arg(QChar(u'a' + d.identity[serial::identity::Revision]));
}

// The identity is the module's own: a document may carry it (as `get` wrote it), but it is never
// written, so only its form is checked.
std::string checkMac(Doc&, const QJsonValue& value)
{
    if (!value.isString() || !parseMacAddress(value.toString()))
        return "expected six hexadecimal pairs such as \"00:11:22:33:44:55\"";
    return {};
}

// A module on the LAN reports its product id in 16 bits (`read` shows all of them); the serial
// identity record holds its low byte.
std::string checkProductId(Doc&, const QJsonValue& value)
{
    return wholeNumber(value, 0, 0xFFFF) ? std::string()
                                         : "expected a whole number from 0 to 65535";
}

// The address a module on the LAN answered from, which `read` shows beside the settings; like
// the identity, only its form is checked.
std::string checkModuleIp(const QJsonValue& value)
{
    std::uint32_t address = 0;
    return setAddress(value, address);
}

std::string checkFirmware(Doc&, const QJsonValue& value)
{
    return value.isString() ? std::string() : "expected a string";
}

std::string setChannel(Doc& d, const QJsonValue& value)
{
    if (value.isNull()) {
        d.wlan.channel = 0; // no channel, as the form writes an empty choice
        return {};
    }
    const auto channel = wholeNumber(value, kFirstChannel, kLastChannel);
    if (!channel)
        return "expected a whole number from 1 to 14, or null";
    d.wlan.channel = static_cast<std::uint8_t>(*channel);
    return {};
}

std::string setSecurity(Doc& d, const QJsonValue& value)
{
    std::uint8_t code = static_cast<std::uint8_t>(d.security());
    if (value.isNull())
        return {};
    if (std::string error = setNamed(kSecurities, value, code); !error.empty())
        return error;
    d.setSecurity(static_cast<Security>(code));
    return {};
}

// The key length and the WPA mode live in codes that only their security kind uses; they are
// changed only under that kind (the check between keys reports the others).
std::string setWepKeyLength(Doc& d, const QJsonValue& value)
{
    if (value.isNull())
        return {};
    const auto bits = wholeNumber(value, 64, 128);
    if (!bits || (*bits != 64 && *bits != 128))
        return "expected 64 or 128, or null";
    if (d.security() == Security::Wep)
        d.wlan.wepKeyLength = *bits == 64 ? serial::WlanBasicRecord::kWepKeyLength64
                                          : serial::WlanBasicRecord::kWepKeyLength128;
    return {};
}

std::string setWpaMode(Doc& d, const QJsonValue& value)
{
    std::uint8_t code = d.wlan.wpaMode;
    if (std::string error = setNamed(kWpaModes, value, code); !error.empty())
        return error;
    if (d.security() == Security::Wpa)
        d.wlan.wpaMode = code;
    return {};
}

std::string setDefaultKey(Doc& d, const QJsonValue& value)
{
    if (value.isNull())
        return {};
    const auto key = wholeNumber(value, 1, 4);
    if (!key)
        return "expected a whole number from 1 to 4";
    d.wlan.defaultKey = static_cast<std::uint8_t>(*key - 1);
    return {};
}

std::string checkPsk(Doc&, const QJsonValue& value)
{
    const auto bytes = value.isString() ? parseHexText(value.toString()) : std::nullopt;
    if (!bytes || bytes->size() != Doc::kPskSize)
        return "expected 64 hexadecimal digits";
    return {};
}

QJsonValue wepKeyLengthValue(const Doc& d)
{
    if (d.security() != Security::Wep)
        return QJsonValue::Null;
    switch (d.wlan.wepKeyLength) {
    case serial::WlanBasicRecord::kWepKeyLength64:
        return 64;
    case serial::WlanBasicRecord::kWepKeyLength128:
        return 128;
    default:
        return QJsonValue::Null;
    }
}

struct KeyRule
{
    const char* key;
    QJsonValue (*read)(const Doc&);
    std::string (*write)(Doc&, const QJsonValue&);
};

// In documented order. `security` comes before the keys that depend on it.
const std::array<KeyRule, 31> kKeys{{
    {"mac", macText, checkMac},
    {"productId",
     [](const Doc& d) -> QJsonValue { return d.identity[serial::identity::ProductId]; },
     checkProductId},
    {"firmware", firmwareText, checkFirmware},
    {"localIp", [](const Doc& d) -> QJsonValue { return ipv4Text(d.localIp); },
     [](Doc& d, const QJsonValue& v) { return setAddress(v, d.localIp); }},
    {"subnetMask", [](const Doc& d) -> QJsonValue { return ipv4Text(d.subnetMask); },
     [](Doc& d, const QJsonValue& v) { return setAddress(v, d.subnetMask); }},
    {"gateway", [](const Doc& d) -> QJsonValue { return ipv4Text(d.gateway); },
     [](Doc& d, const QJsonValue& v) { return setAddress(v, d.gateway); }},
    {"dnsIp", [](const Doc& d) -> QJsonValue { return ipv4Text(d.dnsIp); },
     [](Doc& d, const QJsonValue& v) { return setAddress(v, d.dnsIp); }},
    {"dhcp", [](const Doc& d) -> QJsonValue { return d.dhcp != 0; },
     [](Doc& d, const QJsonValue& v) { return setFlag(v, d.dhcp); }},
    {"dnsAuto", [](const Doc& d) -> QJsonValue { return d.dnsAuto != 0; },
     [](Doc& d, const QJsonValue& v) { return setFlag(v, d.dnsAuto); }},
    {"wlanMode", [](const Doc& d) { return nameOf(kWlanModes, d.wlan.mode); },
     [](Doc& d, const QJsonValue& v) { return setNamed(kWlanModes, v, d.wlan.mode); }},
    {"channel",
     [](const Doc& d) -> QJsonValue {
         const int c = d.wlan.channel;
         return c >= kFirstChannel && c <= kLastChannel ? QJsonValue(c) : QJsonValue::Null;
     },
     setChannel},
    {"ssid", [](const Doc& d) { return textValue(d.ssid); },
     [](Doc& d, const QJsonValue& v) {
         return setText(v, textItemLength(serial::item::Ssid), d.ssid);
     }},
    {"security",
     [](const Doc& d) { return nameOf(kSecurities, static_cast<std::uint8_t>(d.security())); },
     setSecurity},
    {"authentication", [](const Doc& d) { return nameOf(kAuthentications, d.wlan.authentication); },
     [](Doc& d, const QJsonValue& v) {
         return setNamed(kAuthentications, v, d.wlan.authentication);
     }},
    {"wepKeyLength", wepKeyLengthValue, setWepKeyLength},
    {"wepDefaultKey",
     [](const Doc& d) -> QJsonValue {
         return d.wlan.defaultKey <= 3 ? QJsonValue(d.wlan.defaultKey + 1) : QJsonValue::Null;
     },
     setDefaultKey},
    {"wep64Keys", [](const Doc& d) { return keyTable(d.wep64Keys, Doc::kWep64KeySize); },
     [](Doc& d, const QJsonValue& v) { return setKeyTable(v, Doc::kWep64KeySize, d.wep64Keys); }},
    {"wep128Keys", [](const Doc& d) { return keyTable(d.wep128Keys, Doc::kWep128KeySize); },
     [](Doc& d, const QJsonValue& v) { return setKeyTable(v, Doc::kWep128KeySize, d.wep128Keys); }},
    {"wpaMode",
     [](const Doc& d) {
         return d.security() == Security::Wpa ? nameOf(kWpaModes, d.wlan.wpaMode)
                                              : QJsonValue(QJsonValue::Null);
     },
     setWpaMode},
    {"cipher", [](const Doc& d) { return nameOf(kCiphers, d.wlan.cipher); },
     [](Doc& d, const QJsonValue& v) { return setNamed(kCiphers, v, d.wlan.cipher); }},
    {"passphrase", [](const Doc& d) { return textValue(d.passphrase); },
     [](Doc& d, const QJsonValue& v) {
         return setText(v, textItemLength(serial::item::WpaPassphrase), d.passphrase);
     }},
    {"psk", [](const Doc& d) -> QJsonValue { return hexText(d.psk); }, checkPsk},
    {"localPort", [](const Doc& d) -> QJsonValue { return d.options.localPort; },
     [](Doc& d, const QJsonValue& v) { return setNumber16(v, d.options.localPort); }},
    {"peerIp", [](const Doc& d) -> QJsonValue { return ipv4Text(d.options.peerIp); },
     [](Doc& d, const QJsonValue& v) { return setAddress(v, d.options.peerIp); }},
    {"peerPort", [](const Doc& d) -> QJsonValue { return d.options.peerPort; },
     [](Doc& d, const QJsonValue& v) { return setNumber16(v, d.options.peerPort); }},
    {"muxType", [](const Doc& d) { return nameOf(kMuxTypes, d.options.muxType); },
     [](Doc& d, const QJsonValue& v) { return setNamed(kMuxTypes, v, d.options.muxType); }},
    {"codListen", [](const Doc& d) -> QJsonValue { return d.options.codListen != 0; },
     [](Doc& d, const QJsonValue& v) { return setFlag(v, d.options.codListen); }},
    {"waterMark", [](const Doc& d) -> QJsonValue { return d.options.waterMark; },
     [](Doc& d, const QJsonValue& v) { return setNumber16(v, d.options.waterMark); }},
    {"peerDomainName", [](const Doc& d) { return textValue(d.peerDomainName); },
     [](Doc& d, const QJsonValue& v) { return setText(v, kPeerDomainNameMax, d.peerDomainName); }},
    {"userClassId", [](const Doc& d) { return textValue(d.userClassId); },
     [](Doc& d, const QJsonValue& v) {
         return setText(v, textItemLength(serial::item::UserClassId), d.userClassId);
     }},
    {"setupText", [](const Doc& d) { return textValue(d.setupText); },
     [](Doc& d, const QJsonValue& v) {
         return setText(v, serial::kSetupTextBufferSize - 1, d.setupText);
     }},
}};

const KeyRule* findKey(const QString& key)
{
    const auto found = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyRule& rule) {
        return key == QLatin1String(rule.key);
    });
    return found == kKeys.end() ? nullptr : &*found;
}

std::string keyError(const char* key, const std::string& reason)
{
    return std::string(key) + ": " + reason;
}

bool setsValue(const QJsonObject& object, const char* key)
{
    return object.contains(QLatin1String(key)) && !object.value(QLatin1String(key)).isNull();
}

// Rules between keys, on the document applied over the module's settings (`moduleKnown`), or
// over empty settings before the module was read: then only what the document decides alone.
std::string checkCombination(const QJsonObject& object, const Doc& merged, bool moduleKnown)
{
    const bool securityKnown = moduleKnown || setsValue(object, "security");
    if (securityKnown && setsValue(object, "wepKeyLength") && merged.security() != Security::Wep)
        return keyError("wepKeyLength", "applies only with security \"wep\"");
    if (securityKnown && setsValue(object, "wpaMode") && merged.security() != Security::Wpa)
        return keyError("wpaMode", "applies only with security \"wpa\"");
    const bool passphraseKnown = moduleKnown || setsValue(object, "passphrase");
    const bool touchesWpa = setsValue(object, "security") || setsValue(object, "passphrase");
    if (securityKnown && passphraseKnown && touchesWpa && merged.security() == Security::Wpa &&
        merged.passphrase.size() < kPassphraseMinForWpa)
        return keyError("passphrase", "at least 8 bytes for WPA, got " +
                                          std::to_string(merged.passphrase.size()));
    return {};
}

// Applies every key of `object` in table order; the first error wins.
std::string applyKeys(const QJsonObject& object, Doc& document)
{
    for (const KeyRule& rule : kKeys) {
        if (!object.contains(QLatin1String(rule.key)))
            continue;
        if (std::string reason = rule.write(document, object.value(QLatin1String(rule.key)));
            !reason.empty())
            return keyError(rule.key, reason);
    }
    return {};
}

} // namespace

std::vector<std::pair<QString, QJsonValue>> settingsEntries(const SettingsDocument& document)
{
    std::vector<std::pair<QString, QJsonValue>> entries;
    for (const KeyRule& rule : kKeys)
        entries.emplace_back(QLatin1String(rule.key), rule.read(document));
    return entries;
}

QJsonObject entriesObject(const std::vector<std::pair<QString, QJsonValue>>& entries)
{
    QJsonObject object;
    for (const auto& [key, value] : entries)
        object.insert(key, value);
    return object;
}

QJsonObject toJson(const SettingsDocument& document)
{
    return entriesObject(settingsEntries(document));
}

ParsedDocument parseDocument(const QByteArray& text)
{
    ParsedDocument parsed;
    QJsonParseError parseError{};
    const QJsonDocument json = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        parsed.error = "not a JSON document: " + parseError.errorString().toStdString() +
                       " at offset " + std::to_string(parseError.offset);
        return parsed;
    }
    if (!json.isObject()) {
        parsed.error = "not a settings document: expected a JSON object";
        return parsed;
    }
    if (std::string twice = duplicateKeyError(text); !twice.empty()) {
        parsed.error = std::move(twice);
        return parsed;
    }
    const QJsonObject object = json.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == keyText(kModuleIpKey)) {
            if (std::string reason = checkModuleIp(it.value()); !reason.empty()) {
                parsed.error = keyError(kModuleIpKey.data(), reason);
                return parsed;
            }
        } else if (!findKey(it.key())) {
            parsed.error = it.key().toStdString() + ": unknown key";
            return parsed;
        }
    }
    Doc scratch;
    parsed.error = applyKeys(object, scratch);
    if (parsed.error.empty())
        parsed.error = checkCombination(object, scratch, false);
    if (parsed.error.empty())
        parsed.object = object;
    return parsed;
}

std::string applyDocument(const QJsonObject& object, SettingsDocument& document)
{
    if (std::string error = applyKeys(object, document); !error.empty())
        return error;
    return checkCombination(object, document, true);
}

} // namespace quarlink::settings
