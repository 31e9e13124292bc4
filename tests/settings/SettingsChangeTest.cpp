// The change between two settings documents: which keys count, their order, and the two
// renderings with secrets masked or shown.
#include "settings/SettingsChange.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <functional>

namespace quarlink::settings {
namespace {

SettingsDocument moduleDocument()
{
    SettingsDocument d;
    d.ssid = "Office";
    d.passphrase = "old-secret";
    d.psk = d.derivedPsk();
    d.localIp = 0xC0A80132;
    d.wlan.wpaMode = 4;
    return d;
}

TEST(settings_Change, CountsTheSettingsThatDifferInKeyOrder)
{
    const struct
    {
        const char* what;
        std::function<void(SettingsDocument&)> edit;
        QStringList masked;
        QStringList shown;
    } cases[] = {
        {"nothing", [](SettingsDocument&) {}, {}, {}},
        {"the identity and the key alone",
         [](SettingsDocument& d) {
             d.identity.fill(0x42);
             d.psk.fill(0);
         },
         {},
         {}},
        {"an SSID, which also changes the derived key",
         [](SettingsDocument& d) {
             d.ssid = "PrinterNet";
             d.psk = d.derivedPsk();
         },
         {R"(ssid: "Office" -> "PrinterNet")"},
         {R"(ssid: "Office" -> "PrinterNet")"}},
        {"two keys, listed in the document's order",
         [](SettingsDocument& d) {
             d.userClassId = "PTR-1";
             d.localIp = 0x0A000007;
         },
         {R"(localIp: "192.168.1.50" -> "10.0.0.7")", R"(userClassId: "" -> "PTR-1")"},
         {R"(localIp: "192.168.1.50" -> "10.0.0.7")", R"(userClassId: "" -> "PTR-1")"}},
        {"secrets",
         [](SettingsDocument& d) {
             d.passphrase = "new-secret";
             d.wep64Keys[0] = 1;
         },
         {R"(wep64Keys: "********" -> "********")", R"(passphrase: "********" -> "********")"},
         {R"(wep64Keys: ["0000000000","0000000000","0000000000","0000000000"] -> )"
          R"(["0100000000","0000000000","0000000000","0000000000"])",
          R"(passphrase: "old-secret" -> "new-secret")"}},
        {"a code and a text that is no UTF-8",
         [](SettingsDocument& d) {
             d.wlan.wpaMode = 2;
             d.peerDomainName = std::string(1, '\xFF');
         },
         {R"(wpaMode: "wpa2-psk" -> "wpa-psk")", R"(peerDomainName: "" -> {"hex":"ff"})"},
         {R"(wpaMode: "wpa2-psk" -> "wpa-psk")", R"(peerDomainName: "" -> {"hex":"ff"})"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SettingsDocument wanted = moduleDocument();
        c.edit(wanted);
        const SettingsChange change = settingsChange(moduleDocument(), wanted);
        EXPECT_EQ(changeLines(change, Secrets::Masked), c.masked);
        EXPECT_EQ(changeLines(change, Secrets::Shown), c.shown);
        EXPECT_EQ(changeObject(change, Secrets::Shown).size(), c.shown.size());
    }
}

TEST(settings_Change, JsonFormMasksSecretsUnlessShown)
{
    SettingsDocument wanted = moduleDocument();
    wanted.ssid = "PrinterNet";
    wanted.passphrase = "new-secret";
    const SettingsChange change = settingsChange(moduleDocument(), wanted);

    const QJsonObject masked = changeObject(change, Secrets::Masked);
    EXPECT_EQ(masked.value("ssid"), (QJsonObject{{"before", "Office"}, {"after", "PrinterNet"}}));
    EXPECT_EQ(masked.value("passphrase"),
              (QJsonObject{{"before", "********"}, {"after", "********"}}));
    EXPECT_EQ(changeObject(change, Secrets::Shown).value("passphrase"),
              (QJsonObject{{"before", "old-secret"}, {"after", "new-secret"}}));

    const QJsonObject document{{"ssid", "Office"}, {"psk", "00"}, {"wep128Keys", QJsonArray{}}};
    EXPECT_EQ(withSecrets(document, Secrets::Masked),
              (QJsonObject{{"ssid", "Office"}, {"psk", "********"}, {"wep128Keys", "********"}}));
    EXPECT_EQ(withSecrets(document, Secrets::Shown), document);
}

} // namespace
} // namespace quarlink::settings
