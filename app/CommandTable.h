// The program's commands: the menu (kept, though the window shows no menu bar) and the
// keyboard accelerators, each action carrying its command id.
#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace quarlink::app {

struct CommandTable
{
    QList<QMenu*> menus;          // "&File", "Connection", "WLAN F/W ", "&View", "&Help"
    QList<QAction*> accelerators; // window-wide shortcuts
    QAction* statusBarToggle = nullptr;
};

// Builds the menus and accelerators as children of `owner`. Every action's data is its
// command id; the accelerators are added to `owner` so they work without a menu bar.
CommandTable createCommandTable(QWidget* owner);

// The command id an action carries.
int commandId(const QAction* action);

} // namespace quarlink::app
