#include "dialogs/CDownloadDlg.h"

#include "platform/LiveText.h"
#include "platform/Prompter.h"
#include "platform/WindowTimers.h"
#include "ui_DownloadDlg.h"

#include <QMetaObject>

namespace quarlink::dialogs {

CDownloadDlg::CDownloadDlg(firmware::TransferJob job, Hooks hooks, firmware::SenderTiming timing,
                           QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::DownloadDlg>()), m_job(std::move(job)),
      m_hooks(std::move(hooks)),
      m_timers(new platform::WindowTimers([this](int id) { onTimer(id); }, this)),
      m_sender(
          [this](std::function<void()> work) {
              // Queued on the dialog: dropped, not run, once the dialog is gone.
              QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
          },
          *this, timing)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setPercentText({});
    connect(m_ui->IDC_DOWNLOAD_SEND, &QPushButton::clicked, this, &CDownloadDlg::OnSend);
    connect(m_ui->IDCANCEL, &QPushButton::clicked, this, &CDownloadDlg::reject);
}

// The sender goes before the widgets it reports to.
CDownloadDlg::~CDownloadDlg()
{
    m_sender.cancel();
}

void CDownloadDlg::OnSend()
{
    // One transfer per dialog: "Send" stays disabled, whatever happens next.
    m_ui->IDC_DOWNLOAD_SEND->setEnabled(false);
    if (!m_job.tcp && m_hooks.serialStarting)
        m_hooks.serialStarting();
    m_ui->IDC_DOWNLOAD_PROGRESS->setRange(0, 100);
    m_sender.start(m_job);
}

void CDownloadDlg::reject()
{
    // A finish that the cancel still delivers hands the update over; the dialog itself ends
    // with Cancel all the same.
    m_sender.cancel();
    m_timers->killTimer(kCloseTimerId);
    QDialog::reject();
}

void CDownloadDlg::onTimer(int id)
{
    if (id != kCloseTimerId)
        return;
    m_timers->killTimer(id);
    m_sender.cancel(); // the sender has ended; this closes what it held
    accept();
}

QString CDownloadDlg::percentText() const
{
    return m_ui->IDC_DOWNLOAD_PERCENT->text();
}

int CDownloadDlg::progress() const
{
    return m_ui->IDC_DOWNLOAD_PROGRESS->value();
}

void CDownloadDlg::setPercentText(const QString& text)
{
    platform::showLiveText(*m_ui->IDC_DOWNLOAD_PERCENT, text);
}

void CDownloadDlg::transferProgress(int percent)
{
    m_ui->IDC_DOWNLOAD_PROGRESS->setValue(percent);
    setPercentText(QStringLiteral("%1% completed").arg(percent));
}

void CDownloadDlg::transferFinished()
{
    if (m_hooks.handedOver)
        m_hooks.handedOver();
    m_timers->setTimer(kCloseTimerId, kClosePeriod);
}

void CDownloadDlg::transferFailed(firmware::TransferFailure failure)
{
    const QString text = QString::fromStdString(firmware::failureText(failure));
    switch (failure) {
    case firmware::TransferFailure::CreateSocket:
    case firmware::TransferFailure::Connect:
        platform::messageBox(text);
        break;
    case firmware::TransferFailure::Send:
    case firmware::TransferFailure::SerialWrite:
        // The module has part of an image: say so where the progress was, and do not go on
        // to wait for a verdict as if all had gone well. Only "Cancel" is left.
        setPercentText(text);
        break;
    }
}

} // namespace quarlink::dialogs
