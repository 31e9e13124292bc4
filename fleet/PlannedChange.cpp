// Planning the change of one module.
#include "fleet/PlannedChange.h"

#include "settings/SettingsJson.h"

namespace quarlink::fleet {

PlannedChange planChange(const settings::SettingsDocument& read, const QJsonObject& keys)
{
    PlannedChange planned;
    planned.wanted = read;
    planned.error = settings::applyDocument(keys, planned.wanted);
    if (!planned.error.empty())
        return planned;
    settings::updatePsk(read, planned.wanted, settings::PskUpdate::WhenPassphraseOrSsidChanges);
    planned.change = settings::settingsChange(read, planned.wanted);
    for (const settings::SettingChange& setting : planned.change)
        planned.changes << setting.key;
    return planned;
}

} // namespace quarlink::fleet
