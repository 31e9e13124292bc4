#include "settings/DocumentFile.h"

namespace quarlink::settings {

namespace {

// Far more than any document: the longest text key holds 2047 bytes.
constexpr qint64 kMaxDocumentSize = 1 << 20;

} // namespace

DocumentText readDocumentText(QFile& file, const QString& name)
{
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read %1: %2").arg(name, file.errorString())};
    QByteArray text = file.read(kMaxDocumentSize + 1);
    if (text.size() > kMaxDocumentSize)
        return {std::nullopt,
                QStringLiteral("%1: larger than 1 MiB, not a settings document").arg(name)};
    return {std::move(text), {}};
}

DocumentText readDocumentFile(const QString& path)
{
    QFile file(path);
    return readDocumentText(file, path);
}

} // namespace quarlink::settings
