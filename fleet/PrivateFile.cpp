// Private files through the OS layer; the checks and messages in the program's words.
#include "fleet/PrivateFile.h"

#include "os/PrivateFile.h"
#include "os/SystemError.h"

#include <QFileInfo>

#include <span>

namespace quarlink::fleet {

QString writePrivateFile(const QString& path, const QByteArray& bytes)
{
    const auto failure = os::writePrivateFile(
        path.toStdString(), std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())));
    if (!failure)
        return {};
    return QStringLiteral("cannot write %1: %2 (%3)")
        .arg(path, QLatin1String(failure->step),
             QString::fromStdString(os::systemErrorText(failure->error)));
}

QString privateFilePathProblem(const QString& path)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (path.isEmpty() || info.isDir())
        return QStringLiteral("\"%1\" is not a file name").arg(path);
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 cannot be written").arg(folder.filePath());
    return {};
}

} // namespace quarlink::fleet
