// A file only its owner may read (mode 0600), written atomically: the bytes go to a temporary
// file in the same folder, which is then renamed over the path. A reader never sees a part of
// the file, and a failed write leaves an older file at the path as it was. For backups of a
// module's settings, which hold its secrets.
#pragma once

#include <QByteArray>
#include <QString>

namespace quarlink::fleet {

// Empty on success; otherwise what failed, naming the path.
QString writePrivateFile(const QString& path, const QByteArray& bytes);

// Empty when a file can be written at `path` (its folder exists and may be written, and the path
// is no folder itself); otherwise the reason. For refusing a path before a module is touched.
QString privateFilePathProblem(const QString& path);

} // namespace quarlink::fleet
