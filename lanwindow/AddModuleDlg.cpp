#include "lanwindow/AddModuleDlg.h"

#include "lanwindow/LabelledField.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quarlink::lanwindow {

AddModuleDlg::AddModuleDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Add Module"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("moduleEntry"));
    m_entry->setPlaceholderText(QStringLiteral("00:30:F9:00:00:01 or 192.168.1.50"));
    layout->addWidget(labelFor(m_entry, QStringLiteral("&MAC address or IP address:")));
    layout->addWidget(m_entry);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* button : buttons->buttons())
        nameAfterText(button, button->text());
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

} // namespace quarlink::lanwindow
