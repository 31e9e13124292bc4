#include "form/FirmwareDownload.h"

#include "dialogs/CDownloadDlg.h"
#include "dialogs/CMsgDlg.h"
#include "form/IpAddressField.h"
#include "platform/Prompter.h"
#include "platform/WindowTimers.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"
#include "serial/SerialConnection.h"
#include "serial/SettingsItems.h"

namespace quarlink::form {

using namespace quarlink::ids;

CQuarlinkView::FirmwareDownload::FirmwareDownload(CQuarlinkView& view)
    : m_view(view), m_verdicts(*this)
{
    m_view.engine().setFirmwareListener(&m_verdicts);
}

CQuarlinkView::FirmwareDownload::~FirmwareDownload()
{
    m_view.engine().setFirmwareListener(nullptr);
}

bool CQuarlinkView::FirmwareDownload::isEnabled() const
{
    if (m_view.connectionMode == ConnectionMode::Serial)
        return m_view.isPortOpen();
    return m_view.recordShown == 1;
}

void CQuarlinkView::FirmwareDownload::run()
{
    m_image.fileName.clear();
    // A typed name of a missing file is reported by the load as "File not found.".
    const QString path =
        platform::prompter().getOpenFileName(kOpenCaption, kOpenFilter, {.mustExist = false});
    if (path.isEmpty())
        return;
    const auto loaded = firmware::loadFirmwareImage(path.toStdString(), m_image);
    if (!loaded.ok()) {
        const auto message = firmware::loadFailureMessage(loaded, path.toStdString());
        platform::messageBox(QString::fromStdString(message.text),
                             message.errorCaption ? platform::kErrorCaption : platform::kAppTitle);
        return;
    }

    dialogs::CDownloadDlg::Hooks hooks;
    hooks.serialStarting = [this] { m_view.engine().setCurrentLetter(serial::kGoLetter); };
    hooks.handedOver = [this] {
        m_view.engine().setCurrentLetter(serial::kFirmwareLetter);
        m_verdicts.streamFinished();
    };
    dialogs::CDownloadDlg transfer(transferJob(), hooks, timing, &m_view);
    m_transfer = &transfer;
    const int result = platform::prompter().execDialog(transfer);
    m_transfer = nullptr;
    // A module quick to answer may have given its verdict while the dialog was closing; a wait
    // window opened then would never be closed.
    if (result != QDialog::Accepted || !m_view.timers().isActive(kUpdateTimerId))
        return;
    openWaitWindow();
}

firmware::TransferJob CQuarlinkView::FirmwareDownload::transferJob() const
{
    firmware::TransferJob job;
    job.image = m_image.bytes();
    job.checksum = m_image.checksum;
    job.trace = m_view.m_trace;
    if (m_view.connectionMode == ConnectionMode::TcpIp) {
        const auto* address = m_view.control<IpAddressField>(IDC_MODULE_ADDRESS);
        // The form keeps the port within 16 bits.
        job.tcp = firmware::TcpTarget{address->address(),
                                      static_cast<std::uint16_t>(m_view.m_values.localPort)};
    } else {
        job.serial = firmware::serialLineOf(m_view.m_connection->port());
    }
    return job;
}

void CQuarlinkView::FirmwareDownload::openWaitWindow()
{
    // A window left from an earlier update would never be closed by a verdict.
    closeWaitWindow();
    auto* window = new dialogs::CMsgDlg(&m_view);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setModal(false);
    window->show();
    window->setWindowTitle(QStringLiteral("Update F/W"));
    m_waitWindow = window;
}

dialogs::CMsgDlg* CQuarlinkView::FirmwareDownload::waitWindow() const
{
    return m_waitWindow.data();
}

void CQuarlinkView::FirmwareDownload::abortTransfer()
{
    // Only a transfer over the serial link needs the port; one over TCP goes on without it.
    if (m_transfer && m_view.connectionMode == ConnectionMode::Serial)
        m_transfer->reject();
}

void CQuarlinkView::FirmwareDownload::startUpdateTimer(std::chrono::milliseconds period)
{
    m_view.timers().setTimer(kUpdateTimerId, period);
}

void CQuarlinkView::FirmwareDownload::stopUpdateTimer()
{
    m_view.timers().killTimer(kUpdateTimerId);
}

void CQuarlinkView::FirmwareDownload::closeWaitWindow()
{
    if (m_waitWindow)
        delete m_waitWindow.data();
}

void CQuarlinkView::FirmwareDownload::showMessage(const std::string& text)
{
    platform::messageBox(QString::fromStdString(text));
}

bool CQuarlinkView::FirmwareDownload::isSerialMode() const
{
    return m_view.connectionMode == ConnectionMode::Serial;
}

} // namespace quarlink::form
