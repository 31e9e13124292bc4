// The "Apply Settings" dialog: the settings document to apply to the chosen modules, and
// optionally a CSV file of per-module values, each typed or chosen with "Browse..." (a file
// dialog through the prompter).
#pragma once

#include <QDialog>

class QLineEdit;

namespace quarlink::lanwindow {

class ApplySettingsDlg : public QDialog
{
public:
    // `modules`: how many modules the settings go to, for the prompt.
    ApplySettingsDlg(int modules, QWidget* parent);

    QLineEdit* documentPath() const { return m_document; }
    QLineEdit* valuesPath() const { return m_values; } // empty: no values file

private:
    QLineEdit* m_document;
    QLineEdit* m_values;
};

} // namespace quarlink::lanwindow
