// The main window: a frame around the one form, with the status bar (message pane and the CAP,
// NUM and SCRL indicators) and the command routing. It shows no menu bar, unless the full command
// set was asked for.
#pragma once

#include "app/CommandTable.h"

#include <QMainWindow>

#include <array>

class QLabel;
class QMenu;
class QTimer;

namespace quarlink::form {
class CQuarlinkView;
}

namespace quarlink::app {

class CQuarlinkDoc;

class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    CMainFrame(CQuarlinkDoc& doc, form::CQuarlinkView* view);

    form::CQuarlinkView* view() const { return m_view; }
    const CommandTable& commands() const { return m_commands; }
    QLabel* messagePane() const { return m_messagePane; }
    const std::array<QLabel*, 3>& indicators() const { return m_indicators; }

    // Shows `text` in the message pane; an empty text restores the idle text "Ready".
    void setMessageText(const QString& text);
    // Re-reads the lock keys and greys the indicators that are off or cannot be read.
    void updateIndicators();
    // Puts the command table's menus on the window's menu bar.
    void showMenuBar();
    // Enables each of the form's commands in `menu` by the form's rules, as the menu opens.
    void updateCommandStates(QMenu* menu);
    // Sizes the window around the whole form, within the screen.
    void fitToForm();

signals:
    // A command the frame does not handle itself (new, open, save and the form's commands).
    void commandRequested(int commandId);

private:
    void createStatusBar();
    void route(QAction* action);
    void updateTitle(const QString& documentTitle);

    form::CQuarlinkView* m_view;
    CommandTable m_commands;
    QLabel* m_messagePane = nullptr;
    std::array<QLabel*, 3> m_indicators{};
};

} // namespace quarlink::app
