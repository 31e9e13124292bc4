// The "Add Module" dialog: one module by its MAC address, or by an IP address the broadcast does
// not reach.
#pragma once

#include <QDialog>

class QLineEdit;

namespace quarlink::lanwindow {

class AddModuleDlg : public QDialog
{
public:
    explicit AddModuleDlg(QWidget* parent);
    QLineEdit* entry() const { return m_entry; }

private:
    QLineEdit* m_entry;
};

} // namespace quarlink::lanwindow
