#include "app/CommandTable.h"

#include "resources/ControlIds.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace quarlink::app {

using namespace quarlink::ids;

namespace {

QAction* addCommand(QMenu* menu, const QString& text, int id, const QString& prompt = {})
{
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setStatusTip(prompt);
    return action;
}

} // namespace

int commandId(const QAction* action)
{
    return action->data().toInt();
}

CommandTable createCommandTable(QWidget* owner)
{
    CommandTable table;

    auto* file = new QMenu(QStringLiteral("&File"), owner);
    addCommand(file, QStringLiteral("Up/Download Setup File"), ID_FILE_SETUP_FILE);
    file->addSeparator();
    addCommand(file, QStringLiteral("E&xit"), ID_APP_EXIT,
               QStringLiteral("Quit the application; prompts to save documents"));

    auto* connection = new QMenu(QStringLiteral("Connection"), owner);
    addCommand(connection, QStringLiteral("Serial"), ID_CONNECTION_SERIAL);
    addCommand(connection, QStringLiteral("TCP/IP"), ID_CONNECTION_TCPIP);

    auto* firmware = new QMenu(QStringLiteral("WLAN F/W "), owner);
    addCommand(firmware, QStringLiteral("Download"), ID_WLAN_FW_DOWNLOAD);

    auto* view = new QMenu(QStringLiteral("&View"), owner);
    table.statusBarToggle = addCommand(view, QStringLiteral("&Status Bar"), ID_VIEW_STATUS_BAR,
                                       QStringLiteral("Show or hide the status bar"));
    table.statusBarToggle->setCheckable(true);
    table.statusBarToggle->setChecked(true);

    auto* help = new QMenu(QStringLiteral("&Help"), owner);
    addCommand(help, QStringLiteral("&About Quarlink..."), ID_APP_ABOUT,
               QStringLiteral("Display program information, version number and copyright"));

    table.menus = {file, connection, firmware, view, help};

    // Only the document keys reach a command; the editing keys (undo, cut, copy, paste) are
    // handled by the focused field itself.
    const struct
    {
        QKeySequence keys;
        int id;
    } accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
    };
    for (const auto& a : accelerators) {
        auto* action = new QAction(owner);
        action->setShortcut(a.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setData(a.id);
        owner->addAction(action);
        table.accelerators.append(action);
    }
    return table;
}

} // namespace quarlink::app
