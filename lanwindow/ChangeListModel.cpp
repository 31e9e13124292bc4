#include "lanwindow/ChangeListModel.h"

#include <iterator>

namespace quarlink::lanwindow {

int ChangeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ChangeListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::tuple_size_v<Row>);
}

QVariant ChangeListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return row(index.row())[static_cast<std::size_t>(index.column())];
}

QVariant ChangeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const kTitles[] = {"MAC Address", "Key", "Before", "After"};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(std::size(kTitles)))
        return {};
    return QString::fromLatin1(kTitles[section]);
}

void ChangeListModel::append(std::vector<Row> rows)
{
    if (rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    std::move(rows.begin(), rows.end(), std::back_inserter(m_rows));
    endInsertRows();
}

void ChangeListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

} // namespace quarlink::lanwindow
