// The module password dialog: asked after a module refused a write for a password mismatch. A
// masked entry of at most 10 bytes (UTF-8) with OK and Cancel; the password is handed to the
// caller zero-filled to 10 bytes and never shown.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QLineEdit;

namespace Ui {
class PasswordDlg;
}

namespace quarlink::dialogs {

class CPasswordDlg : public QDialog
{
public:
    static constexpr int kMaxBytes = 10;
    using Password = std::array<std::uint8_t, kMaxBytes>;

    explicit CPasswordDlg(QWidget* parent = nullptr);
    ~CPasswordDlg() override;

    // The masked entry (IDC_MODULE_PASSWORD).
    QLineEdit* entry() const;
    // The entry's bytes, zero-filled.
    Password password() const;

    // Runs the dialog through the prompter; the password after OK, nothing after Cancel.
    // `module` names the module that refused the write where several are written at once.
    static std::optional<Password> ask(QWidget* parent, const QString& module = {});

private:
    std::unique_ptr<Ui::PasswordDlg> m_ui;
};

} // namespace quarlink::dialogs
