#include "settings/SettingsChange.h"

#include "settings/SettingsJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace quarlink::settings {

namespace {

QJsonValue shown(const SettingChange& c, const QJsonValue& value, Secrets secrets)
{
    return c.secret && secrets == Secrets::Masked ? QJsonValue(QLatin1String(kSecretMask)) : value;
}

QString compactJson(const QJsonValue& value)
{
    // QJsonDocument holds only arrays and objects: wrap the value and cut the brackets off.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

} // namespace

SettingsChange settingsChange(const SettingsDocument& module, const SettingsDocument& wanted)
{
    const auto before = settingsEntries(module);
    const auto after = settingsEntries(wanted);
    SettingsChange change;
    for (std::size_t k = 0; k < before.size(); ++k) {
        const QString& key = before[k].first;
        if (!isNeverWritten(key) && before[k].second != after[k].second)
            change.push_back({key, before[k].second, after[k].second, isSecretKey(key)});
    }
    return change;
}

std::pair<QString, QString> changeTexts(const SettingChange& change, Secrets secrets)
{
    return {compactJson(shown(change, change.before, secrets)),
            compactJson(shown(change, change.after, secrets))};
}

QStringList changeLines(const SettingsChange& change, Secrets secrets)
{
    QStringList lines;
    for (const SettingChange& c : change) {
        const auto [before, after] = changeTexts(c, secrets);
        lines << QStringLiteral("%1: %2 -> %3").arg(c.key, before, after);
    }
    return lines;
}

QJsonObject changeObject(const SettingsChange& change, Secrets secrets)
{
    QJsonObject object;
    for (const SettingChange& c : change)
        object.insert(c.key, QJsonObject{{QStringLiteral("before"), shown(c, c.before, secrets)},
                                         {QStringLiteral("after"), shown(c, c.after, secrets)}});
    return object;
}

QJsonObject withSecrets(QJsonObject document, Secrets secrets)
{
    if (secrets == Secrets::Masked)
        for (std::string_view key : kSecretKeys)
            if (document.contains(keyText(key)))
                document.insert(keyText(key), QLatin1String(kSecretMask));
    return document;
}

} // namespace quarlink::settings
