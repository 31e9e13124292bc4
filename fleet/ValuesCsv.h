// Per-module values from a spreadsheet export: a header row naming the `mac` and/or `port`
// column and settings keys, then one row per module. Comma or semicolon separated (the header
// decides), fields quoted with double quotes where they hold either, UTF-8 with or without a
// byte-order mark, LF or CRLF line ends. An empty cell means "not given"; a row of empty cells
// (separators only) is skipped.
#pragma once

#include "netmgmt/ModuleRecord.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace quarlink::fleet {

struct ValuesRow
{
    bool serial = false; // names a port, not a MAC address
    netmgmt::MacAddress mac{};
    QString port;
    QJsonObject keys; // the given cells, each as the settings key's JSON type
    int line = 0;     // 1 is the header
};

struct ValuesParse
{
    std::optional<std::vector<ValuesRow>> rows; // nothing: `error` names the line and reason
    std::string error;
};

// `name` is the file's name for messages ("values.csv line 3: ...").
ValuesParse parseValuesCsv(const QByteArray& text, const QString& name);

} // namespace quarlink::fleet
