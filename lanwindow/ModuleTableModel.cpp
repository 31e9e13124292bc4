#include "lanwindow/ModuleTableModel.h"

#include "settings/JsonValueForms.h"
#include "settings/RecordMapping.h"
#include "settings/SettingsJson.h"

#include <QJsonDocument>

namespace quarlink::lanwindow {

namespace {

// The document key each column shows; none for the result.
constexpr const char* kKeys[] = {"mac",     "moduleIp", "productId", "firmware", "ssid",
                                 "channel", "dhcp",     "security",  nullptr};
static_assert(std::size(kKeys) == ModuleTableModel::ColumnCount);

const char* const kTitles[] = {"MAC Address", "IP Address", "Product",  "Firmware", "SSID",
                               "Channel",     "DHCP",       "Security", "Result"};
static_assert(std::size(kTitles) == ModuleTableModel::ColumnCount);

QString valueText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    if (value.isDouble())
        return QString::number(value.toInteger());
    if (value.isObject()) // a text that is not UTF-8: {"hex": "..."}
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    return {}; // null: no channel chosen
}

} // namespace

ModuleRow moduleRow(const netmgmt::ModuleRecord& record)
{
    ModuleRow row;
    row.mac = record.mac_address;
    row.record = record;
    row.entries = settings::entriesObject(settings::recordEntries(record));
    return row;
}

QString cellText(const ModuleRow& row, int column)
{
    if (column == ModuleTableModel::Result)
        return row.result;
    if (column == ModuleTableModel::Mac)
        return settings::macAddressText(row.mac);
    return valueText(row.entries.value(QLatin1String(kKeys[column])));
}

int ModuleTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ModuleTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ModuleTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ModuleRow& row = module(index.row());
    if (role == Qt::DisplayRole)
        return cellText(row, index.column());
    if (role != SortRole)
        return {};
    const QJsonValue value = index.column() == Result
                                 ? QJsonValue(row.result)
                                 : row.entries.value(QLatin1String(kKeys[index.column()]));
    if (index.column() == Address)
        return settings::parseIpv4(value.toString()).value_or(0);
    if (value.isDouble())
        return value.toInteger();
    return cellText(row, index.column());
}

QVariant ModuleTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section < ColumnCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}

std::optional<int> ModuleTableModel::rowOf(const netmgmt::MacAddress& mac) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].mac == mac)
            return static_cast<int>(i);
    return std::nullopt;
}

void ModuleTableModel::showSearch(std::vector<ModuleRow> found)
{
    beginResetModel();
    std::erase_if(m_rows, [](const ModuleRow& row) { return !row.addedByHand; });
    for (ModuleRow& fresh : found) {
        if (const auto existing = rowOf(fresh.mac)) {
            ModuleRow& kept = m_rows[static_cast<std::size_t>(*existing)];
            fresh.addedByHand = true;
            fresh.address = kept.address;
            kept = std::move(fresh);
        } else {
            m_rows.push_back(std::move(fresh));
        }
    }
    endResetModel();
}

void ModuleTableModel::addModule(ModuleRow row)
{
    row.addedByHand = true;
    if (const auto existing = rowOf(row.mac)) {
        m_rows[static_cast<std::size_t>(*existing)] = std::move(row);
        rowChanged(*existing);
    } else {
        appendRow(std::move(row));
    }
}

void ModuleTableModel::setResult(const netmgmt::MacAddress& mac, const QString& text)
{
    int row = 0;
    if (const auto existing = rowOf(mac)) {
        row = *existing;
    } else {
        ModuleRow added;
        added.mac = mac;
        row = appendRow(std::move(added));
    }
    m_rows[static_cast<std::size_t>(row)].result = text;
    const QModelIndex cell = index(row, Result);
    emit dataChanged(cell, cell);
}

void ModuleTableModel::showWritten(const netmgmt::MacAddress& mac,
                                   const settings::SettingsChange& change)
{
    const auto row = rowOf(mac);
    if (!row)
        return;
    QJsonObject& entries = m_rows[static_cast<std::size_t>(*row)].entries;
    for (const settings::SettingChange& setting : change)
        entries.insert(setting.key, setting.after);
    // Only the settings' columns: a sort by another column stays as it is.
    emit dataChanged(index(*row, Ssid), index(*row, Security));
}

int ModuleTableModel::appendRow(ModuleRow row)
{
    const int at = rowCount();
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
    return at;
}

void ModuleTableModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

} // namespace quarlink::lanwindow
