// The form as first shown: Serial mode, locked, defaults selected, hidden controls hidden.
#include "FormFixture.h"

#include <QAccessible>
#include <QLabel>

#include <algorithm>
#include <vector>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

const int kLockedControls[] = {
    IDC_GET_INFO, IDC_SET_INFO, IDC_LOCAL_IP, IDC_SUBNET_MASK, IDC_GATEWAY_IP, IDC_DNS_IP,
    IDC_DHCP, IDC_DNS_AUTO, IDC_DEFAULT_USER_CLASS, IDC_USER_CLASS_ID, IDC_PEER_IP,
    IDC_LOCAL_PORT, IDC_PEER_PORT, IDC_MUX_TYPE, IDC_COD_LISTEN, IDC_WATER_MARK,
    IDC_PEER_DOMAIN, IDC_WLAN_MODE, IDC_CHANNEL, IDC_SSID, IDC_SECURITY_NONE,
    IDC_SECURITY_WEP, IDC_SECURITY_WPA, IDC_AUTHENTICATION, IDC_WEP_KEY_LENGTH, IDC_KEY1,
    IDC_KEY2, IDC_KEY3, IDC_KEY4, IDC_KEY_TEXT1, IDC_KEY_TEXT2, IDC_KEY_TEXT3, IDC_KEY_TEXT4,
    IDC_KEY_FORMAT1, IDC_KEY_FORMAT2, IDC_KEY_FORMAT3, IDC_KEY_FORMAT4, IDC_WPA_ENCRYPTION,
    IDC_CIPHER, IDC_WPA_KEY};

const int kSerialPanel[] = {IDC_PORT_LABEL, IDC_BAUD_RATE_LABEL, IDC_PARITY_LABEL,
                            IDC_DATA_BITS_LABEL, IDC_STOP_BIT_LABEL, IDC_PORT, IDC_BAUD_RATE,
                            IDC_PARITY, IDC_DATA_BITS, IDC_STOP_BIT, IDC_OPEN, IDC_CLOSE};

const int kNetworkPanel[] = {IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_MAC_PAIR1, IDC_MAC_PAIR2,
                             IDC_MAC_PAIR3, IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6,
                             IDC_MODULE_LIST, IDC_MODULE_ADDRESS, IDC_SEARCH, IDC_READ};

const int kNeverShown[] = {IDC_DNS_IP, IDC_DNS_AUTO, IDC_PEER_IP, IDC_PEER_PORT,
                           IDC_MUX_TYPE, IDC_COD_LISTEN, IDC_WATER_MARK, IDC_PEER_DOMAIN,
                           IDC_USER_CLASS_ID, IDC_DEFAULT_USER_CLASS, IDC_WPA_PSK};

using InitialState = FormFixture;

TEST_F(InitialState, SerialPanelShownWithDefaultsAndOnlyOpenUsable)
{
    EXPECT_EQ(view->connectionMode, form::ConnectionMode::Serial);
    EXPECT_EQ(view->recordShown, 0);
    for (int id : kSerialPanel)
        EXPECT_FALSE(w(id)->isHidden()) << id;
    for (int id : {IDC_PORT, IDC_BAUD_RATE, IDC_PARITY, IDC_DATA_BITS, IDC_STOP_BIT, IDC_OPEN})
        EXPECT_TRUE(w(id)->isEnabled()) << id;
    EXPECT_FALSE(w(IDC_CLOSE)->isEnabled());

    EXPECT_EQ(combo(IDC_PORT)->currentText(), "ttyS0");
    EXPECT_EQ(combo(IDC_PORT)->itemData(1, Qt::ToolTipRole).toString(), "USB adapter (FTDI)");
    EXPECT_EQ(combo(IDC_BAUD_RATE)->currentText(), "57600");
    EXPECT_EQ(combo(IDC_PARITY)->currentText(), "None");
    EXPECT_EQ(combo(IDC_DATA_BITS)->currentText(), "8");
    EXPECT_EQ(combo(IDC_STOP_BIT)->currentText(), "1");
}

