// quarlink-cli setup: the module's setup variables text and the setup file, with the rules of the
// window's setup file dialog. "setup save" reads the module (Get Info) and writes its setup text
// to FILE byte for byte; "setup upload" reads FILE as the dialog reads it and uploads the text
// ('W' 0xFF). A file the dialog would refuse is refused before anything is sent.
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "serial/SettingsItems.h"
#include "setupfile/SetupTextFile.h"

#include <QFile>

#include <algorithm>
#include <array>

#include <unistd.h>

namespace quarlink::cli {

namespace {

using SetupBuffer = std::array<std::uint8_t, serial::kSetupTextBufferSize>;

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

int fileRefused(const Invocation& invocation, const QString& file,
                const setupfile::FileOutcome& outcome)
{
    return badInput(invocation, file + QStringLiteral(": ") +
                                    QString::fromStdString(outcome.message()).trimmed());
}

// Whether FILE can be written, checked before the module is read so that a wrong name costs no
// exchange with it.
bool canWrite(const std::string& path)
{
    if (::access(path.c_str(), F_OK) == 0)
        return ::access(path.c_str(), W_OK) == 0;
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, std::max<size_t>(slash, 1));
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

int save(const Invocation& invocation, const LineChoice& line, const QString& file)
{
    const std::string path = localPath(file);
    if (!canWrite(path))
        return fileRefused(invocation, file, {setupfile::FileStatus::NotFound});
    SerialSession session;
    ModuleReadout readout;
    if (!session.open(line) || !session.readSettings(readout))
        return kExitFailure;
    // The text as the window keeps it: in the setup text buffer, before its terminating zero.
    SetupBuffer buffer{};
    const std::string& text = readout.document.setupText;
    std::copy_n(text.begin(), std::min(text.size(), buffer.size() - 1), buffer.begin());
    if (const auto outcome = setupfile::saveSetupFile(path, buffer); !outcome.ok())
        return fileRefused(invocation, file, outcome);
    return kExitSuccess;
}

int upload(const Invocation& invocation, const LineChoice& line, const QString& file)
{
    SetupBuffer buffer{};
    if (const auto outcome = setupfile::loadSetupFile(localPath(file), buffer); !outcome.ok())
        return fileRefused(invocation, file, outcome);
    SerialSession session;
    if (!session.open(line) ||
        !session.writeItem(serial::item::SetupText, setupfile::uploadPayload(buffer)))
        return kExitFailure;
    printOut(QStringLiteral("Success"));
    return kExitSuccess;
}

} // namespace

int runSetup(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LineOptions lineOptions(parser);
    parser.addPositionalArgument(
        QStringLiteral("save|upload"),
        QStringLiteral("save: read the module and write its setup text to FILE; upload: send "
                       "FILE's text to the module."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The setup file."));
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Saves the module's setup variables text to a file, byte for byte, or "
                           "uploads a setup file to the module. A file to upload holds at most "
                           "2047 bytes; its text ends at its first zero byte."),
            2))
        return *status;
    const QStringList positional = parser.positionalArguments();
    const QString action = positional.value(0);
    if (action != QLatin1String("save") && action != QLatin1String("upload"))
        return usageError(invocation, action.isEmpty()
                                          ? QStringLiteral("save or upload is missing")
                                          : QStringLiteral("unknown action '%1'").arg(action));
    if (positional.size() < 2)
        return usageError(invocation, QStringLiteral("the setup FILE is missing"));
    const auto line = lineOptions.read(parser, invocation);
    if (!line)
        return kExitUsage;
    return action == QLatin1String("save") ? save(invocation, *line, positional[1])
                                           : upload(invocation, *line, positional[1]);
}

} // namespace quarlink::cli
