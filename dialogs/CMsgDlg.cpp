#include "dialogs/CMsgDlg.h"

#include "platform/WindowTimers.h"
#include "ui_MsgDlg.h"

namespace quarlink::dialogs {

CMsgDlg::CMsgDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::MsgDlg>()),
      m_timers(new platform::WindowTimers([this](int id) { onTimer(id); }, this))
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->IDC_UPDATE_REMAINING->clear();
    m_timers->setTimer(kCountdownTimerId, kTick);
}

CMsgDlg::~CMsgDlg() = default;

void CMsgDlg::onTimer(int id)
{
    if (id != kCountdownTimerId)
        return;
    --m_remaining;
    m_ui->IDC_UPDATE_REMAINING->setText(QString::number(m_remaining));
}

QString CMsgDlg::countdownText() const
{
    return m_ui->IDC_UPDATE_REMAINING->text();
}

} // namespace quarlink::dialogs
