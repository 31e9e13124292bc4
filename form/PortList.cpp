// The Port list: filled with the serial lists' defaults at start and in Serial mode, and
// listed again each time it opens, so a port plugged in after start is offered.
#include "form/CQuarlinkView.h"

#include "platform/ComboOpenWatcher.h"
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

void CQuarlinkView::FillPortList()
{
    listPorts();
    auto* list = control<QComboBox>(IDC_PORT);
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    control<QComboBox>(IDC_BAUD_RATE)->setCurrentIndex(kDefaultBaudRateIndex);
    control<QComboBox>(IDC_PARITY)->setCurrentIndex(0);
    control<QComboBox>(IDC_DATA_BITS)->setCurrentIndex(kDefaultDataBitsIndex);
    control<QComboBox>(IDC_STOP_BIT)->setCurrentIndex(0);
}

void CQuarlinkView::RescanPortList()
{
    auto* list = control<QComboBox>(IDC_PORT);
    const QString chosen = list->currentText();
    listPorts();
    const int index = list->findText(chosen, Qt::MatchExactly);
    list->setCurrentIndex(index >= 0 ? index : (list->count() > 0 ? 0 : -1));
}

// The entries in the order of the source (system ports, then QUARLINK_EXTRA_PORTS), each with
// its description and maker as tooltip; no selection.
void CQuarlinkView::listPorts()
{
    auto* list = control<QComboBox>(IDC_PORT);
    const QSignalBlocker quiet(list);
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
    list->setCurrentIndex(-1);
}

void CQuarlinkView::watchPortList()
{
    auto* list = control<QComboBox>(IDC_PORT);
    new platform::ComboOpenWatcher(list, [this] { RescanPortList(); });
    // The closed list shows the chosen port's tooltip too.
    connect(list, &QComboBox::currentIndexChanged, list, [list](int index) {
        list->setToolTip(index >= 0 ? list->itemData(index, Qt::ToolTipRole).toString()
                                    : QString());
    });
}

} // namespace quarlink::form
