#include "cli/ManagementPassword.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>

namespace quarlink::cli {

namespace {

constexpr qsizetype kPasswordSize = std::tuple_size_v<ManagementPassword>;
// Enough of the file to hold the longest password with a CRLF after it, and one byte more to
// tell a longer first line.
constexpr qint64 kFirstLineLimit = kPasswordSize + 3;

const QString kTooLong = QStringLiteral("the password is longer than 10 bytes");

} // namespace

PasswordReading passwordFromText(const QByteArray& text)
{
    if (text.size() > kPasswordSize)
        return {std::nullopt, kTooLong};
    ManagementPassword password{};
    std::copy(text.begin(), text.end(), password.begin());
    return {password, {}};
}

PasswordReading readPasswordFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt,
                QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString())};
    QByteArray head = file.read(kFirstLineLimit);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt,
                QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString())};
    if (const qsizetype end = head.indexOf('\n'); end >= 0) {
        head.truncate(end);
        if (head.endsWith('\r'))
            head.chop(1);
    }
    return passwordFromText(head);
}

PasswordOptions::PasswordOptions(QCommandLineParser& parser)
    : m_file(QStringLiteral("password-file"),
             QStringLiteral("File whose first line is the module's management password (at "
                            "most 10 bytes); over the QUARLINK_MGMT_PASSWORD variable. Without "
                            "either, a module with a password refuses the write."),
             QStringLiteral("FILE"))
{
    parser.addOption(m_file);
}

std::optional<ManagementPassword> PasswordOptions::read(const QCommandLineParser& parser,
                                                        const Invocation& invocation) const
{
    PasswordReading reading{ManagementPassword{}, {}};
    QString source;
    if (parser.isSet(m_file)) {
        source = QStringLiteral("--password-file");
        reading = readPasswordFile(parser.value(m_file));
    } else if (const char* value = std::getenv(kPasswordVariable)) {
        source = QLatin1String(kPasswordVariable);
        reading = passwordFromText(QByteArray(value));
    }
    if (!reading.password)
        badInput(invocation, QStringLiteral("%1: %2").arg(source, reading.error));
    return reading.password;
}

} // namespace quarlink::cli