TEST_F(InitialState, EverySettingsControlLockedAndReadOnlyFieldsEmpty)
{
    for (int id : kLockedControls)
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    for (int id : {IDC_PRINTER_STATUS, IDC_MODULE_INFO, IDC_MAC_ADDRESS}) {
        EXPECT_TRUE(edit(id)->text().isEmpty()) << id;
        EXPECT_TRUE(edit(id)->isReadOnly()) << id;
    }
    EXPECT_EQ(edit(IDC_LOCAL_PORT)->text(), "0");
    EXPECT_EQ(edit(IDC_LOCAL_IP)->text(), "0.0.0.0");
}

TEST_F(InitialState, NetworkPanelAndNeverShownControlsHiddenAndDisabled)
{
    for (int id : kNetworkPanel)
        EXPECT_TRUE(w(id)->isHidden()) << id;
    for (int id : kNeverShown) {
        EXPECT_TRUE(w(id)->isHidden()) << id;
        EXPECT_FALSE(w(id)->isEnabled()) << id;
    }
}

TEST_F(InitialState, ListsHoldTheirEntriesInOrder)
{
    const std::pair<int, QStringList> lists[] = {
        {IDC_BAUD_RATE, {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}},
        {IDC_PARITY, {"None", "Odd", "Even"}},
        {IDC_DATA_BITS, {"7", "8"}},
        {IDC_STOP_BIT, {"1", "2"}},
        {IDC_WLAN_MODE, {"AD-Hoc", "Infrastrucre"}},
        {IDC_AUTHENTICATION, {"None", "Open system", "Shared key", "Mixed mode"}},
        {IDC_WEP_KEY_LENGTH, {"WEP-64bits", "WEP-128bits"}},
        {IDC_KEY_FORMAT3, {"Hex", "ASCII"}},
        {IDC_WPA_ENCRYPTION, {"WPA PSK", "WPA2 PSK"}},
        {IDC_CIPHER, {"None", "TKIP", "AES"}},
        {IDC_MUX_TYPE, {"T2S", "ATC", "COD", "U2S"}},
    };
    for (const auto& [id, items] : lists) {
        QStringList actual;
        for (int i = 0; i < combo(id)->count(); ++i)
            actual << combo(id)->itemText(i);
        EXPECT_EQ(actual, items) << id;
    }
    EXPECT_EQ(combo(IDC_CHANNEL)->count(), 14);
    EXPECT_EQ(combo(IDC_CHANNEL)->itemText(13), "14");
}

TEST_F(InitialState, EveryControlCarriesItsIdNameAndAnAccessibleName)
{
    for (const auto& [id, name] : ids::kControlNames) {
        EXPECT_EQ(w(id)->objectName(), QLatin1String(name));
        if (qobject_cast<QLabel*>(w(id)))
            continue; // a label is read by its text
        EXPECT_FALSE(w(id)->accessibleName().isEmpty()) << name;
        if (qobject_cast<QComboBox*>(w(id))) {
            EXPECT_EQ(w(id)->accessibleDescription(), w(id)->accessibleName()) << name;
        }
    }
    EXPECT_EQ(w(IDC_LOCAL_IP)->accessibleName(), "Local IP Address :");
    EXPECT_EQ(w(IDC_BAUD_RATE)->accessibleName(), "Baud Rate");
    EXPECT_EQ(w(IDC_PRINTER_STATUS)->accessibleName(), "Printer Status");
    EXPECT_EQ(w(IDC_KEY_FORMAT1)->accessibleName(), "Key1 Format");
    EXPECT_EQ(w(IDC_MAC_PAIR1)->accessibleName(), "MAC Pair 1");
}

TEST_F(InitialState, ScreenReadersHearTheLabelAsNameAndRadioButtonsAsRadioButtons)
{
    for (const auto& [id, name] : ids::kControlNames) {
        if (qobject_cast<QLabel*>(w(id)) || qobject_cast<QComboBox*>(w(id)))
            continue; // a combo's name on Linux is its current item; its label is the description
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w(id));
        ASSERT_TRUE(iface) << name;
        EXPECT_EQ(iface->text(QAccessible::Name), w(id)->accessibleName()) << name;
        if (qobject_cast<QRadioButton*>(w(id))) {
            EXPECT_EQ(iface->role(), QAccessible::RadioButton) << name;
            EXPECT_TRUE(iface->state().checkable) << name;
        }
    }
    // Choosing WEP through the accessible action runs the form's rule, as a click does.
    enableEverything();
    view->SelectSecurityNone();
    QAccessibleInterface* wep = QAccessible::queryAccessibleInterface(w(IDC_SECURITY_WEP));
    ASSERT_TRUE(wep->actionInterface());
    wep->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(wep->state().checked);
    EXPECT_FALSE(button(IDC_SECURITY_NONE)->isChecked());
}

