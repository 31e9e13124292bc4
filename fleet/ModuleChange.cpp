// Planning the change of one module.
#include "fleet/ModuleChange.h"

#include "settings/SettingsJson.h"

namespace quarlink::fleet {

ModuleChange planChange(const settings::SettingsDocument& read, const QJsonObject& keys)
{
    ModuleChange change;
    change.wanted = read;
    change.error = settings::applyDocument(keys, change.wanted);
    if (!change.error.empty())
        return change;
    if (change.wanted.passphrase != read.passphrase || change.wanted.ssid != read.ssid)
        change.wanted.psk = change.wanted.derivedPsk();
    const auto before = settings::settingsEntries(read);
    const auto after = settings::settingsEntries(change.wanted);
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i].second != after[i].second && before[i].first != QLatin1String("psk"))
            change.changes << before[i].first;
    return change;
}

} // namespace quarlink::fleet
