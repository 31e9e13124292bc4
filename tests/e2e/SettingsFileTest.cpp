// "Save Settings..." and "Load Settings..." against a simulated module: a saved form loads back
// as the same form, and a bad document is refused with its key and reason, the form unchanged.
#include "EndToEndFixture.h"

#include "settings/SettingsJson.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace quarlink::testing {
namespace {

class SettingsFileEndToEnd : public EndToEnd
{
protected:
    // What every control shows and whether it is usable.
    QStringList formState() const
    {
        QStringList state;
        for (const auto& [id, name] : kControlNames) {
            QWidget* c = w(id);
            QString value;
            if (auto* e = qobject_cast<QLineEdit*>(c))
                value = e->text();
            else if (auto* b = qobject_cast<QComboBox*>(c))
                value = QString::number(b->currentIndex());
            else if (auto* a = qobject_cast<QAbstractButton*>(c))
                value = a->isCheckable() ? QString::number(a->isChecked()) : QString();
            state << QStringLiteral("%1=%2 %3").arg(QLatin1String(name), value).arg(c->isEnabled());
        }
        return state;
    }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    void writeFile(const QString& file, const QByteArray& text) const
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }

    bool run(int command, const QString& file)
    {
        prompter.fileAnswers = {file};
        return view->onCommand(command);
    }

    QTemporaryDir dir;
};

TEST_F(SettingsFileEndToEnd, SavedFormLoadsBackAsTheSameForm)
{
    start();
    EXPECT_FALSE(view->isCommandEnabled(ID_FILE_SAVE_SETTINGS));
    EXPECT_FALSE(view->isCommandEnabled(ID_FILE_LOAD_SETTINGS));
    ASSERT_TRUE(runGetInfo());
    ASSERT_TRUE(prompter.messages.empty()) << prompter.texts().join("; ").toStdString();
    const QStringList read = formState();
    const std::size_t commandsAfterRead = module->runner().receivedCommands().size();

    ASSERT_TRUE(run(ID_FILE_SAVE_SETTINGS, path("module.json")));
    QFile saved(path("module.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
    const QJsonObject json = QJsonDocument::fromJson(saved.readAll()).object();
    EXPECT_EQ(json.keys().size(), 31) << "every key of the document";
    EXPECT_TRUE(settings::parseDocument(QJsonDocument(json).toJson()).object);

    // Edits of the form are undone by the saved document.
    edit(IDC_SSID)->setText(QStringLiteral("Elsewhere"));
    edit(IDC_LOCAL_IP)->setText(QStringLiteral("10.9.8.7"));
    button(IDC_SECURITY_NONE)->click();
    choose(IDC_WLAN_MODE, combo(IDC_WLAN_MODE)->currentIndex() == 0 ? 1 : 0);
    ASSERT_NE(formState(), read);

    ASSERT_TRUE(run(ID_FILE_LOAD_SETTINGS, path("module.json")));
    EXPECT_TRUE(prompter.messages.empty()) << prompter.texts().join("; ").toStdString();
    EXPECT_EQ(formState(), read);
    EXPECT_EQ(module->runner().receivedCommands().size(), commandsAfterRead) << "nothing sent";
}

TEST_F(SettingsFileEndToEnd, BadDocumentIsRefusedWithItsKeyAndTheFormStays)
{
    start();
    ASSERT_TRUE(runGetInfo());
    const QStringList read = formState();
    const struct
    {
        const char* text;
        const char* message;
    } cases[] = {
        {R"({"channel": 15})", "channel: "},
        {R"({"localIp": "10.0.0.300"})", "localIp: expected a dotted IPv4 address"},
        {R"({"ssid": "Office", "colour": "red"})", "colour: unknown key"},
        {R"({"security": "wpa", "passphrase": "short"})", "passphrase: "},
        {R"({"ssid": )", "not a JSON document"},
    };
    for (const auto& c : cases) {
        prompter.messages.clear();
        writeFile(path("bad.json"), c.text);
        ASSERT_TRUE(run(ID_FILE_LOAD_SETTINGS, path("bad.json")));
        ASSERT_EQ(prompter.messages.size(), 1u) << c.text;
        EXPECT_TRUE(prompter.messages[0].text.startsWith(QLatin1String(c.message)))
            << c.text << " -> " << prompter.messages[0].text.toStdString();
        EXPECT_EQ(formState(), read) << c.text;
    }
}

} // namespace
} // namespace quarlink::testing
