// The text of a file a user names as input (a settings document, a backup, a plan, a values
// file), read whole up to a size no document reaches: a larger file, or one that cannot be
// read, is refused with a message naming it before anything is parsed.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace quarlink::settings {

struct DocumentText
{
    std::optional<QByteArray> text; // nothing: `error` says why
    QString error;
};

// Reads `file`, opened or not yet (then opened read-only); `name` names it in messages.
DocumentText readDocumentText(QFile& file, const QString& name);
// The text of the file at `path`.
DocumentText readDocumentFile(const QString& path);

} // namespace quarlink::settings
