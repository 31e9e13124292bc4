// JSON state file of the simulated module. Items are kept as hexadecimal under readable names,
// the identity record as its fields, the setup text as a string (as hexadecimal when its
// bytes are not UTF-8, so that any text survives the round trip).
#include "sim/StateFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>
#include <mutex>
#include <string_view>

namespace quarlink::sim {

namespace {

namespace item = serial::item;

struct ItemKey
{
    std::uint8_t code;
    const char* key;
};

constexpr std::array<ItemKey, serial::kSettingsItems.size()> kItemKeys{{
    {item::LocalIp, "localIp"},
    {item::SubnetMask, "subnetMask"},
    {item::Gateway, "gateway"},
    {item::DnsIp, "dnsIp"},
    {item::DhcpFlags, "dhcpFlags"},
    {item::WlanBasic, "wlanBasic"},
    {item::Ssid, "ssid"},
    {item::Wep64Keys, "wep64Keys"},
    {item::Wep128Keys, "wep128Keys"},
    {item::WpaPassphrase, "wpaPassphrase"},
    {item::WpaPsk, "wpaPsk"},
    {item::NetworkOptions, "networkOptions"},
    {item::PeerDomainName, "peerDomainName"},
    {item::UserClassId, "userClassId"},
}};

struct ByteField
{
    const char* key;
    std::size_t offset;
};

constexpr std::array<ByteField, 4> kIdentityNumbers{{
    {"productId", identity::ProductId},
    {"majorVersion", identity::MajorVersion},
    {"minorVersion", identity::MinorVersion},
    {"revision", identity::Revision},
}};

struct RunField
{
    const char* key;
    std::size_t offset;
    std::size_t size;
};

constexpr std::array<RunField, 3> kIdentityRuns{{
    {"reservedA", identity::ReservedA, identity::ReservedASize},
    {"mac", identity::Mac, identity::MacSize},
    {"reservedB", identity::ReservedB, identity::ReservedBSize},
}};

QString hexString(std::span<const std::uint8_t> bytes)
{
    return QString::fromStdString(toCompactHex(bytes));
}

std::optional<Bytes> hexValue(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return parseHex(value.toString().toStdString());
}

std::optional<QString> utf8Text(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

StateLoad invalid(std::string error)
{
    StateLoad load;
    load.status = StateLoad::Status::Invalid;
    load.error = std::move(error);
    return load;
}

std::string readIdentity(const QJsonObject& object, ModuleSettings::Identity& record)
{
    for (const ByteField& field : kIdentityNumbers) {
        if (!object.contains(field.key))
            continue;
        const QJsonValue value = object.value(field.key);
        const int number = value.toInt(-1);
        if (!value.isDouble() || number < 0 || number > 255 || value.toDouble() != number)
            return std::string("identity.") + field.key + ": expected a number from 0 to 255";
        record[field.offset] = static_cast<std::uint8_t>(number);
    }
    for (const RunField& field : kIdentityRuns) {
        if (!object.contains(field.key))
            continue;
        const auto bytes = hexValue(object.value(field.key));
        if (!bytes || bytes->size() != field.size)
            return std::string("identity.") + field.key + ": expected " +
                   std::to_string(field.size) + " bytes in hexadecimal";
        std::copy(bytes->begin(), bytes->end(), record.begin() + field.offset);
    }
    return {};
}

std::string readSetupText(const QJsonObject& object, ModuleSettings& settings)
{
    std::optional<std::string> text;
    if (object.contains("setupText")) {
        if (!object.value("setupText").isString())
            return "setupText: expected a string";
        text = object.value("setupText").toString().toStdString();
    } else if (object.contains("setupTextHex")) {
        const auto bytes = hexValue(object.value("setupTextHex"));
        if (!bytes)
            return "setupTextHex: expected hexadecimal digits";
        text = std::string(bytes->begin(), bytes->end());
    }
    if (text && !settings.setSetupText(*text))
        return "setup text: at most " + std::to_string(kMaxSetupTextLength) +
               " bytes and no zero byte";
    return {};
}

} // namespace

namespace {

QJsonObject settingsObject(const ModuleSettings& settings)
{
    QJsonObject identityObject;
    for (const ByteField& field : kIdentityNumbers)
        identityObject.insert(field.key, settings.identity()[field.offset]);
    for (const RunField& field : kIdentityRuns)
        identityObject.insert(
            field.key, hexString(std::span(settings.identity()).subspan(field.offset, field.size)));

    QJsonObject items;
    for (const ItemKey& key : kItemKeys)
        items.insert(key.key, hexString(settings.item(key.code)));

    QJsonObject root;
    root.insert("identity", identityObject);
    root.insert("items", items);
    if (const auto text = utf8Text(settings.setupText()))
        root.insert("setupText", *text);
    else
        root.insert(
            "setupTextHex",
            hexString(std::span(reinterpret_cast<const std::uint8_t*>(settings.setupText().data()),
                                settings.setupText().size())));
    return root;
}

} // namespace

std::string settingsToJson(const ModuleSettings& settings)
{
    return QJsonDocument(settingsObject(settings)).toJson(QJsonDocument::Indented).toStdString();
}

StateLoad settingsFromJson(const std::string& json, const ModuleSettings& base)
{
    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return invalid("not valid JSON: " + parseError.errorString().toStdString());
    if (!document.isObject())
        return invalid("expected a JSON object");
    const QJsonObject root = document.object();

    StateLoad load;
    load.status = StateLoad::Status::Loaded;
    load.settings = base;

    ModuleSettings::Identity record = base.identity();
    if (root.contains("identity")) {
        if (!root.value("identity").isObject())
            return invalid("identity: expected an object");
        if (std::string error = readIdentity(root.value("identity").toObject(), record);
            !error.empty())
            return invalid(error);
    }
    load.settings.setIdentity(record);

    if (root.contains("items") && !root.value("items").isObject())
        return invalid("items: expected an object");
    const QJsonObject items = root.value("items").toObject();
    for (const ItemKey& key : kItemKeys) {
        if (!items.contains(key.key))
            continue;
        const auto bytes = hexValue(items.value(key.key));
        if (!bytes || !load.settings.setItem(key.code, *bytes))
            return invalid(std::string("items.") + key.key + ": expected " +
                           std::to_string(serial::itemLength(key.code).value_or(0)) +
                           " bytes in hexadecimal");
    }
    if (std::string error = readSetupText(root, load.settings); !error.empty())
        return invalid(error);
    return load;
}

StateLoad loadStateFile(const std::string& path, const ModuleSettings& base)
{
    QFile file(QString::fromStdString(path));
    if (!file.exists()) {
        StateLoad load;
        load.settings = base;
        return load;
    }
    if (!file.open(QIODevice::ReadOnly))
        return invalid(path + ": " + file.errorString().toStdString());
    StateLoad load = settingsFromJson(file.readAll().toStdString(), base);
    if (load.status == StateLoad::Status::Invalid)
        load.error = path + ": " + load.error;
    return load;
}

bool updateStateFile(const std::string& path,
                     const std::function<void(QJsonObject& root)>& update, std::string& error)
{
    // The serial line and the LAN modules save from their own threads into one file.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    QJsonObject root;
    QFile existing(QString::fromStdString(path));
    if (existing.open(QIODevice::ReadOnly))
        root = QJsonDocument::fromJson(existing.readAll()).object();
    existing.close();
    update(root);

    QSaveFile file(QString::fromStdString(path));
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        error = path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

bool saveStateFile(const std::string& path, const ModuleSettings& settings, std::string& error)
{
    const QJsonObject serial = settingsObject(settings);
    return updateStateFile(
        path,
        [&serial](QJsonObject& root) {
            root.remove("setupText");
            root.remove("setupTextHex");
            for (auto it = serial.begin(); it != serial.end(); ++it)
                root.insert(it.key(), it.value());
        },
        error);
}

} // namespace quarlink::sim
