// Get Info and Set Info end to end: every field read as the module holds it, every item
// written as the form shows it.
#include "EndToEndFixture.h"

#include "serial/SettingsItems.h"

#include <QCheckBox>

namespace quarlink::testing {
namespace {

using serial::kSettingsItems;

TEST_F(EndToEnd, GetInfoFillsEveryFieldAsTheModuleHoldsIt)
{
    start();
    ASSERT_TRUE(runGetInfo());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(w(IDC_SET_INFO)->isEnabled());
    EXPECT_FALSE(w(IDC_GET_INFO)->isEnabled());
    EXPECT_EQ(view->settingsRead, 1);

    // Every item the form would write back is byte for byte what the module holds.
    ASSERT_TRUE(view->collectForm());
    for (const auto& item : kSettingsItems)
        EXPECT_EQ(view->BuildItemPayload(item.code), committed(item.code)) << int(item.code);

    EXPECT_EQ(edit(IDC_MODULE_INFO)->text(),
              "ProductID 3 , Ver1.2a , 00000000 , MAC00:11:22:33:44:55 , 0000");
    EXPECT_EQ(edit(IDC_MAC_ADDRESS)->text(), "00:11:22:33:44:55");
    EXPECT_EQ(edit(IDC_LOCAL_IP)->text(), "192.168.1.50");
    EXPECT_EQ(edit(IDC_SSID)->text(), "ThisIsASSID");
    EXPECT_EQ(edit(IDC_WPA_KEY)->text(), "ThisIsAPassword");
    EXPECT_EQ(edit(IDC_WPA_PSK)->text(),
              "0DC0D6EB90555ED6419756B9A15EC3E3209B63DF707DD508D14581F8982721AF");
    EXPECT_TRUE(button(IDC_SECURITY_WPA)->isChecked());
    EXPECT_EQ(combo(IDC_WPA_ENCRYPTION)->currentText(), "WPA2 PSK");
    EXPECT_EQ(combo(IDC_CIPHER)->currentText(), "AES");
    EXPECT_FALSE(w(IDC_CHANNEL)->isEnabled()); // infrastructure
    EXPECT_EQ(combo(IDC_CHANNEL)->currentText(), "6");

    const std::string setup = initial.setupText();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->setupText.data())), setup);
}

TEST_F(EndToEnd, SetInfoWritesFourteenItemsThenFinishes)
{
    start();
    ASSERT_TRUE(runGetInfo());

    button(IDC_DHCP)->click();
    choose(IDC_WLAN_MODE, 1);
    combo(IDC_CHANNEL)->setCurrentIndex(5);
    button(IDC_SECURITY_WEP)->click();
    choose(IDC_WEP_KEY_LENGTH, 1);
    button(IDC_KEY3)->click();
    choose(IDC_AUTHENTICATION, 2);
    combo(IDC_CIPHER)->setCurrentIndex(0);
    edit(IDC_LOCAL_PORT)->setText("5000");
    edit(IDC_PEER_PORT)->setText("80");
    edit(IDC_PEER_IP)->setText("192.168.0.10");
    edit(IDC_USER_CLASS_ID)->setText(QString(64, 'u'));
    const auto before = module->runner().receivedCommands().size();

    ASSERT_TRUE(runSetInfo());
    EXPECT_EQ(prompter.texts(), QStringList{"Success"});
    EXPECT_TRUE(w(IDC_GET_INFO)->isEnabled());
    EXPECT_TRUE(w(IDC_SET_INFO)->isEnabled());

    const auto commands = module->runner().receivedCommands();
    std::vector<sim::CommandRecord> written(commands.begin() + before, commands.end());
    std::vector<sim::CommandRecord> expected{{'S', {}}};
    for (const auto& item : kSettingsItems)
        expected.push_back({'W', item.code});
    expected.push_back({'F', {}});
    expected.push_back({'G', {}});
    EXPECT_EQ(written, expected);

    EXPECT_EQ(committed(0x10), (Bytes{0x01, 0x00}));
    EXPECT_EQ(committed(0x20), (Bytes{0x01, 0x06, 0x02, 0x02, 0x02, 0x00, 0x00}));
    const Bytes options = committed(0x30);
    EXPECT_EQ(Bytes(options.begin(), options.begin() + 8),
              (Bytes{0xC0, 0xA8, 0x00, 0x0A, 0x88, 0x13, 0x50, 0x00}));
    EXPECT_EQ(committed(0x50), Bytes(64, 'u'));
}

