// TCP/IP mode and its network panel: the switch into the mode, the Local / Remote choice, and
// the panel's buttons and module list driving the network manager.
#include "form/CQuarlinkView.h"

#include "form/NetworkHostAdapter.h"
#include "platform/Prompter.h"
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

void CQuarlinkView::setManagementParameters(const netmgmt::ManagementParameters& parameters)
{
    m_managementParameters = parameters;
}

void CQuarlinkView::setNetworkTimings(const netmgmt::OperationTimings& timings)
{
    m_networkTimings = timings;
}

void CQuarlinkView::connectNetworkPanelNotifications()
{
    connect(control<QRadioButton>(IDC_TARGET_LOCAL), &QRadioButton::clicked, this,
            [this] { SelectLocalTarget(); });
    connect(control<QRadioButton>(IDC_TARGET_REMOTE), &QRadioButton::clicked, this,
            [this] { SelectRemoteTarget(); });
    connect(control<QPushButton>(IDC_SEARCH), &QPushButton::clicked, this, [this] { OnSearch(); });
    connect(control<QPushButton>(IDC_READ), &QPushButton::clicked, this, [this] { OnRead(); });
    connect(control<QListWidget>(IDC_MODULE_LIST), &QListWidget::itemSelectionChanged, this,
            [this] { FillFormFromRecord(); });
}

netmgmt::TargetMode CQuarlinkView::targetMode() const
{
    return isChecked(IDC_TARGET_LOCAL) ? netmgmt::TargetMode::Local : netmgmt::TargetMode::Remote;
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
    // A fresh, empty module table each time; the list keeps its lines until the next search.
    m_netManager = std::make_unique<netmgmt::CDalmorTCP>(*m_networkHost, m_managementParameters,
                                                         m_networkTimings);
    m_modulePasswords.clear();
    m_netManager->setTrace(m_trace);
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

void CQuarlinkView::OnSearch()
{
    if (!collectForm() || !m_netManager)
        return;
    const auto mode = targetMode();
    m_netManager->search(mode, mode == netmgmt::TargetMode::Local ? 0 : m_values.moduleAddress);
}

std::optional<netmgmt::MacAddress> CQuarlinkView::macFromPairs() const
{
    netmgmt::MacAddress mac{};
    for (std::size_t k = 0; k < mac.size(); ++k) {
        bool ok = false;
        const uint value = m_values.macPairs[k].toUInt(&ok, 16);
        if (!ok || value > 0xFF) {
            platform::messageBox(QStringLiteral("MAC address byte %1 is not a hexadecimal "
                                                "number: \"%2\"")
                                     .arg(k + 1)
                                     .arg(m_values.macPairs[k]));
            return std::nullopt;
        }
        mac[k] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

void CQuarlinkView::OnRead()
{
    if (!collectForm() || !m_netManager)
        return;
    const auto mode = targetMode();
    // The MAC address matters only to a Local read; a mistyped one is refused, not read as 0.
    const auto mac =
        mode == netmgmt::TargetMode::Local ? macFromPairs() : std::optional(netmgmt::MacAddress{});
    if (!mac)
        return;
    m_netManager->read(mode, *mac, m_values.moduleAddress);
}

void CQuarlinkView::FillFormFromRecord()
{
    // A line left from an earlier manager shows that entry of the present table.
    const auto line = m_networkHost->selectedLine();
    if (!line || !m_netManager || *line >= netmgmt::CDalmorTCP::kModuleTableSize)
        return;
    ShowRecord(m_netManager->module(*line));
}

} // namespace quarlink::form
