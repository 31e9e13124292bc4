#include "cli/DocumentIo.h"

#include "cli/CliCommon.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

namespace quarlink::cli {

namespace {

QString plainValue(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return QString::number(value.toInteger());
    if (value.isNull())
        return QStringLiteral("null");
    // Arrays and {"hex": ...} texts in their JSON form.
    const QJsonDocument json =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return QString::fromUtf8(json.toJson(QJsonDocument::Compact));
}

} // namespace

DocumentText readDocumentText(const QString& path)
{
    if (path != QLatin1String("-"))
        return settings::readDocumentFile(path);
    QFile file;
    file.open(stdin, QIODevice::ReadOnly); // when it fails, the read says so
    return settings::readDocumentText(file, path);
}

void printJson(const QJsonDocument& document)
{
    std::fputs(document.toJson().constData(), stdout);
}

void printEntries(const std::vector<std::pair<QString, QJsonValue>>& entries)
{
    qsizetype width = 0;
    for (const auto& entry : entries)
        width = std::max(width, entry.first.size() + 1);
    for (const auto& [key, value] : entries) {
        // A multi-line text (the setup text) continues on indented lines.
        QString text = plainValue(value);
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(width + 1, QLatin1Char(' ')));
        printOut(QStringLiteral("%1 %2").arg(key + QLatin1Char(':'), -width).arg(text));
    }
}

} // namespace quarlink::cli
