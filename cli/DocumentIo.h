// Settings documents in and out of quarlink-cli: a document's text read from a file or standard
// input, and settings printed as aligned "key: value" lines.
#pragma once

#include "settings/DocumentFile.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace quarlink::cli {

using settings::DocumentText;

// The text of the document at `path`, "-" for standard input.
DocumentText readDocumentText(const QString& path);

// One line per entry, the values aligned after the longest key.
void printEntries(const std::vector<std::pair<QString, QJsonValue>>& entries);

// A JSON document on standard output, indented.
void printJson(const QJsonDocument& document);

} // namespace quarlink::cli
