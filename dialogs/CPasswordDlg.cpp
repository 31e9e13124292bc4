#include "dialogs/CPasswordDlg.h"

#include "platform/Prompter.h"
#include "ui_PasswordDlg.h"

#include <QValidator>

#include <algorithm>

namespace quarlink::dialogs {

namespace {

// Refuses an entry whose UTF-8 bytes would not fit the module's password field; the line's
// length limit alone counts characters, not bytes.
class PasswordBytesValidator final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return input.toUtf8().size() <= CPasswordDlg::kMaxBytes ? Acceptable : Invalid;
    }
};

} // namespace

CPasswordDlg::CPasswordDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::PasswordDlg>())
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->IDC_MODULE_PASSWORD->setValidator(new PasswordBytesValidator(this));
}

CPasswordDlg::~CPasswordDlg() = default;

QLineEdit* CPasswordDlg::entry() const
{
    return m_ui->IDC_MODULE_PASSWORD;
}

CPasswordDlg::Password CPasswordDlg::password() const
{
    const QByteArray bytes = m_ui->IDC_MODULE_PASSWORD->text().toUtf8();
    Password password{};
    std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), kMaxBytes), password.begin());
    return password;
}

std::optional<CPasswordDlg::Password> CPasswordDlg::ask(QWidget* parent, const QString& module)
{
    CPasswordDlg dialog(parent);
    if (!module.isEmpty())
        dialog.m_ui->prompt->setText(
            QStringLiteral("The module %1 refused the write. Enter its password:").arg(module));
    if (platform::prompter().execDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.password();
}

} // namespace quarlink::dialogs
