#include "lanwindow/ModuleExport.h"

#include "settings/RecordMapping.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace quarlink::lanwindow {

namespace {

// A field quoted when it holds a separator, a quote or a line end; quotes doubled inside. A
// field a spreadsheet would take for a formula (an SSID is anyone's text) starts with an
// apostrophe, so that opening the export runs nothing.
QString csvField(QString text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray tableCsv(const std::vector<const ModuleRow*>& rows)
{
    const ModuleTableModel titles;
    QStringList fields;
    for (int column = 0; column < ModuleTableModel::ColumnCount; ++column)
        fields << csvField(titles.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    QString text = fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    for (const ModuleRow* row : rows) {
        fields.clear();
        for (int column = 0; column < ModuleTableModel::ColumnCount; ++column)
            fields << csvField(cellText(*row, column));
        text += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    }
    return text.toUtf8();
}

QByteArray searchJson(std::vector<const ModuleRow*> rows)
{
    std::erase_if(rows, [](const ModuleRow* row) { return !row->record; });
    std::sort(rows.begin(), rows.end(),
              [](const ModuleRow* a, const ModuleRow* b) { return a->mac < b->mac; });
    QJsonArray modules;
    for (const ModuleRow* row : rows)
        modules.append(settings::searchSummary(*row->record));
    return QJsonDocument(modules).toJson();
}

} // namespace quarlink::lanwindow
