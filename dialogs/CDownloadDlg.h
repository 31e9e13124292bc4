// The transfer dialog "WLAN F/W Download": "Send" starts the firmware sender over the serial
// link or TCP, the bar and the percent text follow its progress, and half a second after the
// last byte the dialog ends with OK. "Cancel", Escape and the close box stop the sender and end
// it with Cancel.
#pragma once

#include "firmware/FirmwareSender.h"
#include "firmware/TransferOwner.h"

#include <QDialog>

#include <chrono>
#include <functional>
#include <memory>

namespace Ui {
class DownloadDlg;
}

namespace quarlink::platform {
class WindowTimers;
}

namespace quarlink::dialogs {

class CDownloadDlg : public QDialog, private firmware::TransferOwner
{
public:
    static constexpr int kCloseTimerId = 1;
    static constexpr std::chrono::milliseconds kClosePeriod{500};

    // What the main view does when a transfer starts and when the whole stream is written.
    struct Hooks
    {
        std::function<void()> serialStarting; // the line leaves the configuration exchange
        std::function<void()> handedOver;     // the wait for the module's verdict begins
    };

    CDownloadDlg(firmware::TransferJob job, Hooks hooks, firmware::SenderTiming timing = {},
                 QWidget* parent = nullptr);
    ~CDownloadDlg() override;

    void OnSend();
    // Cancel, Escape and the close box.
    void reject() override;
    void onTimer(int id);

    QString percentText() const;
    int progress() const;
    platform::WindowTimers& timers() { return *m_timers; }

private:
    void transferProgress(int percent) override;
    void transferFinished() override;
    void transferFailed(firmware::TransferFailure failure) override;
    void setPercentText(const QString& text);

    std::unique_ptr<Ui::DownloadDlg> m_ui;
    firmware::TransferJob m_job;
    Hooks m_hooks;
    platform::WindowTimers* m_timers;
    firmware::FirmwareSender m_sender;
};

} // namespace quarlink::dialogs
