// The application shell: the main window around the form, its title, status bar, commands and
// accelerators.
#include "app/CMainFrame.h"
#include "app/CQuarlinkApp.h"
#include "app/CQuarlinkDoc.h"
#include "common/FakePortList.h"
#include "common/RecordingPrompter.h"
#include "form/CQuarlinkView.h"
#include "lanwindow/LanModulesWindow.h"
#include "resources/ControlIds.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

class Shell : public ::testing::Test
{
protected:
    void SetUp() override { start(false); }

    void start(bool allCommands)
    {
        auto ports = std::make_unique<FakePortList>();
        ports->entries = std::vector<platform::PortEntry>{{"ttyS0", ""}};
        app = std::make_unique<app::CQuarlinkApp>(std::move(ports), allCommands);
        ASSERT_TRUE(app->InitInstance());
        frame = app->mainFrame();
        view = frame->view();
        QApplication::setActiveWindow(frame);
    }

    // The menu action of a command id, as the menu shows it when opened.
    QAction* menuAction(int id)
    {
        for (QMenu* menu : frame->commands().menus) {
            emit menu->aboutToShow();
            for (QAction* action : menu->actions())
                if (action->data().toInt() == id)
                    return action;
        }
        return nullptr;
    }

    void press(QKeySequence keys)
    {
        QTest::keySequence(frame, keys);
    }

    RecordingPrompter prompter;
    std::unique_ptr<app::CQuarlinkApp> app;
    app::CMainFrame* frame = nullptr;
    form::CQuarlinkView* view = nullptr;
};

TEST_F(Shell, WindowHasTitleNoMenuBarAndNoMaximiseButton)
{
    EXPECT_EQ(frame->windowTitle(), "Quarlink - Ver 4.1");
    EXPECT_EQ(frame->menuWidget(), nullptr);
    EXPECT_TRUE(frame->isVisible());
    const auto flags = frame->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    // The frame is fitted around the form.
    EXPECT_GE(frame->width(), view->width());
    EXPECT_LT(frame->width(), view->width() + 40);
}

TEST_F(Shell, WindowCanBeMadeSmallerThanTheFormWhichKeepsItsSize)
{
    const QSize form = view->size();
    EXPECT_LT(frame->minimumSizeHint().width(), form.width() / 2);
    EXPECT_LT(frame->minimumSizeHint().height(), form.height() / 2);
    frame->resize(form / 2);
    EXPECT_EQ(frame->size(), form / 2);
    EXPECT_EQ(view->size(), form);
    frame->fitToForm();
    EXPECT_GE(frame->width(), form.width());
}

TEST_F(Shell, StatusBarShowsReadyAndTheThreeLockIndicators)
{
    EXPECT_EQ(frame->messagePane()->text(), "Ready");
    QStringList names;
    for (QLabel* indicator : frame->indicators())
        names << indicator->text();
    EXPECT_EQ(names, (QStringList{"CAP", "NUM", "SCRL"}));

    frame->setMessageText("Cannot open ttyS0: Permission denied");
    EXPECT_EQ(frame->messagePane()->text(), "Cannot open ttyS0: Permission denied");
    frame->setMessageText({});
    EXPECT_EQ(frame->messagePane()->text(), "Ready");
}

TEST_F(Shell, MenuResourceKeepsItsCommandsAndTexts)
{
    QStringList titles;
    QList<int> ids;
    for (QMenu* menu : frame->commands().menus) {
        titles << menu->title();
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                ids << action->data().toInt();
    }
    EXPECT_EQ(titles, (QStringList{"&File", "Connection", "WLAN F/W ", "&View", "&Help"}));
    EXPECT_EQ(ids, (QList<int>{ID_FILE_SETUP_FILE, ID_APP_EXIT, ID_CONNECTION_SERIAL,
                               ID_CONNECTION_TCPIP, ID_WLAN_FW_DOWNLOAD, ID_VIEW_STATUS_BAR,
                               ID_APP_ABOUT}));
}

