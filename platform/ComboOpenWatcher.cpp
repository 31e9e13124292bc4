// The events by which a combo box opens its list: a left click, F4, Alt+Up/Down, and Space on a
// list without a text field.
#include "platform/ComboOpenWatcher.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

namespace quarlink::platform {

ComboOpenWatcher::ComboOpenWatcher(QComboBox* box, std::function<void()> beforeOpen)
    : QObject(box), m_box(box), m_beforeOpen(std::move(beforeOpen))
{
    box->installEventFilter(this);
}

bool ComboOpenWatcher::eventFilter(QObject* watched, QEvent* event)
{
    // The event kind first: asking for the list's view makes it on first use, which sends the
    // box events of its own.
    if (watched == m_box && opensList(event) && m_box->isEnabled() && !m_box->view()->isVisible())
        m_beforeOpen();
    return false; // the box goes on to open its list as usual
}

bool ComboOpenWatcher::opensList(const QEvent* event) const
{
    if (event->type() == QEvent::MouseButtonPress)
        return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_F4:
        return key->modifiers() == Qt::NoModifier;
    case Qt::Key_Up:
    case Qt::Key_Down:
        return key->modifiers() & Qt::AltModifier;
    case Qt::Key_Space:
        return !m_box->isEditable();
    default:
        return false;
    }
}

} // namespace quarlink::platform
