// The change between two settings documents: key by key, in the document's key order, the
// settings whose JSON values differ, and its two renderings (one line per key, or one JSON
// object). Every front end shows and decides from this one comparison.
#pragma once

#include "settings/SettingsDocument.h"
#include "settings/SettingsKeys.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace quarlink::settings {

// What a secret's value shows as unless secrets are asked for.
inline constexpr char kSecretMask[] = "********";

enum class Secrets
{
    Masked,
    Shown
};

struct SettingChange
{
    QString key;
    QJsonValue before; // the document's JSON value
    QJsonValue after;
    bool secret = false;

    bool operator==(const SettingChange&) const = default;
};

using SettingsChange = std::vector<SettingChange>;

// The settings in which `wanted` differs from `module`, in the document's key order. The identity
// keys never count, nor the pre-shared key: it is derived from the pass phrase and the SSID, so
// its change shows as theirs.
SettingsChange settingsChange(const SettingsDocument& module, const SettingsDocument& wanted);

// A setting's values before and after as one line shows them: compact JSON, secrets masked.
std::pair<QString, QString> changeTexts(const SettingChange& change, Secrets secrets);

// One line per setting: `ssid: "Office" -> "PrinterNet"`, values in compact JSON.
QStringList changeLines(const SettingsChange& change, Secrets secrets);
// {"ssid": {"before": "Office", "after": "PrinterNet"}, ...}
QJsonObject changeObject(const SettingsChange& change, Secrets secrets);

// A whole document (as `get --json` prints it) with its secrets masked, unless they are shown.
QJsonObject withSecrets(QJsonObject document, Secrets secrets);

} // namespace quarlink::settings
