// Checking a plan as a whole.
#include "fleet/PlanChecks.h"

#include "settings/SettingsJson.h"

#include <QJsonDocument>

#include <algorithm>
#include <map>

namespace quarlink::fleet {

namespace {

// Keys that a read reports and a write never changes.
const QStringList kIdentityKeys{QStringLiteral("mac"), QStringLiteral("productId"),
                                QStringLiteral("firmware"), QStringLiteral("moduleIp")};

std::string text(const QString& s)
{
    return s.toStdString();
}

QString targetText(const PlannedModule& module)
{
    return module.kind == PlannedModule::Kind::Lan ? macText(module.mac) : module.port;
}

bool sameTarget(const PlannedModule& module, bool serial, const netmgmt::MacAddress& mac,
                const QString& port)
{
    return serial ? module.kind == PlannedModule::Kind::Serial && module.port == port
                  : module.kind == PlannedModule::Kind::Lan && module.mac == mac;
}

// One source of keys on its own: known keys, right types, rules within it.
std::string checkKeys(const QJsonObject& keys, const QString& place, bool lan)
{
    for (const QString& identity : kIdentityKeys)
        if (keys.contains(identity))
            return text(place) + "." + text(identity) + ": a module's identity is not written";
    if (lan && keys.contains(QLatin1String("setupText")))
        return text(place) + ".setupText: a module on the LAN holds no setup text";
    const settings::ParsedDocument parsed =
        settings::parseDocument(QJsonDocument(keys).toJson(QJsonDocument::Compact));
    if (!parsed.object)
        return text(place) + "." + parsed.error;
    return {};
}

} // namespace

QJsonObject plannedKeys(const ProvisionPlan& plan, const PlannedModule& module)
{
    QJsonObject keys = plan.templateKeys;
    for (auto it = module.keys.begin(); it != module.keys.end(); ++it)
        keys.insert(it.key(), it.value());
    return keys;
}

std::string mergeValues(ProvisionPlan& plan, const std::vector<ValuesRow>& rows,
                        const QString& fileName)
{
    std::map<QString, int> seen; // target -> line
    for (const ValuesRow& row : rows) {
        const QString place = QStringLiteral("%1 line %2").arg(fileName).arg(row.line);
        const QString target = row.serial ? row.port : macText(row.mac);
        if (const auto earlier = seen.find(target); earlier != seen.end())
            return text(place) + ": " + text(target) + " has a row already (line " +
                   std::to_string(earlier->second) + ")";
        seen[target] = row.line;
        if (std::string error = checkKeys(row.keys, place, !row.serial); !error.empty())
            return error;
        const auto it =
            std::find_if(plan.modules.begin(), plan.modules.end(), [&](const PlannedModule& m) {
                return sameTarget(m, row.serial, row.mac, row.port);
            });
        if (it == plan.modules.end()) {
            PlannedModule module;
            module.kind = row.serial ? PlannedModule::Kind::Serial : PlannedModule::Kind::Lan;
            module.mac = row.mac;
            module.port = row.port;
            module.keys = row.keys;
            module.place = place;
            plan.modules.push_back(std::move(module));
            continue;
        }
        // Duplicates among the plan's own entries are refused by checkPlan; the row goes into
        // the first, and the check names both.
        for (auto key = row.keys.begin(); key != row.keys.end(); ++key)
            it->keys.insert(key.key(), key.value());
        it->place += QStringLiteral(" with ") + place;
    }
    return {};
}

std::string checkPlan(const ProvisionPlan& plan)
{
    if (plan.modules.empty() && !plan.select)
        return "modules: the plan names no module and selects none";
    if (std::string error = checkKeys(plan.templateKeys, QStringLiteral("template"), false);
        !error.empty())
        return error;
    std::map<QString, const PlannedModule*> targets;
    std::map<QString, const PlannedModule*> localIps;
    std::size_t takingTemplateIp = plan.select ? 2 : 0; // a search may find any number
    for (const PlannedModule& module : plan.modules) {
        const bool lan = module.kind == PlannedModule::Kind::Lan;
        const QString target = targetText(module);
        if (const auto other = targets.find(target); other != targets.end())
            return text(module.place) + ": " + text(target) + " is named by " +
                   text(other->second->place) + " too";
        targets[target] = &module;
        const QJsonObject keys = plannedKeys(plan, module);
        if (std::string error = checkKeys(module.keys, module.place, lan); !error.empty())
            return error;
        if (lan && keys.contains(QLatin1String("setupText")))
            return text(module.place) + ".setupText: a module on the LAN holds no setup text";
        if (std::string error = checkKeys(keys, module.place, lan); !error.empty())
            return error;
        if (!module.keys.contains(QLatin1String("localIp")))
            ++takingTemplateIp;
        const QString ip = keys.value(QLatin1String("localIp")).toString();
        if (ip.isEmpty() || !module.keys.contains(QLatin1String("localIp")))
            continue;
        if (const auto other = localIps.find(ip); other != localIps.end())
            return text(module.place) + ".localIp: " + text(ip) + " is planned for " +
                   text(other->second->place) + " too";
        localIps[ip] = &module;
    }
    if (plan.templateKeys.contains(QLatin1String("localIp")) && takingTemplateIp > 1)
        return "template.localIp: the same address would be planned for more than one module";
    return {};
}

} // namespace quarlink::fleet