TEST_F(InitialState, LabelsAreBuddiesOfTheirControls)
{
    int buddies = 0;
    for (auto* label : view->findChildren<QLabel*>()) {
        if (!label->buddy())
            continue;
        ++buddies;
        EXPECT_EQ(label->buddy()->accessibleName(), label->text()) << label->text().toStdString();
    }
    EXPECT_GE(buddies, 20);
}

TEST_F(InitialState, TabOrderGoesByColumnInTheWepGroupAndEndsWithTheNetworkPanel)
{
    // The form's controls in the order Tab visits them.
    std::vector<int> order;
    QWidget* first = w(IDC_PORT);
    for (QWidget* at = first; order.size() < 200; at = at->nextInFocusChain()) {
        for (const auto& [id, name] : ids::kControlNames)
            if (w(id) == at && (at->focusPolicy() & Qt::TabFocus))
                order.push_back(id);
        if (at->nextInFocusChain() == first)
            break;
    }
    auto position = [&](int id) {
        return std::find(order.begin(), order.end(), id) - order.begin();
    };
    const int wepColumns[] = {IDC_KEY1,        IDC_KEY2,        IDC_KEY3,        IDC_KEY4,
                              IDC_KEY_TEXT1,   IDC_KEY_TEXT2,   IDC_KEY_TEXT3,   IDC_KEY_TEXT4,
                              IDC_KEY_FORMAT1, IDC_KEY_FORMAT2, IDC_KEY_FORMAT3, IDC_KEY_FORMAT4};
    for (std::size_t i = 1; i < std::size(wepColumns); ++i)
        EXPECT_EQ(position(wepColumns[i]), position(wepColumns[i - 1]) + 1) << wepColumns[i];
    const auto panelStart = static_cast<std::ptrdiff_t>(order.size() - std::size(kNetworkPanel));
    for (int id : kNetworkPanel)
        EXPECT_GE(position(id), panelStart) << id;
}

TEST_F(InitialState, LengthLimitsAppliedToTheFields)
{
    const std::pair<int, int> limits[] = {{IDC_SSID, 32},        {IDC_KEY_TEXT1, 26},
                                          {IDC_KEY_TEXT4, 26},   {IDC_WPA_KEY, 32},
                                          {IDC_WPA_PSK, 64},     {IDC_MAC_PAIR6, 2},
                                          {IDC_PEER_DOMAIN, 63}, {IDC_USER_CLASS_ID, 64}};
    for (const auto& [id, limit] : limits)
        EXPECT_EQ(edit(id)->maxLength(), limit) << id;
}

TEST_F(InitialState, PortListFallsBackToCom1ToCom9WhenThePortSourceCannotBeRead)
{
    ports.entries = std::nullopt;
    view->SelectSerialMode();
    ASSERT_EQ(combo(IDC_PORT)->count(), 9);
    EXPECT_EQ(combo(IDC_PORT)->itemText(0), "COM1");
    EXPECT_EQ(combo(IDC_PORT)->itemText(8), "COM9");

    ports.entries = std::vector<platform::PortEntry>{};
    view->SelectSerialMode();
    EXPECT_EQ(combo(IDC_PORT)->count(), 0);
}

TEST_F(InitialState, SerialModeAgainRefillsThePortListAndRestoresDefaults)
{
    combo(IDC_BAUD_RATE)->setCurrentIndex(0);
    combo(IDC_STOP_BIT)->setCurrentIndex(1);
    combo(IDC_PORT)->setCurrentIndex(1);
    view->SelectSerialMode();
    EXPECT_EQ(combo(IDC_PORT)->count(), 2);
    EXPECT_EQ(combo(IDC_PORT)->currentIndex(), 0);
    EXPECT_EQ(combo(IDC_BAUD_RATE)->currentText(), "57600");
    EXPECT_EQ(combo(IDC_STOP_BIT)->currentText(), "1");
}

} // namespace
} // namespace quarlink::testing
