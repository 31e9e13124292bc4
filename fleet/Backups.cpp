#include "fleet/Backups.h"

#include "settings/DocumentFile.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"
#include "settings/SettingsKeys.h"

#include <QDir>

namespace quarlink::fleet {

BackupsReading readBackups(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists())
        return {std::nullopt, QStringLiteral("%1 is not a folder").arg(folder)};
    Backups backups;
    std::map<QString, QString> files; // MAC address -> the file that holds its backup
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        const settings::DocumentText text = settings::readDocumentFile(path);
        if (!text.text)
            return {std::nullopt, text.error};
        const settings::ParsedDocument parsed = settings::parseDocument(*text.text);
        const auto mac = parsed.object
                             ? settings::parseMacAddress(parsed.object->value("mac").toString())
                             : std::nullopt;
        if (!mac)
            return {std::nullopt, QStringLiteral("%1: %2").arg(
                                      path, parsed.object ? QStringLiteral("holds no \"mac\"")
                                                          : QString::fromStdString(parsed.error))};
        const QString macText = settings::macAddressText(*mac);
        if (const auto other = files.find(macText); other != files.end())
            return {std::nullopt, QStringLiteral("%1 and %2 both hold a backup of %3; keep one")
                                      .arg(other->second, path, macText)};
        files[macText] = path;
        QJsonObject keys = *parsed.object;
        for (const QString& key : keys.keys())
            if (settings::isNeverWritten(key))
                keys.remove(key);
        backups[macText] = keys;
    }
    if (backups.empty())
        return {std::nullopt, QStringLiteral("%1 holds no backup (*.json)").arg(folder)};
    return {std::move(backups), {}};
}

std::optional<QString> makeRunFolder(const QString& root, const QDateTime& start, QString& error)
{
    const QString stamp = start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QDir parent(root);
    if (!parent.mkpath(QStringLiteral("."))) {
        error = QStringLiteral("cannot make the folder %1").arg(root);
        return std::nullopt;
    }
    for (int n = 1; n < 100; ++n) {
        const QString name = n == 1 ? stamp : QStringLiteral("%1-%2").arg(stamp).arg(n);
        if (parent.exists(name))
            continue;
        // Owner-only from the start: the backups hold the modules' secrets.
        if (!parent.mkdir(name,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            break;
        return parent.filePath(name);
    }
    error = QStringLiteral("cannot make a folder for the backups in %1").arg(root);
    return std::nullopt;
}

} // namespace quarlink::fleet
