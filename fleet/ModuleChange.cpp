// Planning the change of one module.
#include "fleet/ModuleChange.h"

#include "settings/SettingsChange.h"
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
    for (const settings::SettingChange& setting : settings::settingsChange(read, change.wanted))
        change.changes << setting.key;
    return change;
}

} // namespace quarlink::fleet
