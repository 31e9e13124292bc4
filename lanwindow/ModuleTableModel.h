// The table of "Modules on the LAN": one row per module, as its last read or search answer shows
// it, with the result of the last run over it. Rows are kept by MAC address; a search replaces
// the rows it found before, and keeps those added by hand. Columns sort by their values
// (addresses and numbers as numbers) through SortRole.
#pragma once

#include "fleet/ModuleResult.h"
#include "netmgmt/ModuleRecord.h"

#include <QAbstractTableModel>
#include <QJsonObject>

#include <optional>
#include <vector>

namespace quarlink::lanwindow {

struct ModuleRow
{
    netmgmt::MacAddress mac{};
    std::optional<netmgmt::ModuleRecord> record; // nothing: known by a backup only
    // Reached at this address (Remote): added by an address the broadcast does not reach.
    std::optional<netmgmt::Ipv4Bytes> address;
    bool addedByHand = false;
    QJsonObject entries; // the record's settings under their document keys, for the columns
    QString result;
};

class ModuleTableModel : public QAbstractTableModel
{
public:
    enum Column
    {
        Mac,
        Address,
        Product,
        Firmware,
        Ssid,
        Channel,
        Dhcp,
        Security,
        Result,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ModuleRow& module(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    std::optional<int> rowOf(const netmgmt::MacAddress& mac) const;

    // The modules a search found (rows made by moduleRow), in place of those an earlier search
    // found.
    void showSearch(std::vector<ModuleRow> found);
    // A module added by hand (its address set when it was reached by it); its row is kept.
    void addModule(ModuleRow row);
    // The result column of the module's row; a row is added for a module the table lacks.
    void setResult(const netmgmt::MacAddress& mac, const QString& text);
    // After a write the module confirmed: its columns show the values written.
    void showWritten(const netmgmt::MacAddress& mac, const settings::SettingsChange& change);

private:
    int appendRow(ModuleRow row);
    void rowChanged(int row);

    std::vector<ModuleRow> m_rows;
};

// The row of a module as read; made on any thread (the worker that read it, so that the window's
// thread only shows it).
ModuleRow moduleRow(const netmgmt::ModuleRecord& record);

// The text of a cell of `row`.
QString cellText(const ModuleRow& row, int column);

} // namespace quarlink::lanwindow
