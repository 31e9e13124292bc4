// A control with its label, as every control of the program is built: the label's text is the
// control's accessible name, and the label is its buddy (its mnemonic moves the focus there).
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace quarlink::lanwindow {

// `text` may carry a mnemonic ("&Filter:"); the accessible name is without it.
inline QLabel* labelFor(QWidget* control, const QString& text)
{
    auto* label = new QLabel(text, control->parentWidget());
    label->setBuddy(control);
    control->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}

// Names a control that shows its own text (a button): its text without the mnemonic.
inline void nameAfterText(QWidget* control, const QString& text)
{
    control->setAccessibleName(QString(text).remove(QLatin1Char('&')));
}

} // namespace quarlink::lanwindow