TEST_F(Shell, CtrlNReturnsTheFormToItsInitialState)
{
    auto* getInfo = view->control(IDC_GET_INFO);
    auto* baud = view->control<QComboBox>(IDC_BAUD_RATE);
    getInfo->setEnabled(true);
    view->control(IDC_CLOSE)->setEnabled(true);
    baud->setCurrentIndex(0);
    app->document()->SetTitle("something else");

    press(QKeySequence(Qt::CTRL | Qt::Key_N));

    EXPECT_FALSE(getInfo->isEnabled());
    EXPECT_FALSE(view->control(IDC_CLOSE)->isEnabled());
    EXPECT_EQ(baud->currentText(), "57600");
    EXPECT_EQ(view->connectionMode, form::ConnectionMode::Serial);
    EXPECT_EQ(frame->windowTitle(), "Quarlink - Ver 4.1");
}

TEST_F(Shell, CtrlOAsksForAnyFileAndStartsTheFormAfresh)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("any.bin");
    QFile(path).open(QIODevice::WriteOnly);
    prompter.fileAnswers.push_back(path);
    view->control(IDC_GET_INFO)->setEnabled(true);

    press(QKeySequence(Qt::CTRL | Qt::Key_O));

    ASSERT_EQ(prompter.fileDialogs.size(), 1u);
    EXPECT_EQ(prompter.fileDialogs[0].second, "All Files (*.*)");
    EXPECT_FALSE(view->control(IDC_GET_INFO)->isEnabled());

    // Cancelling changes nothing.
    view->control(IDC_GET_INFO)->setEnabled(true);
    press(QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_TRUE(view->control(IDC_GET_INFO)->isEnabled());
}

TEST_F(Shell, CtrlSWritesAnEmptyFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("saved.doc");
    prompter.fileAnswers.push_back(path);
    press(QKeySequence(Qt::CTRL | Qt::Key_S));
    QFile saved(path);
    ASSERT_TRUE(saved.exists());
    EXPECT_EQ(saved.size(), 0);

    prompter.fileAnswers.push_back(dir.filePath("no/such/folder/x"));
    press(QKeySequence(Qt::CTRL | Qt::Key_S));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.startsWith("Cannot save"));
}

TEST_F(Shell, AboutCommandShowsTheAboutBoxModally)
{
    for (QMenu* menu : frame->commands().menus)
        for (QAction* action : menu->actions())
            if (action->data().toInt() == ID_APP_ABOUT)
                action->trigger();
    EXPECT_EQ(prompter.dialogs, QStringList{"About Quarlink"});
}

const int kPanelButtons[] = {IDC_TARGET_LOCAL, IDC_TARGET_REMOTE, IDC_SEARCH, IDC_READ};

TEST_F(Shell, WithoutAllCommandsTcpIpModeKeepsThePanelButtonsGreyed)
{
    ASSERT_TRUE(view->onCommand(ID_CONNECTION_TCPIP));
    EXPECT_EQ(frame->menuWidget(), nullptr);
    for (int id : kPanelButtons) {
        EXPECT_TRUE(view->control(id)->isVisible()) << id;
        EXPECT_FALSE(view->control(id)->isEnabled()) << id;
    }
}

