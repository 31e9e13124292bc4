// The settings document: items come back as they went in, the JSON form carries every setting
// through a round trip, and the security kind sets the codes the form writes.
#include "settings/JsonValueForms.h"
#include "settings/SettingsJson.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace quarlink::settings {
namespace {

namespace item = serial::item;

Bytes patternFor(const serial::SettingsItem& it)
{
    Bytes bytes(it.length);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(it.code * 7 + i * 13 + 1);
    return bytes;
}

bool isText(std::uint8_t code)
{
    return code == item::Ssid || code == item::WpaPassphrase || code == item::PeerDomainName ||
           code == item::UserClassId;
}

TEST(settings_Document, EveryItemComesBackAsItWent)
{
    SettingsDocument document;
    for (const auto& it : serial::kSettingsItems) {
        Bytes payload = patternFor(it);
        if (isText(it.code))
            std::fill(payload.begin() + 5, payload.end(), 0); // a text and its zero fill
        EXPECT_TRUE(document.takeItem(it.code, payload));
        EXPECT_EQ(document.itemPayload(it.code), payload) << int(it.code);
        EXPECT_FALSE(document.takeItem(it.code, Bytes(it.length + 1)));
    }
    EXPECT_TRUE(document.itemPayload(item::SetupText).empty());
}

TEST(settings_Document, JsonCarriesEverySettingThroughARoundTrip)
{
    SettingsDocument original;
    original.localIp = 0x0A000107;
    original.subnetMask = 0xFFFF0000;
    original.dnsIp = 0x08080808;
    original.dhcp = 1;
    original.wlan = {.mode = 0,
                     .channel = 11,
                     .wepKeyLength = 2,
                     .defaultKey = 3,
                     .authentication = 2,
                     .wpaMode = 0,
                     .cipher = 1};
    original.ssid = "Caf\xC3\xA9";        // UTF-8: a string
    original.passphrase = "\xFF\xFEpass"; // not UTF-8: {"hex": ...}
    original.wep64Keys.fill(0xA5);
    original.wep128Keys[51] = 0x7F;
    original.options = {.peerIp = 0xC0A8000A,
                        .localPort = 5000,
                        .peerPort = 65535,
                        .muxType = 3,
                        .codListen = 1,
                        .waterMark = 1024};
    original.peerDomainName = std::string(63, 'd');
    original.userClassId = std::string(64, 'u');
    original.setupText = "a=1\nb=\x80\n";

    const QByteArray text = QJsonDocument(toJson(original)).toJson();
    const ParsedDocument parsed = parseDocument(text);
    ASSERT_TRUE(parsed.object) << parsed.error;
    SettingsDocument restored;
    EXPECT_EQ(applyDocument(*parsed.object, restored), "");
    restored.psk = original.psk; // derived on writing, never taken from a document
    EXPECT_EQ(restored, original) << text.toStdString();
}

TEST(settings_Document, NullKeepsCodesWithoutAName)
{
    SettingsDocument document;
    document.options.muxType = 9;
    document.wlan.channel = 20;
    document.dhcp = 2; // true, in a code of the module's own
    const QJsonObject json = toJson(document);
    EXPECT_TRUE(json.value("muxType").isNull());
    EXPECT_TRUE(json.value("channel").isNull());
    EXPECT_EQ(applyDocument(json, document), "");
    EXPECT_EQ(document.options.muxType, 9);
    EXPECT_EQ(document.dhcp, 2);
    EXPECT_EQ(document.wlan.channel, 0); // a null channel is no channel, as the form writes it
}

TEST(settings_Document, SecurityKindSetsTheCodesTheFormWrites)
{
    const struct
    {
        std::uint8_t wepKeyLength, wpaMode;
        Security kind;
        std::uint8_t wantKeyLength, wantWpaMode;
    } cases[] = {
        {0, 0, Security::Wep, 1, 0}, // the form's first entries: 64 bits
        {2, 0, Security::Wep, 2, 0}, // a key length already chosen stays
        {2, 0, Security::Wpa, 0, 2}, // WPA PSK
        {0, 4, Security::Wpa, 0, 4}, // the kind the module has keeps its codes
        {1, 4, Security::None, 0, 0}, {1, 4, Security::Wep, 1, 0},
        {3, 0, Security::Wep, 3, 0}, // also a key length without a name
    };
    for (const auto& c : cases) {
        SettingsDocument document;
        document.wlan.wepKeyLength = c.wepKeyLength;
        document.wlan.wpaMode = c.wpaMode;
        document.setSecurity(c.kind);
        EXPECT_EQ(document.wlan.wepKeyLength, c.wantKeyLength);
        EXPECT_EQ(document.wlan.wpaMode, c.wantWpaMode);
        EXPECT_EQ(document.security(), c.kind);
    }
}

TEST(settings_Document, WhatGetAndReadPrintIsAcceptedBack)
{
    // The identity as `get` and `read` print it is checked for its form only: a LAN module's
    // product id takes 16 bits, and `read` adds the address the module answered from.
    const struct
    {
        const char* document;
        const char* error; // empty: accepted
    } cases[] = {
        {R"({"productId": 300, "moduleIp": "127.0.0.2", "mac": "00:30:F9:0A:0B:0C"})", ""},
        {R"({"productId": 65535, "firmware": "1.2a"})", ""},
        {R"({"mac": "00-30-f9-0a-0b-0c"})", ""},
        {R"({"productId": 65536})", "productId: expected a whole number from 0 to 65535"},
        {R"({"moduleIp": "127.0.0"})", "moduleIp: expected a dotted IPv4 address"},
        {R"({"moduleIp": 7})", "moduleIp: expected a dotted IPv4 address"},
        {R"({"mac": "00:30:f9:0a:0b"})", "mac: expected six hexadecimal pairs"},
    };
    for (const auto& c : cases) {
        const ParsedDocument parsed = parseDocument(c.document);
        EXPECT_EQ(parsed.error.substr(0, std::string(c.error).size()), c.error) << c.document;
        EXPECT_EQ(parsed.object.has_value(), *c.error == 0) << c.document;
        if (!parsed.object)
            continue;
        SettingsDocument document;
        EXPECT_EQ(applyDocument(*parsed.object, document), "");
        EXPECT_EQ(document, SettingsDocument()) << "the identity is never applied";
    }
}

TEST(settings_Forms, MacAddressesAreParsedInEveryGivenFormAndPrintedInOne)
{
    const std::array<std::uint8_t, 6> mac{0x00, 0x30, 0xF9, 0x0A, 0xBC, 0x01};
    for (const char* text : {"00:30:F9:0A:BC:01", "00:30:f9:0a:bc:01", "00-30-f9-0A-bc-01"}) {
        EXPECT_EQ(parseMacAddress(text), mac) << text;
        EXPECT_EQ(macAddressText(*parseMacAddress(text)), "00:30:F9:0A:BC:01");
    }
    for (const char* text :
         {"00:30-f9:0a:bc:01", "0030f90abc01", "00:30:f9:0a:bc", "00:30:f9:0a:bc:0g",
          "00:30:f9:0a:bc:01:02", " 00:30:f9:0a:bc:01", "0:30:f9:0a:bc:01"})
        EXPECT_FALSE(parseMacAddress(text)) << text;
}

TEST(settings_Document, ThePskIsDerivedAgainByOneRule)
{
    SettingsDocument module;
    module.ssid = "Office";
    module.passphrase = "old-secret";
    module.psk.fill(0x11); // a key of the module's own, not the derived one
    const struct
    {
        const char* what;
        PskUpdate when;
        std::string ssid, passphrase;
        bool derived; // else the module's key stays
    } cases[] = {
        {"serial write, nothing changed", PskUpdate::Always, "Office", "old-secret", true},
        {"LAN write, nothing changed", PskUpdate::WhenPassphraseOrSsidChanges, "Office",
         "old-secret", false},
        {"LAN write, new SSID", PskUpdate::WhenPassphraseOrSsidChanges, "Plant", "old-secret",
         true},
        {"LAN write, new pass phrase", PskUpdate::WhenPassphraseOrSsidChanges, "Office",
         "new-secret", true},
    };
    for (const auto& c : cases) {
        SettingsDocument wanted = module;
        wanted.ssid = c.ssid;
        wanted.passphrase = c.passphrase;
        updatePsk(module, wanted, c.when);
        EXPECT_EQ(wanted.psk, c.derived ? wanted.derivedPsk() : module.psk) << c.what;
    }
}

} // namespace
} // namespace quarlink::settings
