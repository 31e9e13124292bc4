// The table of modules as a file: CSV, one line per row under the table's column titles, or the
// JSON array `quarlink-cli search --json` prints (mac, moduleIp, productId, firmware per module,
// sorted by MAC address).
#pragma once

#include "lanwindow/ModuleTableModel.h"

#include <QByteArray>

#include <vector>

namespace quarlink::lanwindow {

QByteArray tableCsv(const std::vector<const ModuleRow*>& rows);
// Rows known by a backup only, with no record read, are left out.
QByteArray searchJson(std::vector<const ModuleRow*> rows);

} // namespace quarlink::lanwindow
