// The wait window "Update F/W": modeless, it counts the seconds left for the module's verdict
// down from 53, one a second, and keeps counting until it is closed.
#pragma once

#include <QDialog>

#include <chrono>
#include <memory>

namespace Ui {
class MsgDlg;
}

namespace quarlink::platform {
class WindowTimers;
}

namespace quarlink::dialogs {

class CMsgDlg : public QDialog
{
public:
    static constexpr int kCountdownTimerId = 1;
    static constexpr std::chrono::milliseconds kTick{1000};
    static constexpr int kStartSeconds = 53;

    explicit CMsgDlg(QWidget* parent = nullptr);
    ~CMsgDlg() override;

    void onTimer(int id);

    int remainingSeconds() const { return m_remaining; }
    QString countdownText() const;
    platform::WindowTimers& timers() { return *m_timers; }

private:
    std::unique_ptr<Ui::MsgDlg> m_ui;
    platform::WindowTimers* m_timers;
    int m_remaining = kStartSeconds;
};

} // namespace quarlink::dialogs
