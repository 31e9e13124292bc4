// The backups of a run: a folder holding one settings document per module, <MAC>.json, written
// before the module is changed (see RunContext) and read back by a restore. A folder is checked
// whole before anything is sent: every file a settings document that holds its module's MAC
// address, no MAC address in two files.
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <map>
#include <optional>

namespace quarlink::fleet {

// The settings keys of each backup by the MAC address it holds ("00:30:F9:00:00:01"): those its
// file holds, less the identity and the derived key, which a restore does not write.
using Backups = std::map<QString, QJsonObject>;

struct BackupsReading
{
    std::optional<Backups> backups; // nothing: `error` names the file or folder and the reason
    QString error;
};

BackupsReading readBackups(const QString& folder);

// A new folder, readable by its owner only, for the backups of one run started at `start`:
// `root`/<date and time>, with a number added when a run of the same second has one. Nothing,
// with the reason in `error`, when it cannot be made.
std::optional<QString> makeRunFolder(const QString& root, const QDateTime& start, QString& error);

} // namespace quarlink::fleet
