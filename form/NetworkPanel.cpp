// TCP/IP mode and its network panel: the switch into the mode, the Local / Remote choice, and
// the panel's buttons and module list driving the network manager.
#include "form/CQuarlinkView.h"

#include "resources/ControlIds.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

// The MAC address the six pair fields show at each choice of TCP/IP.
const char* const kDefaultMacPairs[] = {"00", "30", "F9", "00", "00", "01"};

} // namespace

void CQuarlinkView::setAllCommands(bool on)
{
    m_allCommands = on;
}

void CQuarlinkView::connectNetworkPanelNotifications()
{
    connect(control<QRadioButton>(IDC_TARGET_LOCAL), &QRadioButton::clicked, this,
            [this] { SelectLocalTarget(); });
    connect(control<QRadioButton>(IDC_TARGET_REMOTE), &QRadioButton::clicked, this,
            [this] { SelectRemoteTarget(); });
}

void CQuarlinkView::SelectTcpIpMode()
{
    connectionMode = ConnectionMode::TcpIp;
    setShown({IDC_PORT_LABEL, IDC_BAUD_RATE_LABEL, IDC_DATA_BITS_LABEL, IDC_PARITY_LABEL,
              IDC_STOP_BIT_LABEL, IDC_PORT, IDC_BAUD_RATE, IDC_PARITY, IDC_DATA_BITS, IDC_STOP_BIT,
              IDC_OPEN, IDC_CLOSE},
             false);
    setShown({IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3,
              IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6, IDC_MODULE_LIST, IDC_MODULE_ADDRESS,
              IDC_SEARCH, IDC_READ},
             true);
    // As specified the window never offers these four; the full command set lets an operator
    // search, read and write from the panel.
    enable({IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_SEARCH, IDC_READ}, m_allCommands);
    for (std::size_t i = 0; i < m_values.macPairs.size(); ++i)
        m_values.macPairs[i] = QLatin1String(kDefaultMacPairs[i]);
    SelectLocalTarget();
    LockFormControls();
    recordShown = 0;
}

void CQuarlinkView::SelectLocalTarget()
{
    control<QRadioButton>(IDC_TARGET_LOCAL)->setChecked(true);
    control<QRadioButton>(IDC_TARGET_REMOTE)->setChecked(false);
    enable({IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3, IDC_MAC_PAIR4, IDC_MAC_PAIR5,
            IDC_MAC_PAIR6, IDC_MODULE_LIST},
           true);
    control(IDC_MODULE_LIST)->setVisible(true);
    control(IDC_MODULE_ADDRESS)->setEnabled(false);
    refreshForm();
}

void CQuarlinkView::SelectRemoteTarget()
{
    control<QRadioButton>(IDC_TARGET_LOCAL)->setChecked(false);
    control<QRadioButton>(IDC_TARGET_REMOTE)->setChecked(true);
    enable(
        {IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3, IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6},
        false);
    enable({IDC_MODULE_LIST, IDC_MODULE_ADDRESS}, true);
    control(IDC_MODULE_LIST)->setVisible(true);
    refreshForm();
}

} // namespace quarlink::form
