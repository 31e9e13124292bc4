// The form's part of the firmware update: the command "Download" (choose, load and checksum
// the image, run the transfer dialog, open the wait window), the verdict answers handed over by
// the answer dispatch, and the update time-out (window timer 2).
#pragma once

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareSender.h"
#include "firmware/UpdateVerdicts.h"
#include "form/CQuarlinkView.h"

#include <QPointer>

namespace quarlink::dialogs {
class CDownloadDlg;
class CMsgDlg;
} // namespace quarlink::dialogs

namespace quarlink::form {

class CQuarlinkView::FirmwareDownload final : private firmware::UpdateHost
{
public:
    static inline const QString kOpenCaption = QStringLiteral("Open Program Binary File");
    static inline const QString kOpenFilter = QStringLiteral("Program Binary File(*_tavrel.bin)");

    explicit FirmwareDownload(CQuarlinkView& view);
    ~FirmwareDownload() override;

    // Serial mode: while the port is open; TCP/IP mode: once a module record is shown.
    bool isEnabled() const;
    // The command "Download".
    void run();
    // Window timer 2 fired.
    void onUpdateTimeout() { m_verdicts.updateTimedOut(); }
    // The serial line is going away: a transfer over it is stopped first.
    void abortTransfer();

    const firmware::FirmwareImage& image() const { return m_image; }
    dialogs::CMsgDlg* waitWindow() const;
    // The sender's pauses and limits; tests shorten them.
    firmware::SenderTiming timing;

private:
    firmware::TransferJob transferJob() const;
    void openWaitWindow();

    void startUpdateTimer(std::chrono::milliseconds period) override;
    void stopUpdateTimer() override;
    void closeWaitWindow() override;
    void showMessage(const std::string& text) override;
    bool isSerialMode() const override;

    CQuarlinkView& m_view;
    firmware::FirmwareImage m_image;
    firmware::UpdateVerdicts m_verdicts;
    QPointer<dialogs::CDownloadDlg> m_transfer;
    QPointer<dialogs::CMsgDlg> m_waitWindow;
};

} // namespace quarlink::form
