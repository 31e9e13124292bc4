// Parsing the plan's JSON.
#include "fleet/ProvisionPlan.h"

#include "os/SerialDevice.h"
#include "settings/AnswerTimeout.h"
#include "settings/JsonDuplicateKeys.h"
#include "settings/JsonValueForms.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace quarlink::fleet {

namespace {

// The plan's LAN options and the management settings they set.
struct LanMember
{
    const char* name;
    netmgmt::ManagementSetting setting;
};
constexpr std::array<LanMember, 5> kLanMembers{{
    {"mgmtPort", netmgmt::ManagementSetting::ModulePort},
    {"localPort", netmgmt::ManagementSetting::LocalPort},
    {"broadcast", netmgmt::ManagementSetting::Broadcast},
    {"bind", netmgmt::ManagementSetting::Bind},
    {"mgmtKey", netmgmt::ManagementSetting::Key},
}};

// The members of a module entry that are not settings keys.
const QStringList kLineMembers{QStringLiteral("baud"), QStringLiteral("parity"),
                               QStringLiteral("dataBits"), QStringLiteral("stopBits"),
                               QStringLiteral("answerTimeout")};

std::string text(const QString& s)
{
    return s.toStdString();
}

// A number or a text of digits as the option text the management settings parse.
std::optional<std::string> optionText(const QJsonValue& value)
{
    if (value.isString())
        return text(value.toString());
    if (value.isDouble() && value.toDouble() == static_cast<double>(value.toInteger()))
        return std::to_string(value.toInteger());
    return std::nullopt;
}

std::optional<int> integerIn(const QJsonValue& value, std::initializer_list<int> allowed)
{
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()))
        return std::nullopt;
    const int n = value.toInt();
    return std::find(allowed.begin(), allowed.end(), n) == allowed.end() ? std::nullopt
                                                                         : std::optional(n);
}

std::optional<std::chrono::milliseconds> answerTimeoutOf(const QJsonValue& value)
{
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()) ||
        value.toInt() < 1 || value.toInt() > settings::kMaxAnswerTimeoutMs)
        return std::nullopt;
    return std::chrono::milliseconds(value.toInt());
}

// The line options of a serial entry; empty on success.
std::string readLine(const QJsonObject& entry, PlannedModule& module)
{
    static const QStringList parities{QStringLiteral("none"), QStringLiteral("odd"),
                                      QStringLiteral("even")};
    const std::string at = text(module.place) + ".";
    if (entry.contains(QLatin1String("baud"))) {
        const auto baud = integerIn(entry.value(QLatin1String("baud")),
                                    {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200});
        if (!baud)
            return at + "baud: expected 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
        module.line.baudRate = *baud;
    }
    if (entry.contains(QLatin1String("parity"))) {
        const auto parity = parities.indexOf(entry.value(QLatin1String("parity")).toString());
        if (parity < 0)
            return at + "parity: expected \"none\", \"odd\" or \"even\"";
        module.line.parity = static_cast<int>(parity);
    }
    if (entry.contains(QLatin1String("dataBits"))) {
        const auto bits = integerIn(entry.value(QLatin1String("dataBits")), {7, 8});
        if (!bits)
            return at + "dataBits: expected 7 or 8";
        module.line.dataBits = *bits;
    }
    if (entry.contains(QLatin1String("stopBits"))) {
        const auto bits = integerIn(entry.value(QLatin1String("stopBits")), {1, 2});
        if (!bits)
            return at + "stopBits: expected 1 or 2";
        module.line.stopBits = *bits;
    }
    if (entry.contains(QLatin1String("answerTimeout"))) {
        const auto timeout = answerTimeoutOf(entry.value(QLatin1String("answerTimeout")));
        if (!timeout)
            return at + "answerTimeout: expected 1 to 600000 ms";
        module.answerTimeout = *timeout;
    }
    return {};
}

std::string readModule(const QJsonValue& value, PlannedModule& module)
{
    const std::string at = text(module.place);
    if (!value.isObject())
        return at + ": expected an object with \"mac\" or \"port\"";
    QJsonObject entry = value.toObject();
    const bool hasMac = entry.contains(QLatin1String("mac"));
    if (hasMac == entry.contains(QLatin1String("port")))
        return at + ": give either \"mac\" (a module on the LAN) or \"port\" (a serial port)";
    if (hasMac) {
        const auto mac = settings::parseMacAddress(entry.value(QLatin1String("mac")).toString());
        if (!mac)
            return at + ".mac: expected a MAC address such as \"00:30:f9:00:00:01\"";
        module.mac = *mac;
        entry.remove(QLatin1String("mac"));
        if (entry.contains(QLatin1String("passwordFile"))) {
            module.passwordFile = entry.value(QLatin1String("passwordFile")).toString();
            if (module.passwordFile.isEmpty())
                return at + ".passwordFile: expected the path of a file";
            entry.remove(QLatin1String("passwordFile"));
        }
        for (const QString& member : kLineMembers)
            if (entry.contains(member))
                return at + "." + text(member) + ": a line option belongs to a serial module";
    } else {
        module.kind = PlannedModule::Kind::Serial;
        if (entry.contains(QLatin1String("passwordFile")))
            return at + ".passwordFile: a management password belongs to a module on the LAN";
        module.port = entry.value(QLatin1String("port")).toString();
        if (module.port.isEmpty())
            return at + ".port: expected a serial port: " + os::kPortNameForm;
        entry.remove(QLatin1String("port"));
        if (std::string error = readLine(entry, module); !error.empty())
            return error;
        for (const QString& member : kLineMembers)
            entry.remove(member);
    }
    module.keys = entry;
    return {};
}

