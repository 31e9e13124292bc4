// The setup file dialog: saves the module's setup text to a "*_env_vars.bin" file, reads such a
// file back into the setup text buffer, and uploads the buffer's text to the module as the
// settings write of item 0xFF. The outcome of the upload arrives through the sequence engine's
// answer dispatch and time-out, like that of any other write.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <span>

class QAbstractButton;

namespace Ui {
class SetupUpDownloadDlg;
}

namespace quarlink::serial {
class SequenceEngine;
}

namespace quarlink::dialogs {

class CSetupUpDownloadDlg : public QDialog
{
public:
    // Acts on the main view's setup text buffer and sends through its sequence engine.
    CSetupUpDownloadDlg(std::span<std::uint8_t> setupText, serial::SequenceEngine& engine,
                        QWidget* parent = nullptr);
    ~CSetupUpDownloadDlg() override;

    // The button of a control id (IDC_SETUP_SAVE, IDC_SETUP_READ, IDC_SETUP_UPLOAD, IDCANCEL).
    QAbstractButton* button(int id) const;

    void OnSaveSetupInfo();
    void OnReadSetupFile();
    void OnUploadSetupVariables();

private:
    std::unique_ptr<Ui::SetupUpDownloadDlg> m_ui;
    std::span<std::uint8_t> m_setupText;
    serial::SequenceEngine& m_engine;
};

} // namespace quarlink::dialogs
