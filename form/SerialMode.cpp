// The form's first display, Serial mode, and the Port list with the serial lists' defaults.
#include "form/CQuarlinkView.h"

#include "platform/PortListProvider.h"
#include "resources/ControlIds.h"

#include <QComboBox>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {
constexpr int kDefaultBaudRateIndex = 6; // "57600"
constexpr int kDefaultDataBitsIndex = 1; // "8"
constexpr int kFallbackPortCount = 9;    // COM1 to COM9 when the port source cannot be read
} // namespace

void CQuarlinkView::OnInitialUpdate()
{
    refreshForm();
    emit fitFrameRequested();
    emit documentTitleChanged(QStringLiteral("Ver 4.1"));
    FillPortList();
    LockFormControls();
    control(IDC_CLOSE)->setEnabled(false);
    SelectSerialMode();
}

void CQuarlinkView::SelectSerialMode()
{
    connectionMode = ConnectionMode::Serial;
    setShown({IDC_PORT_LABEL, IDC_BAUD_RATE_LABEL, IDC_DATA_BITS_LABEL, IDC_PARITY_LABEL,
              IDC_STOP_BIT_LABEL, IDC_PORT, IDC_BAUD_RATE, IDC_PARITY, IDC_DATA_BITS,
              IDC_STOP_BIT, IDC_OPEN, IDC_CLOSE},
             true);
    FillPortList();
    LockFormControls();
    setShown({IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_MAC_PAIR1, IDC_MAC_PAIR2, IDC_MAC_PAIR3,
              IDC_MAC_PAIR4, IDC_MAC_PAIR5, IDC_MAC_PAIR6, IDC_MODULE_LIST, IDC_MODULE_ADDRESS,
              IDC_SEARCH, IDC_READ},
             false);
    recordShown = 0;
}

void CQuarlinkView::FillPortList()
{
    auto* list = control<QComboBox>(IDC_PORT);
    list->clear();
    const auto ports = m_ports ? m_ports->ports() : std::nullopt;
    if (ports) {
        for (const auto& port : *ports) {
            list->addItem(port.name);
            list->setItemData(list->count() - 1, port.toolTip, Qt::ToolTipRole);
        }
    } else {
        for (int n = 1; n <= kFallbackPortCount; ++n)
            list->addItem(QStringLiteral("COM%1").arg(n));
    }
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    control<QComboBox>(IDC_BAUD_RATE)->setCurrentIndex(kDefaultBaudRateIndex);
    control<QComboBox>(IDC_PARITY)->setCurrentIndex(0);
    control<QComboBox>(IDC_DATA_BITS)->setCurrentIndex(kDefaultDataBitsIndex);
    control<QComboBox>(IDC_STOP_BIT)->setCurrentIndex(0);
}

} // namespace quarlink::form
