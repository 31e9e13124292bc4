// Screen readers learn a radio button's role from its accessible interface. Qt's own interface
// reports a radio button that is not auto-exclusive as a check box, and the form groups its
// radio buttons by hand (each choice is set and cleared explicitly), so every one of them would
// be announced as a check box. This interface reports them as radio buttons.
#pragma once

#include <QAccessibleWidget>

class QRadioButton;

namespace quarlink::platform {

class AccessibleRadioButton : public QAccessibleWidget
{
public:
    explicit AccessibleRadioButton(QRadioButton* button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QRadioButton* button() const;
};

// Makes every QRadioButton of the program answer with AccessibleRadioButton. Safe to call more
// than once; the first call installs the factory for the life of the program.
void installAccessibleRadioButtons();

} // namespace quarlink::platform
