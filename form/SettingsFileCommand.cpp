// Commands "Save Settings..." and "Load Settings..." of the full command set: the form's
// settings as a settings document in a file, and a document from a file applied over the form.
// A document goes out through the payloads "Set Info" sends and comes back through the display
// of the items "Get Info" reads, so a saved form loads as the same form. Loading writes nothing
// to the module; "Set Info" does.
#include "form/CQuarlinkView.h"

#include "platform/Prompter.h"
#include "resources/ControlIds.h"
#include "serial/SettingsItems.h"
#include "settings/SettingsDocument.h"
#include "settings/SettingsJson.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

const QString kFilter = QStringLiteral("Settings documents (*.json);;All Files (*.*)");
const QLatin1String kSetupTextKey("setupText");
// Far more than any document: the longest text holds 2047 bytes.
constexpr qint64 kMaxDocumentSize = 1 << 20;

} // namespace

bool CQuarlinkView::isSettingsFileCommandEnabled() const
{
    return settingsRead == 1 || recordShown == 1;
}

settings::SettingsDocument CQuarlinkView::settingsFromForm() const
{
    settings::SettingsDocument document;
    document.identity = moduleIdentity;
    for (const auto& item : serial::kSettingsItems)
        document.takeItem(item.code, BuildItemPayload(item.code));
    if (connectionMode == ConnectionMode::Serial)
        document.takeSetupText(setupText);
    return document;
}

void CQuarlinkView::showSettings(const settings::SettingsDocument& document, bool showPsk)
{
    // Over the LAN the user class id is shown but not offered for editing; showing its item
    // must not make it editable.
    const bool userClassEditable = control(IDC_USER_CLASS_ID)->isEnabled();
    for (const auto& item : serial::kSettingsItems)
        if (item.code != serial::item::WpaPsk || showPsk)
            ShowSettingsItem(item.code, document.itemPayload(item.code));
    if (connectionMode == ConnectionMode::TcpIp)
        enable({IDC_USER_CLASS_ID, IDC_DEFAULT_USER_CLASS}, userClassEditable);
    if (connectionMode == ConnectionMode::Serial) {
        setupText.fill(0);
        std::copy_n(document.setupText.begin(),
                    std::min(document.setupText.size(), setupText.size() - 1), setupText.begin());
    }
}

void CQuarlinkView::OnSaveSettings()
{
    if (!collectForm())
        return;
    const QString path = platform::prompter().getSaveFileName(
        QStringLiteral("Save Settings"), kFilter, QStringLiteral("settings.json"));
    if (path.isEmpty())
        return;
    QJsonObject json = settings::toJson(settingsFromForm());
    // A module on the LAN holds no setup text: its document has none rather than an empty one.
    if (connectionMode == ConnectionMode::TcpIp)
        json.remove(kSetupTextKey);
    // Written whole or not at all, and readable by its owner only: it holds the secrets.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(QJsonDocument(json).toJson()) < 0 || !file.commit())
        platform::messageBox(QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
}

void CQuarlinkView::OnLoadSettings()
{
    if (!collectForm())
        return;
    const QString path =
        platform::prompter().getOpenFileName(QStringLiteral("Load Settings"), kFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::messageBox(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        return;
    }
    const QByteArray text = file.read(kMaxDocumentSize + 1);
    if (text.size() > kMaxDocumentSize) {
        platform::messageBox(
            QStringLiteral("%1: larger than 1 MiB, not a settings document").arg(path));
        return;
    }
    const settings::ParsedDocument parsed = settings::parseDocument(text);
    if (!parsed.object) {
        platform::messageBox(QString::fromStdString(parsed.error));
        return;
    }
    if (connectionMode == ConnectionMode::TcpIp && parsed.object->contains(kSetupTextKey)) {
        platform::messageBox(QStringLiteral("setupText: a module on the LAN holds no setup text"));
        return;
    }
    const settings::SettingsDocument shown = settingsFromForm();
    settings::SettingsDocument wanted = shown;
    if (const std::string error = settings::applyDocument(*parsed.object, wanted); !error.empty()) {
        platform::messageBox(QString::fromStdString(error));
        return;
    }
    // The form shows the module's key until the pass phrase or the SSID changes.
    settings::updatePsk(shown, wanted, settings::PskUpdate::Always);
    showSettings(wanted, wanted.passphrase != shown.passphrase || wanted.ssid != shown.ssid);
}

} // namespace quarlink::form
