// Reading the CSV of per-module values.
#include "fleet/ValuesCsv.h"

#include "fleet/ProvisionPlan.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <map>

namespace quarlink::fleet {

namespace {

struct Record
{
    std::vector<QString> fields;
    int line = 0;
};

// Splits the text into records of fields; quoted fields may hold separators, doubled quotes
// and line ends. Nothing, with `error`, for a quote left open.
std::optional<std::vector<Record>> splitRecords(const QString& text, QChar separator,
                                                std::string& error)
{
    std::vector<Record> records;
    Record current{{}, 1};
    QString field;
    bool quoted = false;
    bool anyField = false;
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = anyField = true;
        } else if (c == separator) {
            current.fields.push_back(field);
            field.clear();
            anyField = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            if (anyField || !field.isEmpty()) {
                current.fields.push_back(field);
                records.push_back(std::move(current));
            }
            field.clear();
            anyField = false;
            current = Record{{}, ++line};
        } else {
            field += c;
            anyField = true;
        }
    }
    if (quoted) {
        error = "line " + std::to_string(current.line) + ": a quoted field is not closed";
        return std::nullopt;
    }
    if (anyField || !field.isEmpty()) {
        current.fields.push_back(field);
        records.push_back(std::move(current));
    }
    return records;
}

// The JSON type of each settings key, as a document of zero values writes it (WEP security, a
// channel and a default key set, so that the key length, channel and default key show as
// numbers rather than null).
const std::map<QString, QJsonValue::Type>& keyTypes()
{
    static const std::map<QString, QJsonValue::Type> types = [] {
        settings::SettingsDocument sample;
        sample.setSecurity(settings::Security::Wep);
        sample.wlan.channel = 1;
        sample.wlan.defaultKey = 0;
        std::map<QString, QJsonValue::Type> out;
        for (const auto& [key, value] : settings::settingsEntries(sample))
            out[key] = value.isNull() ? QJsonValue::String : value.type();
        return out;
    }();
    return types;
}

// A cell as the key's JSON value; a cell that does not read as the key's type stays text, and
// the document check names what is wrong with it.
QJsonValue cellValue(QJsonValue::Type type, const QString& cell)
{
    const QString trimmed = cell.trimmed();
    switch (type) {
    case QJsonValue::Bool:
        if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || trimmed == "1")
            return true;
        if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || trimmed == "0")
            return false;
        break;
    case QJsonValue::Double: {
        bool ok = false;
        const int n = trimmed.toInt(&ok);
        if (ok)
            return n;
        break;
    }
    case QJsonValue::Array: {
        const QJsonDocument list = QJsonDocument::fromJson(trimmed.toUtf8());
        if (list.isArray())
            return list.array();
        break;
    }
    default:
        break;
    }
    return cell;
}

} // namespace

ValuesParse parseValuesCsv(const QByteArray& bytes, const QString& name)
{
    const std::string file = name.toStdString();
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    const QString text = QString::fromUtf8(data);
    if (text.toUtf8() != data)
        return {std::nullopt, file + ": not UTF-8 text"};
    const qsizetype headerEnd = text.indexOf(QLatin1Char('\n'));
    const QString header = text.left(headerEnd);
    const QChar separator = header.count(QLatin1Char(';')) > header.count(QLatin1Char(','))
                                ? QLatin1Char(';')
                                : QLatin1Char(',');
    std::string error;
    const auto records = splitRecords(text, separator, error);
    if (!records)
        return {std::nullopt, file + " " + error};
    if (records->empty())
        return {std::nullopt, file + ": no header row"};

    const std::vector<QString>& columns = records->front().fields;
    int macColumn = -1;
    int portColumn = -1;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const QString column = columns[c].trimmed();
        const std::string at = file + " line 1, column " + std::to_string(c + 1);
        const int index = static_cast<int>(c);
        if (column == QLatin1String("mac") || column == QLatin1String("port")) {
            int& slot = column == QLatin1String("mac") ? macColumn : portColumn;
            if (slot >= 0)
                return {std::nullopt, at + ": \"" + column.toStdString() + "\" named twice"};
            slot = index;
        } else if (!keyTypes().contains(column)) {
            return {std::nullopt, at + ": \"" + column.toStdString() + "\" is not a settings key"};
        } else if (std::count_if(columns.begin(), columns.begin() + index,
                                 [&](const QString& o) { return o.trimmed() == column; })) {
            return {std::nullopt, at + ": \"" + column.toStdString() + "\" named twice"};
        }
    }
    if (macColumn < 0 && portColumn < 0)
        return {std::nullopt, file + " line 1: the header names no \"mac\" or \"port\" column"};

    std::vector<ValuesRow> rows;
    for (std::size_t r = 1; r < records->size(); ++r) {
        const Record& record = (*records)[r];
        const std::string at = file + " line " + std::to_string(record.line);
        // A row of separators only, such as a spreadsheet's trailing ";;;", gives nothing.
        if (std::all_of(record.fields.begin(), record.fields.end(),
                        [](const QString& field) { return field.trimmed().isEmpty(); }))
            continue;
        if (record.fields.size() > columns.size())
            return {std::nullopt, at + ": more fields than the header has columns"};
        auto cell = [&](int column) {
            return column >= 0 && static_cast<std::size_t>(column) < record.fields.size()
                       ? record.fields[static_cast<std::size_t>(column)].trimmed()
                       : QString();
        };
        ValuesRow row;
        row.line = record.line;
        const QString mac = cell(macColumn);
        row.port = cell(portColumn);
        if (mac.isEmpty() == row.port.isEmpty())
            return {std::nullopt, at + ": give either a mac or a port"};
        row.serial = !row.port.isEmpty();
        if (!row.serial) {
            const auto parsed = settings::parseMacAddress(mac);
            if (!parsed)
                return {std::nullopt, at + ": \"" + mac.toStdString() +
                                          "\" is not a MAC address such as 00:30:f9:00:00:01"};
            row.mac = *parsed;
        }
        for (std::size_t c = 0; c < record.fields.size(); ++c) {
            const int index = static_cast<int>(c);
            if (index == macColumn || index == portColumn || record.fields[c].isEmpty())
                continue;
            const QString key = columns[c].trimmed();
            row.keys.insert(key, cellValue(keyTypes().at(key), record.fields[c]));
        }
        rows.push_back(std::move(row));
    }
    return {std::move(rows), {}};
}

} // namespace quarlink::fleet
