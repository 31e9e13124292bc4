#include "dialogs/CMsgDlg.h"

#include "platform/LiveText.h"
#include "platform/WindowTimers.h"
#include "ui_MsgDlg.h"

namespace quarlink::dialogs {

CMsgDlg::CMsgDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::MsgDlg>()),
      m_timers(new platform::WindowTimers([this](int id) { onTimer(id); }, this))
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    platform::showLiveText(*m_ui->IDC_UPDATE_REMAINING, {});
    m_timers->setTimer(kCountdownTimerId, kTick);
}

CMsgDlg::~CMsgDlg() = default;

void CMsgDlg::onTimer(int id)
{
    if (id != kCountdownTimerId)
        return;
    --m_remaining;
    platform::showLiveText(*m_ui->IDC_UPDATE_REMAINING, QString::number(m_remaining));
}

QString CMsgDlg::countdownText() const
{
    return m_ui->IDC_UPDATE_REMAINING->text();
}

} // namespace quarlink::dialogs
