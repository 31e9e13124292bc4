// TCP/IP mode on the form: the switch, the network panel's enable states, the Local / Remote
// choice and the way back to Serial mode.
#include "FormFixture.h"

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

const int kMacPairs[] = {IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3,
                         IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6};

using NetworkPanel = FormFixture;

TEST_F(NetworkPanel, TcpIpModeShowsThePanelWithLocalChosenAndTheDefaultMac)
{
    enableEverything();
    view->SelectTcpIpMode();

    EXPECT_EQ(view->connectionMode, form::ConnectionMode::TcpIp);
    for (int id : {IDC_PORT, IDC_BAUD_RATE, IDC_OPEN, IDC_CLOSE, IDC_PORT_LABEL})
        EXPECT_TRUE(w(id)->isHidden()) << id;
    EXPECT_TRUE(button(IDC_TARGET_LOCAL)->isChecked());
    EXPECT_FALSE(button(IDC_TARGET_REMOTE)->isChecked());
    // As specified, the four buttons stay greyed.
    for (int id : {IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_SEARCH, IDC_READ}) {
        EXPECT_FALSE(w(id)->isHidden()) << id;
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    }
    QStringList mac;
    for (int id : kMacPairs) {
        EXPECT_TRUE(w(id)->isEnabled()) << id;
        mac << edit(id)->text();
    }
    EXPECT_EQ(mac, (QStringList{"00", "30", "F9", "00", "00", "01"}));
    EXPECT_TRUE(w(IDC_MODULE_LIST)->isEnabled());
    EXPECT_FALSE(w(IDC_MODULE_ADDRESS)->isEnabled());
    // The mode switch locks the form.
    EXPECT_FALSE(w(IDC_SET_INFO)->isEnabled());
    EXPECT_FALSE(w(IDC_SSID)->isEnabled());
}

TEST_F(NetworkPanel, ChoosingTcpIpAgainResetsEditedMacPairs)
{
    view->SelectTcpIpMode();
    edit(IDC_MAC_PAIR6)->setText("7f");
    ASSERT_TRUE(view->collectForm());
    view->recordShown = 1;
    view->SelectTcpIpMode();
    EXPECT_EQ(edit(IDC_MAC_PAIR6)->text(), "01");
    EXPECT_EQ(view->recordShown, 0);
}

TEST_F(NetworkPanel, RemoteTargetSwapsTheMacFieldsForTheAddressField)
{
    view->setAllCommands(true);
    view->SelectTcpIpMode();
    for (int id : {IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_SEARCH, IDC_READ})
        EXPECT_TRUE(w(id)->isEnabled()) << id;

    button(IDC_TARGET_REMOTE)->click();
    EXPECT_FALSE(button(IDC_TARGET_LOCAL)->isChecked());
    EXPECT_TRUE(button(IDC_TARGET_REMOTE)->isChecked());
    for (int id : kMacPairs)
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    EXPECT_TRUE(w(IDC_MODULE_ADDRESS)->isEnabled());
    EXPECT_TRUE(w(IDC_MODULE_LIST)->isEnabled());

    button(IDC_TARGET_LOCAL)->click();
    EXPECT_TRUE(button(IDC_TARGET_LOCAL)->isChecked());
    EXPECT_FALSE(button(IDC_TARGET_REMOTE)->isChecked());
    EXPECT_FALSE(w(IDC_MODULE_ADDRESS)->isEnabled());
}

TEST_F(NetworkPanel, ReadRefusesAMacPairThatIsNoHexadecimalByte)
{
    view->setAllCommands(true);
    view->SelectTcpIpMode();
    edit(IDC_MAC_PAIR4)->setText("g1");
    button(IDC_READ)->click();
    EXPECT_EQ(prompter.texts(),
              QStringList{"MAC address byte 4 is not a hexadecimal number: \"g1\""});
    EXPECT_NE(edit(IDC_PRINTER_STATUS)->text(), "Reading...");
}

TEST_F(NetworkPanel, SerialModeHidesThePanelAgainAndClearsRecordShown)
{
    view->SelectTcpIpMode();
    view->recordShown = 1;
    view->SelectSerialMode();
    for (int id : {IDC_TARGET_LOCAL, IDC_MODULE_LIST, IDC_SEARCH, IDC_READ, IDC_MAC_PAIR1})
        EXPECT_TRUE(w(id)->isHidden()) << id;
    EXPECT_FALSE(w(IDC_OPEN)->isHidden());
    EXPECT_EQ(view->recordShown, 0);
    EXPECT_FALSE(view->isCommandEnabled(ID_WLAN_FW_DOWNLOAD));
}

} // namespace
} // namespace quarlink::testing
