// What a plan changes on one module: its settings as read, the plan's keys applied over them,
// and the keys that differ. The WPA pre-shared key follows a changed pass phrase or SSID.
#pragma once

#include "settings/SettingsChange.h"
#include "settings/SettingsDocument.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <string>

namespace quarlink::fleet {

struct PlannedChange
{
    std::string error; // the keys break a rule over the module's settings; nothing is written
    settings::SettingsDocument wanted;
    settings::SettingsChange change; // in the document's key order; the derived key not listed
    QStringList changes;             // the keys of `change`
};

PlannedChange planChange(const settings::SettingsDocument& read, const QJsonObject& keys);

} // namespace quarlink::fleet
