// Collecting and refreshing the form: the number and length checks, exchange order, and what
// a refresh puts back.
#include "FormFixture.h"

#include <QApplication>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

using Exchange = FormFixture;

TEST_F(Exchange, CollectCopiesEveryKindOfValue)
{
    view->show();
    edit(IDC_LOCAL_IP)->setText("192.168.0.10");
    edit(IDC_LOCAL_PORT)->setText(" 5000 ");
    edit(IDC_SSID)->setText("office");
    combo(IDC_BAUD_RATE)->setCurrentIndex(3);
    ASSERT_TRUE(view->collectForm());
    EXPECT_EQ(view->values().localIp, 0xC0A8000Au);
    EXPECT_EQ(view->values().localPort, 5000u);
    EXPECT_EQ(view->values().ssid, "office");
    EXPECT_EQ(view->values().baudRateText, "9600");
    EXPECT_EQ(view->values().portText, "ttyS0");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(Exchange, LocalPortThatIsNoUnsignedNumberStopsWithFocusInTheField)
{
    enableEverything();
    view->show();
    QApplication::setActiveWindow(view.get());
    for (const char* bad : {"50a0", "-1", "", "99999999999", "1.5"}) {
        prompter.messages.clear();
        edit(IDC_LOCAL_PORT)->setText(bad);
        edit(IDC_SSID)->setText("not reached");
        EXPECT_FALSE(view->collectForm()) << bad;
        ASSERT_EQ(prompter.texts(), QStringList{"Please enter a positive integer."}) << bad;
        EXPECT_EQ(prompter.messages[0].caption, "Quarlink");
        EXPECT_EQ(QApplication::focusWidget(), w(IDC_LOCAL_PORT)) << bad;
        // Values after the failing one in exchange order are left as they were.
        EXPECT_TRUE(view->values().ssid.isEmpty()) << bad;
    }
    edit(IDC_LOCAL_PORT)->setText("65535");
    EXPECT_TRUE(view->collectForm());
}

TEST_F(Exchange, PortBeyondSixteenBitsIsRefusedRatherThanWrittenCut)
{
    enableEverything();
    edit(IDC_PEER_PORT)->setText("65536");
    EXPECT_FALSE(view->collectForm());
    EXPECT_EQ(prompter.texts(), QStringList{"Please enter an integer between 0 and 65535."});
}

TEST_F(Exchange, OverLongTextStopsWithItsLimitInTheMessage)
{
    enableEverything();
    view->show();
    QApplication::setActiveWindow(view.get());
    edit(IDC_WPA_KEY)->setMaxLength(100); // as if the limit had not been applied yet
    edit(IDC_WPA_KEY)->setText(QString(33, 'k'));
    EXPECT_FALSE(view->collectForm());
    EXPECT_EQ(prompter.texts(), QStringList{"Please enter no more than 32 characters."});
    EXPECT_EQ(QApplication::focusWidget(), w(IDC_WPA_KEY));

    prompter.messages.clear();
    edit(IDC_WPA_KEY)->setText(QString(32, 'k'));
    EXPECT_TRUE(view->collectForm());
    EXPECT_EQ(view->values().wpaKey, QString(32, 'k'));
}

TEST_F(Exchange, TextLongerThanItsFieldFromAModuleGoesBackAsItCameButNotWhenEdited)
{
    enableEverything();
    view->values().peerDomainName = QString(64, 'd'); // a module's full 64-byte field
    view->refreshForm();
    EXPECT_EQ(edit(IDC_PEER_DOMAIN)->text(), QString(64, 'd'));
    EXPECT_TRUE(view->collectForm());
    EXPECT_EQ(view->values().peerDomainName, QString(64, 'd'));
    EXPECT_TRUE(prompter.messages.empty());

    // Edited by the operator, the text is held to the field's limit again.
    edit(IDC_PEER_DOMAIN)->setText(QString(63, 'd') + 'e');
    EXPECT_FALSE(view->collectForm());
    EXPECT_EQ(prompter.texts(), QStringList{"Please enter no more than 63 characters."});

    // A text that fits brings the field's own limit back.
    view->values().peerDomainName = "printer.example";
    view->refreshForm();
    EXPECT_EQ(edit(IDC_PEER_DOMAIN)->maxLength(), 63);
    edit(IDC_PEER_DOMAIN)->setText(QString(64, 'd'));
    EXPECT_EQ(edit(IDC_PEER_DOMAIN)->text(), QString(63, 'd'));
}

TEST_F(Exchange, RefreshShowsValuesAndOverwritesTypedText)
{
    auto& v = view->values();
    v.gatewayIp = 0x0A000001;
    v.waterMark = 1024;
    v.userClassId = "PTR-x";
    v.printerStatus = "ttyS0 is opened";
    edit(IDC_SSID)->setText("typed");
    view->refreshForm();
    EXPECT_EQ(edit(IDC_GATEWAY_IP)->text(), "10.0.0.1");
    EXPECT_EQ(edit(IDC_WATER_MARK)->text(), "1024");
    EXPECT_EQ(edit(IDC_USER_CLASS_ID)->text(), "PTR-x");
    EXPECT_EQ(edit(IDC_PRINTER_STATUS)->text(), "ttyS0 is opened");
    EXPECT_EQ(edit(IDC_SSID)->text(), "");
}

TEST_F(Exchange, RefreshSelectsTheListEntryOfTheCollectedText)
{
    combo(IDC_BAUD_RATE)->setCurrentIndex(7);
    ASSERT_TRUE(view->collectForm());
    combo(IDC_BAUD_RATE)->setCurrentIndex(0);
    view->refreshForm();
    EXPECT_EQ(combo(IDC_BAUD_RATE)->currentText(), "115200");
}

TEST_F(Exchange, IpAddressFieldReadsPartialAndBlankOctetsAsZero)
{
    edit(IDC_SUBNET_MASK)->setText("255.255.");
    ASSERT_TRUE(view->collectForm());
    EXPECT_EQ(view->values().subnetMask, 0xFFFF0000u);
}

} // namespace
} // namespace quarlink::testing
