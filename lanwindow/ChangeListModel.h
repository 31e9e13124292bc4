// The changes a preview found, one row per module and key: MAC address, key, the value before
// and after (secrets masked). Rows come in batches, each inserted at once, so that a burst of
// results costs the view one update.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <array>
#include <vector>

namespace quarlink::lanwindow {

class ChangeListModel : public QAbstractTableModel
{
public:
    using Row = std::array<QString, 4>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(std::vector<Row> rows);
    void clear();
    const Row& row(int index) const { return m_rows[static_cast<std::size_t>(index)]; }

private:
    std::vector<Row> m_rows;
};

} // namespace quarlink::lanwindow
