#include "fleet/PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlink::fleet {

namespace {

QString failure(const QString& path, const char* step, int error)
{
    return QStringLiteral("cannot write %1: %2 (%3)")
        .arg(path, QLatin1String(step), QString::fromLocal8Bit(std::strerror(error)));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString writePrivateFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    // mkstemp creates the file with mode 0600; the name starts with a dot to stay out of the way.
    QByteArray temporary =
        QFile::encodeName(info.dir().filePath(QLatin1Char('.') + info.fileName() + ".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return failure(path, "create a temporary file", errno);
    const bool written =
        writeAll(fd, bytes) && ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temporary.constData());
        return failure(path, "write", written ? errno : writeError);
    }
    if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.constData());
        return failure(path, "rename", renameError);
    }
    return {};
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
