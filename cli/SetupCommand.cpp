// quarlink-cli setup: the module's setup variables text and the setup file, with the rules of the
// window's setup file dialog. "setup save" reads the module (Get Info) and writes its setup text
// to FILE byte for byte; "setup upload" reads FILE as the dialog reads it and uploads the text
// ('W' 0xFF). A file the dialog would refuse is refused before anything is sent. Asked to
// compare (--if-changed, --dry-run, --json), the upload reads the module's text first and says
// whether the file's differs.
#include "cli/DocumentIo.h"
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "serial/SettingsItems.h"
#include "settings/SettingsJson.h"
#include "setupfile/SetupTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

namespace quarlink::cli {

namespace {

using SetupBuffer = std::array<std::uint8_t, serial::kSetupTextBufferSize>;

// File names reach the setup file functions in UTF-8, as every file name of the OS layer.
std::string localPath(const QString& path)
{
    return path.toStdString();
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
    const QFileInfo file(QString::fromStdString(path));
    if (file.exists())
        return file.isWritable();
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && folder.isWritable();
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

struct UploadChoice
{
    bool compare = false; // read the module's text first
    bool ifChanged = false;
    bool dryRun = false;
    bool json = false;
};

// The result for scripts: the change of the one key an upload touches, in the settings
// document's form of a text.
QJsonObject uploadResult(const QString& port, const std::string& before, const std::string& after,
                         bool written)
{
    QJsonObject changes;
    if (before != after) {
        settings::SettingsDocument document;
        document.setupText = before;
        const QJsonValue beforeValue = settings::toJson(document).value(QLatin1String("setupText"));
        document.setupText = after;
        const QJsonValue afterValue = settings::toJson(document).value(QLatin1String("setupText"));
        changes.insert(QLatin1String("setupText"),
                       QJsonObject{{QLatin1String("before"), beforeValue},
                                   {QLatin1String("after"), afterValue}});
    }
    return {{QLatin1String("target"), port},
            {QLatin1String("changed"), before != after},
            {QLatin1String("changes"), changes},
            {QLatin1String("written"), written}};
}

int upload(const Invocation& invocation, const LineChoice& line, const QString& file,
           const UploadChoice& choice)
{
    SetupBuffer buffer{};
    if (const auto outcome = setupfile::loadSetupFile(localPath(file), buffer); !outcome.ok())
        return fileRefused(invocation, file, outcome);
    SerialSession session;
    if (!session.open(line))
        return kExitFailure;
    const auto text = setupfile::setupTextOf(buffer);
    const std::string wanted(text.begin(), text.end());
    std::string current = wanted;
    if (choice.compare) {
        ModuleReadout readout;
        if (!session.readSettings(readout))
            return kExitFailure;
        current = readout.document.setupText;
    }
    const bool send = !choice.dryRun && (!choice.ifChanged || current != wanted);
    if (send && !session.writeItem(serial::item::SetupText, setupfile::uploadPayload(buffer)))
        return kExitFailure;
    if (choice.json)
        printJson(QJsonDocument(uploadResult(line.port, current, wanted, send)));
    else if (send)
        printOut(QStringLiteral("Success"));
    else if (current == wanted)
        printOut(QStringLiteral("Unchanged"));
    else
        printOut(QStringLiteral("Would change setupText"));
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
    const QCommandLineOption ifChanged(
        QStringLiteral("if-changed"),
        QStringLiteral("upload: read the module's text first and upload only when FILE's "
                       "differs (\"Unchanged\" otherwise)."));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("upload: read the module's text and compare it with FILE's; send nothing."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("upload: read the module's text first and print the result as JSON: "
                       "target, changed, changes, written."));
    parser.addOptions({ifChanged, dryRun, json});
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
    if (action == QLatin1String("save"))
        return save(invocation, *line, positional[1]);
    UploadChoice choice;
    choice.ifChanged = parser.isSet(ifChanged);
    choice.dryRun = parser.isSet(dryRun);
    choice.json = parser.isSet(json);
    choice.compare = choice.ifChanged || choice.dryRun || choice.json;
    return upload(invocation, *line, positional[1], choice);
}

} // namespace quarlink::cli
