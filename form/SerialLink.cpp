// The form's serial connection: "Open" and "Close", the received chunks handed to the answer
// dispatch, and a device that vanishes while open.
#include "form/CQuarlinkView.h"

#include "form/FirmwareDownload.h"
#include "platform/Prompter.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"
#include "serial/SerialConnection.h"

#include <QComboBox>
#include <QMetaObject>

#include <cstdio>

namespace quarlink::form {

using namespace quarlink::ids;

namespace {

const QString kOpened = QStringLiteral("%1 is opened");
const QString kClosed = QStringLiteral("%1 is closed");

} // namespace

void CQuarlinkView::createConnection()
{
    auto postToOwner = [this](std::function<void()> work) {
        // Queued on this view: dropped, not run, if the view is gone by then.
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    serial::ReaderCallbacks callbacks;
    callbacks.onChunk = [this](std::span<const std::uint8_t> chunk) { OnReceivedData(chunk); };
    callbacks.onHangUp = [this] { OnDeviceGone(); };
    m_connection = std::make_unique<serial::SerialConnection>(postToOwner, callbacks);
}

bool CQuarlinkView::isPortOpen() const
{
    return m_connection->isOpen();
}

void CQuarlinkView::writeToPort(std::span<const std::uint8_t> bytes)
{
    // Write failures are not reported: a lost command shows up as its answer's time-out.
    m_connection->write(bytes);
}

serial::LineSettings CQuarlinkView::lineSettingsFromForm() const
{
    serial::LineSettings line;
    line.baudRate = m_values.baudRateText.toInt();
    line.parity = control<QComboBox>(IDC_PARITY)->currentIndex();
    line.dataBits = m_values.dataBitsText.toInt();
    line.stopBits = m_values.stopBitText == QLatin1String("1") ? 1 : m_values.stopBitText.toInt();
    return line;
}

void CQuarlinkView::enableSerialLists(bool on)
{
    enable({IDC_PORT, IDC_BAUD_RATE, IDC_PARITY, IDC_DATA_BITS, IDC_STOP_BIT, IDC_OPEN}, on);
}

void CQuarlinkView::OnOpen()
{
    if (!collectForm())
        return;
    const QString port = m_values.portText;
    const auto result = m_connection->open(port.toStdString(), lineSettingsFromForm());
    if (result.ok()) {
        enableSerialLists(false);
        enable({IDC_CLOSE, IDC_GET_INFO}, true);
        control(IDC_SET_INFO)->setEnabled(false);
        m_values.printerStatus = kOpened.arg(port);
        emit statusMessage({});
    } else {
        m_values.printerStatus = kClosed.arg(port);
        refreshForm();
        // The box keeps its fixed text; the system's reason tells the operator what to fix.
        const QString reason = QStringLiteral("Cannot open %1: %2")
                                   .arg(port, QString::fromStdString(result.reason));
        emit statusMessage(reason);
        std::fprintf(stderr, "quarlink: %s\n", qPrintable(reason));
        platform::messageBox(QStringLiteral("Cannot open %1").arg(port));
    }
    refreshForm();
}

void CQuarlinkView::OnClose()
{
    // A firmware transfer writing to the port stops before the port goes.
    m_firmware->abortTransfer();
    m_engine->sendGo();
    m_connection->close();
    enableSerialLists(true);
    enable({IDC_CLOSE, IDC_GET_INFO, IDC_SET_INFO}, false);
    m_values.printerStatus = kClosed.arg(m_values.portText);
    LockFormControls();
    refreshForm();
}

void CQuarlinkView::OnReceivedData(std::span<const std::uint8_t> chunk)
{
    m_engine->onReceived(chunk);
}

void CQuarlinkView::OnDeviceGone()
{
    // The adapter was unplugged or the far end went away: the port is of no more use, so the
    // form returns to its closed state and says why.
    if (!m_connection->isOpen())
        return;
    OnClose();
    emit statusMessage(QStringLiteral("%1 is no longer available").arg(m_values.portText));
}

} // namespace quarlink::form