TEST_F(EndToEnd, SetInfoWithoutEditsWritesBackEverythingUnchanged)
{
    // Values the module holds that no list offers, or that fill a whole text field, go back
    // as they came, and the form stays usable.
    const sim::ModuleSettings defaults = sim::defaultModuleSettings();
    const auto options = defaults.item(0x30);
    Bytes muxTypeFour(options.begin(), options.end());
    muxTypeFour[8] = 4;
    const std::pair<std::uint8_t, Bytes> cases[] = {
        {0x00, {192, 168, 1, 50}},                          // the defaults
        {0x40, Bytes(64, 'd')},                             // no terminating zero
        {0x20, {0x02, 0x0F, 0x00, 0x00, 0x02, 0x00, 0x00}}, // mode, channel, authentication
        {0x30, muxTypeFour},
    };
    for (const auto& [code, payload] : cases) {
        SCOPED_TRACE(int(code));
        view.reset();
        prompter.messages.clear();
        sim::SimulatedModuleConfig config;
        ASSERT_TRUE(config.settings.setItem(code, payload));
        start(config);
        ASSERT_TRUE(runGetInfo());
        ASSERT_TRUE(runSetInfo());
        EXPECT_EQ(prompter.texts(), QStringList{"Success"});
        const auto after = module->runner().committedSettings();
        for (const auto& item : kSettingsItems) {
            const auto a = after.item(item.code);
            const auto b = initial.item(item.code);
            EXPECT_EQ(Bytes(a.begin(), a.end()), Bytes(b.begin(), b.end())) << int(item.code);
        }
        // Opening again collects the form as well.
        button(IDC_CLOSE)->click();
        button(IDC_OPEN)->click();
        EXPECT_TRUE(view->isPortOpen()) << prompter.texts().join("; ").toStdString();
    }
}

TEST_F(EndToEnd, EditsWrittenBySetInfoComeBackWithTheNextGetInfo)
{
    start();
    ASSERT_TRUE(runGetInfo());
    edit(IDC_SSID)->setText("lab-net");
    edit(IDC_WPA_KEY)->setText("correct horse battery");
    edit(IDC_LOCAL_IP)->setText("10.1.2.3");
    ASSERT_TRUE(runSetInfo());
    prompter.messages.clear();

    // A fresh form, so nothing on it survives from the edit. The module's answer to the closing
    // 'G' must be in before the port opens again, or it would meet the next Get Info.
    const auto sent = module->runner().receivedCommands().size();
    button(IDC_CLOSE)->click();
    waitForCommands(sent + 1);
    view = std::make_unique<form::CQuarlinkView>(&ports);
    view->OnInitialUpdate();
    button(IDC_OPEN)->click();
    ASSERT_TRUE(runGetInfo());
    EXPECT_EQ(edit(IDC_SSID)->text(), "lab-net");
    EXPECT_EQ(edit(IDC_WPA_KEY)->text(), "correct horse battery");
    EXPECT_EQ(edit(IDC_LOCAL_IP)->text(), "10.1.2.3");
    // The module received the key derived from the new pass phrase and SSID.
    ASSERT_TRUE(view->collectForm());
    EXPECT_EQ(view->BuildItemPayload(0x25), committed(0x25));
    const auto before = initial.item(0x25);
    EXPECT_NE(committed(0x25), Bytes(before.begin(), before.end()));
}

} // namespace
} // namespace quarlink::testing
