// The form's "Open" and "Close" on a pseudo-terminal: line settings, the go-ahead frame on
// close, a port held by another program, and a far end that goes away.
#include "common/FakePortList.h"
#include "common/RecordingPrompter.h"
#include "form/CQuarlinkView.h"
#include "os/SerialDevice.h"
#include "resources/ControlIds.h"
#include "serial/PtyPair.h"
#include "serial/SequenceEngine.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;
using serial::testing::PtyPair;

class SerialLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        path = QString::fromStdString(pty.slavePath());
        ports.entries = std::vector<platform::PortEntry>{{path, {}}};
        view = std::make_unique<form::CQuarlinkView>(&ports);
        view->OnInitialUpdate();
        QObject::connect(view.get(), &form::CQuarlinkView::statusMessage,
                         [this](const QString& text) { statusBar = text; });
    }

    void click(int id) { view->control<QAbstractButton>(id)->click(); }
    QString printerStatus() const { return view->control<QLineEdit>(IDC_PRINTER_STATUS)->text(); }
    bool serialListsEnabled() const
    {
        for (int id : {IDC_PORT, IDC_BAUD_RATE, IDC_PARITY, IDC_DATA_BITS, IDC_STOP_BIT, IDC_OPEN})
            if (!view->control(id)->isEnabled())
                return false;
        return true;
    }

    PtyPair pty;
    QString path;
    QString statusBar;
    RecordingPrompter prompter;
    FakePortList ports;
    std::unique_ptr<form::CQuarlinkView> view;
};

TEST_F(SerialLink, OpenUsesTheChosenLineSettingsAndCloseSendsGoFirst)
{
    view->control<QComboBox>(IDC_BAUD_RATE)->setCurrentIndex(3); // 9600
    view->control<QComboBox>(IDC_STOP_BIT)->setCurrentIndex(1);  // 2
    click(IDC_OPEN);
    ASSERT_TRUE(view->isPortOpen()) << prompter.texts().join("; ").toStdString();
    EXPECT_EQ(printerStatus(), path + " is opened");
    EXPECT_FALSE(view->control(IDC_PORT)->isEnabled());
    EXPECT_FALSE(view->control(IDC_OPEN)->isEnabled());
    EXPECT_TRUE(view->control(IDC_CLOSE)->isEnabled());
    EXPECT_TRUE(view->control(IDC_GET_INFO)->isEnabled());
    EXPECT_FALSE(view->control(IDC_SET_INFO)->isEnabled());

    termios line{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), speed_t{B9600});
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_TRUE(line.c_iflag & INPCK);

    click(IDC_CLOSE);
    EXPECT_EQ(pty.readFromMaster(4, std::chrono::milliseconds(200)),
              (std::vector<std::uint8_t>{0x1B, 0x7E, 0x47}));
    EXPECT_FALSE(view->isPortOpen());
    EXPECT_EQ(printerStatus(), path + " is closed");
    EXPECT_TRUE(serialListsEnabled());
    EXPECT_FALSE(view->control(IDC_CLOSE)->isEnabled());
    EXPECT_FALSE(view->control(IDC_GET_INFO)->isEnabled());
    EXPECT_EQ(view->engine().currentLetter(), 'G');
}

TEST_F(SerialLink, PortHeldElsewhereIsRefusedThenOpensOnceReleased)
{
    os::SerialDevice other;
    ASSERT_TRUE(other.open(pty.slavePath(), {}).ok());

    click(IDC_OPEN);
    EXPECT_FALSE(view->isPortOpen());
    EXPECT_EQ(prompter.texts(), QStringList{"Cannot open " + path});
    EXPECT_EQ(prompter.messages[0].caption, "Quarlink");
    EXPECT_EQ(printerStatus(), path + " is closed");
    EXPECT_TRUE(serialListsEnabled());
    EXPECT_TRUE(statusBar.startsWith("Cannot open " + path + ": ")) << statusBar.toStdString();

    other.close();
    prompter.messages.clear();
    click(IDC_OPEN);
    EXPECT_TRUE(view->isPortOpen());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(printerStatus(), path + " is opened");
}

TEST_F(SerialLink, FarEndGoingAwayReturnsTheFormToItsClosedState)
{
    click(IDC_OPEN);
    ASSERT_TRUE(view->isPortOpen());
    pty.closeMaster();
    QElapsedTimer clock;
    clock.start();
    while (view->isPortOpen() && clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    EXPECT_FALSE(view->isPortOpen());
    EXPECT_EQ(printerStatus(), path + " is closed");
    EXPECT_TRUE(serialListsEnabled());
    EXPECT_EQ(statusBar, path + " is no longer available");
    EXPECT_TRUE(prompter.messages.empty());
}

} // namespace
} // namespace quarlink::testing
