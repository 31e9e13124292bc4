// quarlink-cli psk: the WPA pre-shared key the program sends for a pass phrase and an SSID.
#include "cli/Subcommands.h"
#include "netmgmt/WpaPsk.h"
#include "settings/JsonValueForms.h"
#include "settings/SettingsDocument.h"

namespace quarlink::cli {

int runPsk(const Invocation& invocation)
{
    QCommandLineParser parser;
    const QCommandLineOption ssid(QStringLiteral("ssid"),
                                  QStringLiteral("The SSID (at most 32 bytes)."),
                                  QStringLiteral("S"));
    const QCommandLineOption passphrase(QStringLiteral("passphrase"),
                                        QStringLiteral("The pass phrase (at most 32 bytes)."),
                                        QStringLiteral("P"));
    parser.addOptions({ssid, passphrase});
    if (const auto status = parseOptions(
            parser, invocation,
            QStringLiteral(
                "Prints the 64 hexadecimal digits of the WPA pre-shared key derived from "
                "the pass phrase and the SSID (PBKDF2-HMAC-SHA1, 4096 rounds).")))
        return *status;
    if (!parser.isSet(ssid) || !parser.isSet(passphrase))
        return usageError(invocation, QStringLiteral("--ssid and --passphrase are required"));

    settings::SettingsDocument document;
    document.ssid = parser.value(ssid).toStdString();
    document.passphrase = parser.value(passphrase).toStdString();
    // The module keeps both in 32-byte items; a longer text would give a key for another text.
    for (const auto& [name, text] :
         {std::pair{"--ssid", &document.ssid}, std::pair{"--passphrase", &document.passphrase}}) {
        if (text->size() > netmgmt::kWpaFieldSize)
            return usageError(invocation,
                              QStringLiteral("%1: at most 32 bytes").arg(QLatin1String(name)));
    }
    printOut(settings::hexText(document.derivedPsk()));
    return kExitSuccess;
}

} // namespace quarlink::cli
