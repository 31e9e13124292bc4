// The form's first display and Serial mode.
#include "form/CQuarlinkView.h"

#include "resources/ControlIds.h"

namespace quarlink::form {

using namespace quarlink::ids;

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

} // namespace quarlink::form
