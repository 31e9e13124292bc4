// quarlink-cli get: the Get Info sequence, printed as the settings document (JSON) or as aligned
// "key: value" lines.
#include "cli/SerialSession.h"
#include "cli/Subcommands.h"
#include "settings/SettingsJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace quarlink::cli {

namespace {

QString plainValue(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return QString::number(value.toInteger());
    if (value.isNull())
        return QStringLiteral("null");
    // Arrays and {"hex": ...} texts in their JSON form.
    const QJsonDocument json =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return QString::fromUtf8(json.toJson(QJsonDocument::Compact));
}

void printLines(const settings::SettingsDocument& document)
{
    const auto entries = settings::settingsEntries(document);
    qsizetype width = 0;
    for (const auto& entry : entries)
        width = std::max(width, entry.first.size() + 1);
    for (const auto& [key, value] : entries) {
        // A multi-line text (the setup text) continues on indented lines.
        QString text = plainValue(value);
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(width + 1, QLatin1Char(' ')));
        printOut(QStringLiteral("%1 %2").arg(key + QLatin1Char(':'), -width).arg(text));
    }
}

} // namespace

int runGet(const Invocation& invocation)
{
    QCommandLineParser parser;
    const LineOptions lineOptions(parser);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints the settings document as JSON."));
    parser.addOption(json);
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral("Reads the module's identity and every setting (Get Info) and prints "
                           "them as aligned 'key: value' lines, or as the JSON settings document "
                           "that 'set' takes.")))
        return *status;
    const auto line = lineOptions.read(parser, invocation);
    if (!line)
        return kExitUsage;

    SerialSession session;
    ModuleReadout readout;
    if (!session.open(*line) || !session.readSettings(readout))
        return kExitFailure;
    if (parser.isSet(json))
        std::fputs(QJsonDocument(settings::toJson(readout.document)).toJson().constData(), stdout);
    else
        printLines(readout.document);
    return kExitSuccess;
}

} // namespace quarlink::cli
