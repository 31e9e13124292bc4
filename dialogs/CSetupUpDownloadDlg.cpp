#include "dialogs/CSetupUpDownloadDlg.h"

#include "platform/Prompter.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"
#include "serial/SettingsItems.h"
#include "setupfile/SetupTextFile.h"
#include "ui_SetupUpDownloadDlg.h"

#include <QFile>
#include <QPushButton>

namespace quarlink::dialogs {

using namespace quarlink::ids;

namespace {

const QString kFileDialogTitle = QStringLiteral("Open Program Binary File");
const QString kFileFilter = QStringLiteral("Program Binary File(*_env_vars.bin)");

void report(const setupfile::FileOutcome& outcome)
{
    if (outcome.ok())
        return;
    platform::messageBox(QString::fromStdString(outcome.message()),
                         outcome.hasErrorCaption() ? platform::kErrorCaption : platform::kAppTitle);
}

} // namespace

CSetupUpDownloadDlg::CSetupUpDownloadDlg(std::span<std::uint8_t> setupText,
                                         serial::SequenceEngine& engine, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SetupUpDownloadDlg>()), m_setupText(setupText),
      m_engine(engine)
{
    m_ui->setupUi(this);
    setFixedSize(size());
    connect(m_ui->IDC_SETUP_SAVE, &QPushButton::clicked, this, [this] { OnSaveSetupInfo(); });
    connect(m_ui->IDC_SETUP_READ, &QPushButton::clicked, this, [this] { OnReadSetupFile(); });
    connect(m_ui->IDC_SETUP_UPLOAD, &QPushButton::clicked, this,
            [this] { OnUploadSetupVariables(); });
}

CSetupUpDownloadDlg::~CSetupUpDownloadDlg() = default;

QAbstractButton* CSetupUpDownloadDlg::button(int id) const
{
    switch (id) {
    case IDC_SETUP_SAVE:
        return m_ui->IDC_SETUP_SAVE;
    case IDC_SETUP_READ:
        return m_ui->IDC_SETUP_READ;
    case IDC_SETUP_UPLOAD:
        return m_ui->IDC_SETUP_UPLOAD;
    case IDCANCEL:
        return m_ui->IDCANCEL;
    default:
        return nullptr;
    }
}

void CSetupUpDownloadDlg::OnSaveSetupInfo()
{
    // The suffixed name is what gets written, so asking about the chosen one would mislead.
    const QString chosen = platform::prompter().getSaveFileName(kFileDialogTitle, kFileFilter, {},
                                                                {.confirmOverwrite = false});
    if (chosen.isEmpty())
        return;
    // The suffix is appended to whatever was chosen, so files are always recognisable by it.
    const std::string path = setupfile::suffixedFileName(chosen.toStdString());
    report(setupfile::saveSetupFile(path, m_setupText));
}

void CSetupUpDownloadDlg::OnReadSetupFile()
{
    const QString chosen =
        platform::prompter().getOpenFileName(kFileDialogTitle, kFileFilter, {.mustExist = false});
    if (chosen.isEmpty())
        return;
    // Nothing is sent: the text waits for an upload or a save.
    report(setupfile::loadSetupFile(chosen.toStdString(), m_setupText));
}

void CSetupUpDownloadDlg::OnUploadSetupVariables()
{
    m_engine.sendWrite(serial::item::SetupText, setupfile::uploadPayload(m_setupText));
}

} // namespace quarlink::dialogs