TEST_F(Shell, AllCommandsKeepsTheMenuBarWithItsEnableRules)
{
    app.reset();
    start(true);
    auto* bar = qobject_cast<QMenuBar*>(frame->menuWidget());
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* action : bar->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "Connection", "WLAN F/W ", "&View", "&Help"}));

    // Serial mode, port closed, nothing read yet.
    EXPECT_FALSE(menuAction(ID_CONNECTION_SERIAL)->isEnabled());
    EXPECT_TRUE(menuAction(ID_CONNECTION_TCPIP)->isEnabled());
    EXPECT_FALSE(menuAction(ID_WLAN_FW_DOWNLOAD)->isEnabled());
    EXPECT_FALSE(menuAction(ID_FILE_SETUP_FILE)->isEnabled());
    for (int id : {ID_FILE_SAVE_SETTINGS, ID_FILE_LOAD_SETTINGS})
        EXPECT_FALSE(menuAction(id)->isEnabled()) << id;

    menuAction(ID_CONNECTION_TCPIP)->trigger();
    EXPECT_EQ(view->connectionMode, form::ConnectionMode::TcpIp);
    EXPECT_TRUE(menuAction(ID_CONNECTION_SERIAL)->isEnabled());
    EXPECT_FALSE(menuAction(ID_CONNECTION_TCPIP)->isEnabled());
    EXPECT_FALSE(menuAction(ID_WLAN_FW_DOWNLOAD)->isEnabled());
    for (int id : kPanelButtons)
        EXPECT_TRUE(view->control(id)->isEnabled()) << id;

    view->recordShown = 1; // as after a record was shown
    for (int id : {ID_FILE_SAVE_SETTINGS, ID_FILE_LOAD_SETTINGS})
        EXPECT_TRUE(menuAction(id)->isEnabled()) << id;
    view->settingsRead = 1;
    EXPECT_TRUE(menuAction(ID_WLAN_FW_DOWNLOAD)->isEnabled());
    EXPECT_TRUE(menuAction(ID_FILE_SETUP_FILE)->isEnabled());

    menuAction(ID_CONNECTION_SERIAL)->trigger();
    EXPECT_EQ(view->connectionMode, form::ConnectionMode::Serial);
    EXPECT_FALSE(menuAction(ID_WLAN_FW_DOWNLOAD)->isEnabled());
}

TEST_F(Shell, AllCommandsOpensTheModulesOnTheLanBesideTheForm)
{
    EXPECT_EQ(menuAction(ID_CONNECTION_LAN_MODULES), nullptr); // the full command set only
    app.reset();
    start(true);
    QAction* command = menuAction(ID_CONNECTION_LAN_MODULES);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), "Modules on the LAN...");
    EXPECT_TRUE(command->isEnabled());
    command->trigger();
    QWidget* window = app->lanModulesWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Modules on the LAN");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    // Not modal: the form stays usable beside it.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(window->isModal());
    EXPECT_TRUE(view->isEnabled());
    // The program ends with its main window, even with this one open.
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    window->close();
    command->trigger();
    EXPECT_EQ(app->lanModulesWindow(), window);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Shell, AllCommandsOpensAtTheWholeFormAndTheMenuBar)
{
    app.reset();
    start(true);
    QCoreApplication::processEvents(); // the scroll area settles its bars on the resize
    const auto* area = qobject_cast<QScrollArea*>(frame->centralWidget());
    ASSERT_NE(area, nullptr);
    EXPECT_GE(area->viewport()->width(), view->width());
    EXPECT_GE(area->viewport()->height(), view->height());
    EXPECT_LT(area->viewport()->height(), view->height() + 8);
}

TEST_F(Shell, StatusBarCommandTogglesTheStatusBar)
{
    frame->commands().statusBarToggle->trigger();
    EXPECT_TRUE(frame->statusBar()->isHidden());
    frame->commands().statusBarToggle->trigger();
    EXPECT_FALSE(frame->statusBar()->isHidden());
}

} // namespace
} // namespace quarlink::testing

namespace quarlink::testing {
namespace {

TEST(ShellStart, MalformedManagementSettingIsRefusedAtStart)
{
    RecordingPrompter prompter;
    qputenv("QUARLINK_MGMT_KEY", "0123");
    app::CQuarlinkApp app(std::make_unique<FakePortList>());
    EXPECT_FALSE(app.InitInstance());
    qunsetenv("QUARLINK_MGMT_KEY");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.startsWith("QUARLINK_MGMT_KEY: not a management key"));
    EXPECT_FALSE(prompter.messages[0].text.contains("0123")); // not even a wrong key is shown

    qputenv("QUARLINK_MGMT_PORT", "40123");
    app::CQuarlinkApp started(std::make_unique<FakePortList>());
    EXPECT_TRUE(started.InitInstance());
    qunsetenv("QUARLINK_MGMT_PORT");
    EXPECT_EQ(started.managementParameters().modulePort, 40123);
}

} // namespace
} // namespace quarlink::testing
