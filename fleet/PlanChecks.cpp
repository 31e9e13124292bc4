// Checking a plan as a whole.
#include "fleet/PlanChecks.h"

#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

#include <QJsonDocument>

#include <algorithm>
#include <map>

namespace quarlink::fleet {

namespace {

std::string text(const QString& s)
{
    return s.toStdString();
}

QString targetText(const PlannedModule& module)
{
    return module.kind == PlannedModule::Kind::Lan ? settings::macAddressText(module.mac)
                                                   : module.port;
}

bool sameTarget(const PlannedModule& module, bool serial, const netmgmt::MacAddress& mac,
                const QString& port)
{
    return serial ? module.kind == PlannedModule::Kind::Serial && module.port == port
                  : module.kind == PlannedModule::Kind::Lan && module.mac == mac;
}

// One set of keys: known keys, right types, rules within it; no identity, and no setup text for
// a module on the LAN.
std::string checkKeys(const QJsonObject& keys, const QString& place, bool lan)
{
    for (std::string_view identity : settings::kIdentityKeys)
        if (keys.contains(settings::keyText(identity)))
            return text(place) + "." + std::string(identity) +
                   ": a module's identity is not written";
    if (lan && keys.contains(settings::keyText(settings::kSetupTextKey)))
        return text(place) + ".setupText: a module on the LAN holds no setup text";
    const settings::ParsedDocument parsed =
        settings::parseDocument(QJsonDocument(keys).toJson(QJsonDocument::Compact));
    if (!parsed.object)
        return text(place) + "." + parsed.error;
    return {};
}

// The local IP addresses the plan gives, as parsed addresses (so that "192.168.010.050" is
// "192.168.10.50"): two modules may not end up with one, nor may more than one module take the
// template's. A search may find any number of modules, each taking the template's address.
class AddressPlan
{
public:
    explicit AddressPlan(const ProvisionPlan& plan)
        : m_template(addressOf(plan.templateKeys)), m_takers(plan.select ? 2 : 0),
          m_templateTaken(text(plan.templatePlace) +
                          ".localIp: the same address would be planned for more than one module")
    {
    }

    std::string add(const PlannedModule& module, const QJsonObject& keys)
    {
        const bool own = module.keys.contains(QLatin1String("localIp"));
        const auto address = addressOf(keys);
        if (!address)
            return {};
        if (!own && ++m_takers > 1)
            return m_templateTaken;
        const QString place = own ? module.place : module.place + QStringLiteral(" (template)");
        if (const auto other = m_places.find(*address); other != m_places.end())
            return text(module.place) + ".localIp: " + text(settings::ipv4Text(*address)) +
                   " is planned for " + text(other->second) + " too";
        m_places[*address] = place;
        return {};
    }

    // After every module: the template's address taken by more than one.
    std::string finish() const { return m_template && m_takers > 1 ? m_templateTaken : ""; }

private:
    static std::optional<std::uint32_t> addressOf(const QJsonObject& keys)
    {
        return settings::parseIpv4(keys.value(QLatin1String("localIp")).toString());
    }

    std::optional<std::uint32_t> m_template;
    std::size_t m_takers;
    std::map<std::uint32_t, QString> m_places;
    std::string m_templateTaken;
};

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
        const QString target = row.serial ? row.port : settings::macAddressText(row.mac);
        if (const auto earlier = seen.find(target); earlier != seen.end())
            return text(place) + ": " + text(target) + " has a row already (line " +
                   std::to_string(earlier->second) + ")";
        seen[target] = row.line;
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
    if (std::string error = checkKeys(plan.templateKeys, plan.templatePlace, false); !error.empty())
        return error;
    std::map<QString, const PlannedModule*> targets;
    AddressPlan addresses(plan);
    for (const PlannedModule& module : plan.modules) {
        const QString target = targetText(module);
        if (const auto other = targets.find(target); other != targets.end())
            return text(module.place) + ": " + text(target) + " is named by " +
                   text(other->second->place) + " too";
        targets[target] = &module;
        const QJsonObject keys = plannedKeys(plan, module);
        if (std::string error =
                checkKeys(keys, module.place, module.kind == PlannedModule::Kind::Lan);
            !error.empty())
            return error;
        if (std::string error = addresses.add(module, keys); !error.empty())
            return error;
    }
    return addresses.finish();
}

} // namespace quarlink::fleet
