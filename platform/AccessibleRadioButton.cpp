// The radio-button accessible interface and the factory that hands it out.
#include "platform/AccessibleRadioButton.h"

#include <QRadioButton>

namespace quarlink::platform {

AccessibleRadioButton::AccessibleRadioButton(QRadioButton* button)
    : QAccessibleWidget(button, QAccessible::RadioButton)
{
}

QRadioButton* AccessibleRadioButton::button() const
{
    return static_cast<QRadioButton*>(widget());
}

QAccessible::Role AccessibleRadioButton::role() const
{
    return QAccessible::RadioButton;
}

QAccessible::State AccessibleRadioButton::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = button()->isChecked();
    return s;
}

QString AccessibleRadioButton::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        QString name = button()->text();
        return name.remove(QLatin1Char('&'));
    }
    return QAccessibleWidget::text(t);
}

QStringList AccessibleRadioButton::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << toggleAction();
    return names + QAccessibleWidget::actionNames();
}

void AccessibleRadioButton::doAction(const QString& actionName)
{
    // A click, as the mouse gives it, so the form's handlers of the choice run.
    if (actionName == toggleAction() || actionName == pressAction()) {
        if (widget()->isEnabled())
            button()->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

namespace {

QAccessibleInterface* radioButtonFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QRadioButton"))
        return nullptr;
    auto* button = qobject_cast<QRadioButton*>(object);
    return button ? new AccessibleRadioButton(button) : nullptr;
}

} // namespace

void installAccessibleRadioButtons()
{
    static const bool installed = [] {
        QAccessible::installFactory(radioButtonFactory);
        return true;
    }();
    (void)installed;
}

} // namespace quarlink::platform
