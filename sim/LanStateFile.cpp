// JSON form of the simulated LAN modules.
#include "sim/LanStateFile.h"

#include "netmgmt/EnvironmentItems.h"
#include "netmgmt/ManagementParameters.h"
#include "sim/StateFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace quarlink::sim {

namespace {

constexpr const char* kKey = "lanModules";

QString hex(std::span<const std::uint8_t> bytes)
{
    return QString::fromStdString(toCompactHex(bytes));
}

std::optional<int> byteNumber(const QJsonValue& value)
{
    const int number = value.toInt(-1);
    if (!value.isDouble() || number < 0 || number > 255 || value.toDouble() != number)
        return std::nullopt;
    return number;
}

QJsonArray modulesArray(const std::vector<LanModuleState>& modules)
{
    QJsonArray array;
    for (const LanModuleState& m : modules) {
        QJsonArray items;
        for (const EnvironmentEntry& e : m.environment)
            items.append(QJsonObject{{"type", e.type}, {"index", e.index}, {"data", hex(e.data)}});
        array.append(
            QJsonObject{{"address", QString::fromStdString(netmgmt::formatIpv4(m.address))},
                        {"mac", hex(m.mac)},
                        {"firmware", QJsonObject{{"major", m.firmware.major},
                                                 {"minor", m.firmware.minor},
                                                 {"revision", m.firmware.revision}}},
                        {"items", items}});
    }
    return array;
}

// One module; empty on success, else what is wrong.
std::string readModule(const QJsonObject& object, LanModuleState& m)
{
    const auto address = netmgmt::parseIpv4(object.value("address").toString().toStdString());
    if (!address)
        return "address: expected an IPv4 address";
    m.address = *address;
    const auto mac = parseHex(object.value("mac").toString().toStdString());
    if (!mac || mac->size() != m.mac.size())
        return "mac: expected 6 bytes in hexadecimal";
    std::copy(mac->begin(), mac->end(), m.mac.begin());
    const QJsonObject firmware = object.value("firmware").toObject();
    const auto major = byteNumber(firmware.value("major"));
    const auto minor = byteNumber(firmware.value("minor"));
    const auto revision = byteNumber(firmware.value("revision"));
    if (!major || !minor || !revision)
        return "firmware: expected major, minor and revision from 0 to 255";
    m.firmware = {static_cast<std::uint8_t>(*major), static_cast<std::uint8_t>(*minor),
                  static_cast<std::uint8_t>(*revision)};
    for (const QJsonValue& value : object.value("items").toArray()) {
        const QJsonObject item = value.toObject();
        const auto type = byteNumber(item.value("type"));
        const auto index = byteNumber(item.value("index"));
        const auto data = parseHex(item.value("data").toString().toStdString());
        if (!type || !index || !data || data->size() > netmgmt::kItemBufferSize)
            return "items: expected type, index (0 to 255) and at most 1400 bytes of data";
        m.environment.push_back(
            {static_cast<std::uint8_t>(*type), static_cast<std::uint8_t>(*index), *data});
    }
    return {};
}

LanStateLoad fromRoot(const QJsonObject& root)
{
    LanStateLoad load;
    if (!root.contains(kKey))
        return load;
    if (!root.value(kKey).isArray())
        return {false, {}, std::string(kKey) + ": expected an array"};
    const QJsonArray array = root.value(kKey).toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        LanModuleState module;
        if (std::string error = readModule(array.at(i).toObject(), module); !error.empty())
            return {false, {}, std::string(kKey) + "[" + std::to_string(i) + "]." + error};
        load.modules.push_back(std::move(module));
    }
    return load;
}

} // namespace

std::string lanModulesToJson(const std::vector<LanModuleState>& modules)
{
    return QJsonDocument(QJsonObject{{kKey, modulesArray(modules)}})
        .toJson(QJsonDocument::Indented)
        .toStdString();
}

LanStateLoad lanModulesFromJson(const std::string& json)
{
    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return {false, {}, "not a JSON object"};
    return fromRoot(document.object());
}

LanStateLoad loadLanModules(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {false, {}, path + ": " + file.errorString().toStdString()};
    LanStateLoad load = lanModulesFromJson(file.readAll().toStdString());
    if (!load.ok)
        load.error = path + ": " + load.error;
    return load;
}

bool saveLanModules(const std::string& path, const std::vector<LanModuleState>& modules,
                    std::string& error)
{
    const QJsonArray array = modulesArray(modules);
    return updateStateFile(
        path, [&array](QJsonObject& root) { root.insert(kKey, array); }, error);
}

} // namespace quarlink::sim
