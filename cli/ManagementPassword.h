// The management password a write sends to a module that reports one: read from a file given
// with --password-file (or named by a plan) or from the QUARLINK_MGMT_PASSWORD variable, never
// from an option value, which every user of the machine could see. Without either it is the 10
// zero bytes of an unprotected module. No text made here ever holds the password.
#pragma once

#include "cli/CliCommon.h"
#include "netmgmt/CDalmorTCP.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <optional>

namespace quarlink::cli {

using ManagementPassword = netmgmt::CDalmorTCP::Password;

inline constexpr char kPasswordVariable[] = "QUARLINK_MGMT_PASSWORD";

struct PasswordReading
{
    std::optional<ManagementPassword> password; // nothing: `error` says why
    QString error;
};

// `text` as the write sends it: its bytes, zero-filled to 10. More than 10 bytes is refused.
PasswordReading passwordFromText(const QByteArray& text);

// The first line of the file at `path`, without its line end (LF or CRLF), as a password.
PasswordReading readPasswordFile(const QString& path);

// The --password-file option of a subcommand that writes to modules.
class PasswordOptions
{
public:
    explicit PasswordOptions(QCommandLineParser& parser);

    // The file's password, else the variable's, else 10 zero bytes; nothing, reported as bad input,
    // when the file cannot be read or either holds more than 10 bytes.
    std::optional<ManagementPassword> read(const QCommandLineParser& parser,
                                           const Invocation& invocation) const;

private:
    QCommandLineOption m_file;
};

} // namespace quarlink::cli
