#include "fleet/DocumentPlan.h"

#include "fleet/PlanChecks.h"
#include "fleet/ValuesCsv.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

#include <algorithm>

namespace quarlink::fleet {

DocumentPlan planDocument(const NamedText& document, const std::optional<NamedText>& values,
                          const std::vector<ChosenModule>& modules)
{
    const auto failed = [](const QString& place, const std::string& error) {
        return DocumentPlan{{}, place.toStdString() + ": " + error};
    };
    const settings::ParsedDocument parsed = settings::parseDocument(document.text);
    if (!parsed.object)
        return failed(document.name, parsed.error);
    if (parsed.object->contains(settings::keyText(settings::kSetupTextKey)))
        return failed(document.name, "setupText: a module on the LAN holds no setup text");
    ProvisionPlan plan;
    plan.templateKeys = *parsed.object;
    plan.templatePlace = document.name;
    for (const QString& key : plan.templateKeys.keys())
        if (settings::isNeverWritten(key))
            plan.templateKeys.remove(key);
    for (const ChosenModule& chosen : modules) {
        PlannedModule module;
        module.mac = chosen.mac;
        module.place =
            document.name + QStringLiteral(" for ") + settings::macAddressText(chosen.mac);
        plan.modules.push_back(std::move(module));
    }
    if (values) {
        ValuesParse rows = parseValuesCsv(values->text, values->name);
        if (!rows.rows)
            return {{}, rows.error};
        for (const ValuesRow& row : *rows.rows)
            if (row.serial)
                return failed(QStringLiteral("%1 line %2").arg(values->name).arg(row.line),
                              "port: only modules on the LAN are reached here");
        std::erase_if(*rows.rows, [&](const ValuesRow& row) {
            return std::none_of(modules.begin(), modules.end(),
                                [&](const ChosenModule& m) { return m.mac == row.mac; });
        });
        if (std::string error = mergeValues(plan, *rows.rows, values->name); !error.empty())
            return {{}, error};
    }
    if (std::string error = checkPlan(plan); !error.empty())
        return {{}, error};
    DocumentPlan planned;
    for (std::size_t i = 0; i < modules.size(); ++i)
        planned.targets.push_back(
            {modules[i].mac, plannedKeys(plan, plan.modules[i]), {}, modules[i].address});
    return planned;
}

} // namespace quarlink::fleet