std::string readSelection(const QJsonValue& value, Selection& selection)
{
    if (value.isString() && value.toString() == QLatin1String("all")) {
        selection.all = true;
        return {};
    }
    if (!value.isObject())
        return "select: expected \"all\" or an object with \"productIds\" and \"macPrefixes\"";
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isArray())
            return "select." + text(it.key()) + ": expected a list";
        const QJsonArray list = it.value().toArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            const std::string at = "select." + text(it.key()) + "[" + std::to_string(i) + "]";
            if (it.key() == QLatin1String("productIds")) {
                const QJsonValue id = list[i];
                if (!id.isDouble() || id.toInt() < 0 || id.toInt() > 65535 ||
                    id.toDouble() != static_cast<double>(id.toInt()))
                    return at + ": expected a product id from 0 to 65535";
                selection.productIds.push_back(static_cast<unsigned>(id.toInt()));
            } else if (it.key() == QLatin1String("macPrefixes")) {
                static const QRegularExpression form(
                    QStringLiteral("^[0-9A-Fa-f]{2}([:-][0-9A-Fa-f]{2}){0,5}$"));
                const QString prefix = list[i].toString();
                if (!form.match(prefix).hasMatch())
                    return at + ": expected the first bytes of a MAC address, such as "
                                "\"00:30:f9\"";
                std::vector<std::uint8_t> bytes;
                for (const QString& pair : prefix.split(QRegularExpression(QStringLiteral("[:-]"))))
                    bytes.push_back(static_cast<std::uint8_t>(pair.toUInt(nullptr, 16)));
                selection.macPrefixes.push_back(bytes);
            } else {
                return "select." + text(it.key()) + ": unknown member";
            }
        }
    }
    return {};
}

std::string readLan(const QJsonValue& value, ProvisionPlan& plan)
{
    if (!value.isObject())
        return "lan: expected an object";
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string at = "lan." + text(it.key());
        if (it.key() == QLatin1String("answerTimeout")) {
            plan.answerTimeout = answerTimeoutOf(it.value());
            if (!plan.answerTimeout)
                return at + ": expected 1 to 600000 ms";
            continue;
        }
        const auto member = std::find_if(kLanMembers.begin(), kLanMembers.end(),
                                         [&](const LanMember& m) { return it.key() == m.name; });
        if (member == kLanMembers.end())
            return at + ": unknown member";
        const auto option = optionText(it.value());
        netmgmt::ManagementParameters check;
        const std::string error =
            option ? netmgmt::applyManagementSetting(check, member->setting, *option)
                   : std::string("expected a number or a text");
        if (!error.empty())
            return at + ": " + error;
        plan.lanSettings.emplace_back(member->setting, *option);
    }
    return {};
}

} // namespace

bool Selection::picks(const netmgmt::MacAddress& mac, unsigned productId) const
{
    if (all)
        return true;
    if (std::find(productIds.begin(), productIds.end(), productId) != productIds.end())
        return true;
    return std::any_of(macPrefixes.begin(), macPrefixes.end(), [&](const auto& prefix) {
        return std::equal(prefix.begin(), prefix.end(), mac.begin());
    });
}

PlanParse parsePlan(const QByteArray& planText)
{
    QJsonParseError parseError{};
    const QJsonDocument json = QJsonDocument::fromJson(planText, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, "not JSON at offset " + std::to_string(parseError.offset) + ": " +
                                  text(parseError.errorString())};
    if (!json.isObject())
        return {std::nullopt, "expected a JSON object with \"template\" and \"modules\""};
    if (std::string twice = settings::duplicateKeyError(planText); !twice.empty())
        return {std::nullopt, std::move(twice)};
    const QJsonObject object = json.object();
    ProvisionPlan plan;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString& key = it.key();
        std::string error;
        if (key == QLatin1String("template")) {
            if (!it.value().isObject())
                error = "template: expected an object of settings keys";
            plan.templateKeys = it.value().toObject();
        } else if (key == QLatin1String("modules")) {
            if (!it.value().isArray()) {
                error = "modules: expected a list";
            } else {
                const QJsonArray list = it.value().toArray();
                for (qsizetype i = 0; i < list.size() && error.empty(); ++i) {
                    PlannedModule module;
                    module.place = QStringLiteral("modules[%1]").arg(i);
                    error = readModule(list[i], module);
                    plan.modules.push_back(std::move(module));
                }
            }
        } else if (key == QLatin1String("select")) {
            plan.select.emplace();
            error = readSelection(it.value(), *plan.select);
        } else if (key == QLatin1String("lan")) {
            error = readLan(it.value(), plan);
        } else {
            error = text(key) + ": unknown member of the plan";
        }
        if (!error.empty())
            return {std::nullopt, error};
    }
    return {std::move(plan), {}};
}

} // namespace quarlink::fleet
