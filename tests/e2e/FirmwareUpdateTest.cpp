// The command "Download" end to end: the form chooses and loads an image, the transfer dialog
// streams it to the simulated module over the serial link or TCP, and the module's verdict or
// the update time-out ends the wait.
#include "EndToEndFixture.h"

#include "common/LoopbackListener.h"
#include "dialogs/CDownloadDlg.h"
#include "dialogs/CMsgDlg.h"
#include "form/FirmwareDownload.h"
#include "form/IpAddressField.h"
#include "tests/serial/PtyPair.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTemporaryDir>

#include <fstream>

namespace quarlink::testing {
namespace {

using dialogs::CDownloadDlg;
using form::CQuarlinkView;

class FirmwareUpdate : public EndToEnd
{
protected:
    void startModule(sim::FirmwareVerdict verdict, bool listener = false)
    {
        sim::SimulatedModuleConfig config;
        config.runner.firmwareVerdict = verdict;
        config.runner.firmwareFlashTime = std::chrono::milliseconds(300);
        if (listener) {
            config.runner.firmwareAddress = "127.0.0.1";
            config.runner.firmwarePort = 0;
        }
        start(std::move(config));
        firmware().timing.goPause = std::chrono::milliseconds(0);
        firmware().timing.blockPause = std::chrono::milliseconds(0);
    }

    CQuarlinkView::FirmwareDownload& firmware() { return view->firmware(); }

    // TCP/IP mode with a module record shown, aimed at `port` on 127.0.0.1.
    void aimAt(std::uint16_t port)
    {
        view->connectionMode = form::ConnectionMode::TcpIp;
        view->recordShown = 1;
        view->control<form::IpAddressField>(IDC_MODULE_ADDRESS)->setAddress(0x7F000001);
        view->values().localPort = port;
    }

    QString imageFile(const char* name, std::size_t size)
    {
        const QString path = dir.filePath(name);
        std::ofstream out(path.toStdString(), std::ios::binary);
        for (std::size_t i = 0; i < size; ++i)
            out.put(static_cast<char>('a' + i % 3));
        return path;
    }

    // Runs "Download" with the file; the dialog is sent and closed by its timer once handed
    // over, or cancelled when the transfer stops short.
    void download(const QString& path)
    {
        prompter.fileAnswers.push_back(path);
        prompter.dialogAnswer = [this](QDialog& dialog) {
            auto& transfer = static_cast<CDownloadDlg&>(dialog);
            dialog.findChild<QAbstractButton*>("IDC_DOWNLOAD_SEND")->click();
            const bool handedOver = waitFor([&] {
                return transfer.timers().isActive(CDownloadDlg::kCloseTimerId) ||
                       !prompter.messages.empty() || transfer.percentText().startsWith("Fail");
            });
            percentText = transfer.percentText();
            percentSpoken = accessibleText(dialog, "IDC_DOWNLOAD_PERCENT", QAccessible::Name);
            progressSpoken = accessibleText(dialog, "IDC_DOWNLOAD_PROGRESS", QAccessible::Value);
            sendEnabled = dialog.findChild<QAbstractButton*>("IDC_DOWNLOAD_SEND")->isEnabled();
            if (handedOver && transfer.timers().isActive(CDownloadDlg::kCloseTimerId) &&
                !cancelAfterHandOver)
                transfer.onTimer(CDownloadDlg::kCloseTimerId);
            else
                transfer.reject();
            return dialog.result();
        };
        ASSERT_TRUE(view->onCommand(ID_WLAN_FW_DOWNLOAD));
    }

    bool updateTimerRunning() const
    {
        return view->timers().isActive(CQuarlinkView::kUpdateTimerId);
    }

    std::optional<sim::FirmwareReceipt> receipt() const
    {
        return module->runner().committedSettings().lastFirmware();
    }

    // What a screen reader is told of the widget `name` of `window`.
    static QString accessibleText(QWidget& window, const char* name, QAccessible::Text text)
    {
        QAccessibleInterface* face =
            QAccessible::queryAccessibleInterface(window.findChild<QWidget*>(name));
        return face ? face->text(text) : QString();
    }

    QTemporaryDir dir;
    QString percentText;
    QString percentSpoken;
    QString progressSpoken;
    bool sendEnabled = true;
    bool cancelAfterHandOver = false; // "Cancel" in the half second before the dialog closes
};

TEST_F(FirmwareUpdate, SerialTransferEndsWithUpdateSuccess)
{
    startModule(sim::FirmwareVerdict::Success);
    download(imageFile("abc_tavrel.bin", 2049));
    ASSERT_TRUE(waitFor([&] { return !prompter.messages.empty(); }));
    EXPECT_EQ(prompter.texts(), QStringList{"Update Success"});
    EXPECT_EQ(prompter.messages[0].caption, platform::kAppTitle);
    EXPECT_EQ(prompter.fileDialogs.at(0),
              std::make_pair(QStringLiteral("Open Program Binary File"),
                             QStringLiteral("Program Binary File(*_tavrel.bin)")));
    EXPECT_FALSE(prompter.fileDialogOptions.at(0).mustExist);
    EXPECT_EQ(prompter.dialogs, QStringList{"WLAN F/W Download"});
    EXPECT_EQ(percentText, "100% completed");
    EXPECT_EQ(percentSpoken, "100% completed");
    EXPECT_EQ(progressSpoken, "100");
    EXPECT_FALSE(sendEnabled);
    EXPECT_FALSE(updateTimerRunning());
    EXPECT_EQ(firmware().waitWindow(), nullptr);
    const auto got = receipt();
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->complete);
    EXPECT_TRUE(got->checksumCorrect());
    EXPECT_EQ(got->declaredLength, 2049u);
}

TEST_F(FirmwareUpdate, ErrorAnswerAfterTheTransfer)
{
    startModule(sim::FirmwareVerdict::Error);
    download(imageFile("abc_tavrel.bin", 3));
    ASSERT_TRUE(waitFor([&] { return !prompter.messages.empty(); }));
    EXPECT_EQ(prompter.texts(), QStringList{"Error : 0x59[Y]"});
    EXPECT_FALSE(updateTimerRunning());
    EXPECT_TRUE(w(IDC_GET_INFO)->isEnabled());
    EXPECT_TRUE(w(IDC_SET_INFO)->isEnabled());
}

TEST_F(FirmwareUpdate, TimeoutWithTheWaitWindowCounting)
{
    for (const bool serialMode : {true, false}) {
        prompter.messages.clear();
        startModule(sim::FirmwareVerdict::None, !serialMode);
        if (!serialMode)
            aimAt(module->runner().firmwareListener()->port());
        download(imageFile("abc_tavrel.bin", 3));
        ASSERT_TRUE(waitFor([&] { return receipt().has_value(); }));
        EXPECT_TRUE(updateTimerRunning());
        EXPECT_EQ(view->timers().period(CQuarlinkView::kUpdateTimerId), std::chrono::seconds(53));
        auto* wait = firmware().waitWindow();
        ASSERT_NE(wait, nullptr);
        EXPECT_EQ(wait->windowTitle(), "Update F/W");
        EXPECT_FALSE(wait->isModal());
        EXPECT_EQ(wait->countdownText(), "");
        wait->onTimer(dialogs::CMsgDlg::kCountdownTimerId);
        EXPECT_EQ(wait->countdownText(), "52");
        EXPECT_EQ(accessibleText(*wait, "IDC_UPDATE_REMAINING", QAccessible::Name), "52");

        view->onTimer(CQuarlinkView::kUpdateTimerId);
        EXPECT_EQ(firmware().waitWindow(), nullptr);
        EXPECT_FALSE(updateTimerRunning());
        EXPECT_EQ(prompter.texts(),
                  serialMode ? QStringList{"Error : Update Failure [Timeout]"} : QStringList{});
        TearDown();
    }
}

TEST_F(FirmwareUpdate, StatusAnswerStopsTheTimeoutAndLeavesTheWindowCounting)
{
    startModule(sim::FirmwareVerdict::Status);
    download(imageFile("abc_tavrel.bin", 3));
    ASSERT_TRUE(waitFor([&] { return !prompter.messages.empty(); }));
    EXPECT_EQ(prompter.texts(), QStringList{"0xff"});
    EXPECT_FALSE(updateTimerRunning());
    auto* wait = firmware().waitWindow();
    ASSERT_NE(wait, nullptr);
    for (int tick = 0; tick < 54; ++tick)
        wait->onTimer(dialogs::CMsgDlg::kCountdownTimerId);
    EXPECT_EQ(wait->countdownText(), "-1");
    EXPECT_TRUE(wait->timers().isActive(dialogs::CMsgDlg::kCountdownTimerId));
}

TEST_F(FirmwareUpdate, CancelAfterTheLastByteLeavesTheTimeoutRunning)
{
    startModule(sim::FirmwareVerdict::None);
    cancelAfterHandOver = true;
    download(imageFile("abc_tavrel.bin", 3));
    EXPECT_EQ(percentText, "100% completed");
    EXPECT_EQ(firmware().waitWindow(), nullptr);
    ASSERT_TRUE(updateTimerRunning());
    view->onTimer(CQuarlinkView::kUpdateTimerId);
    EXPECT_EQ(prompter.texts(), QStringList{"Error : Update Failure [Timeout]"});
    EXPECT_FALSE(updateTimerRunning());
}

TEST_F(FirmwareUpdate, TcpTransferIsJudgedOnTheSerialLine)
{
    startModule(sim::FirmwareVerdict::Success, true);
    aimAt(module->runner().firmwareListener()->port());
    download(imageFile("big_tavrel.bin", 4096));
    ASSERT_TRUE(waitFor([&] { return !prompter.messages.empty(); }));
    EXPECT_EQ(prompter.texts(), QStringList{"Update Success"});
    const auto got = receipt();
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->checksumCorrect());
    // Nothing of the stream went over the line: only the verdict came back on it.
    for (const auto& command : module->runner().receivedCommands())
        EXPECT_NE(command.letter, 'G');
}

TEST_F(FirmwareUpdate, ClosingThePortStopsOnlyASerialTransfer)
{
    for (const bool serialMode : {true, false}) {
        SCOPED_TRACE(serialMode ? "serial" : "TCP");
        startModule(sim::FirmwareVerdict::None, !serialMode);
        if (!serialMode)
            aimAt(module->runner().firmwareListener()->port());
        firmware().timing.blockPause = std::chrono::milliseconds(20);
        prompter.fileAnswers.push_back(imageFile("two_tavrel.bin", 2 * 2048));
        prompter.dialogAnswer = [&](QDialog& dialog) {
            auto& transfer = static_cast<CDownloadDlg&>(dialog);
            auto* bar = dialog.findChild<QProgressBar*>("IDC_DOWNLOAD_PROGRESS");
            bool portGone = false;
            // The port goes (the adapter unplugged) while the first report is shown.
            QObject::connect(bar, &QProgressBar::valueChanged, &dialog, [&](int value) {
                if (value != 50)
                    return;
                view->OnDeviceGone();
                portGone = true;
            });
            dialog.findChild<QAbstractButton*>("IDC_DOWNLOAD_SEND")->click();
            EXPECT_TRUE(waitFor([&] { return portGone; }));
            if (!serialMode) {
                EXPECT_TRUE(waitFor(
                    [&] { return transfer.timers().isActive(CDownloadDlg::kCloseTimerId); }));
            }
            if (transfer.timers().isActive(CDownloadDlg::kCloseTimerId))
                transfer.onTimer(CDownloadDlg::kCloseTimerId);
            return dialog.result();
        };
        ASSERT_TRUE(view->onCommand(ID_WLAN_FW_DOWNLOAD));
        EXPECT_FALSE(view->isPortOpen());
        EXPECT_EQ(firmware().waitWindow() != nullptr, !serialMode);
        TearDown();
    }
}

TEST_F(FirmwareUpdate, FailToConnectLeavesOnlyCancel)
{
    startModule(sim::FirmwareVerdict::Success);
    LoopbackListener refusal(LoopbackListener::Peer::NeverListens);
    aimAt(refusal.port());
    download(imageFile("abc_tavrel.bin", 3));
    ASSERT_EQ(prompter.texts(), QStringList{"Fail to connect to server"});
    EXPECT_EQ(prompter.messages[0].caption, platform::kAppTitle);
    EXPECT_FALSE(sendEnabled);
    EXPECT_EQ(firmware().waitWindow(), nullptr);
    EXPECT_FALSE(updateTimerRunning());
    EXPECT_FALSE(receipt());
}

TEST_F(FirmwareUpdate, EscapeDuringTheTransferOpensNoWaitWindow)
{
    startModule(sim::FirmwareVerdict::Success);
    prompter.fileAnswers.push_back(imageFile("full_tavrel.bin", 524288));
    int progressAtCancel = -1;
    prompter.dialogAnswer = [&](QDialog& dialog) {
        auto& transfer = static_cast<CDownloadDlg&>(dialog);
        // Escape while the first report is shown, before the sender goes on.
        auto* bar = dialog.findChild<QProgressBar*>("IDC_DOWNLOAD_PROGRESS");
        QObject::connect(bar, &QProgressBar::valueChanged, &dialog, [&](int value) {
            if (value == 0 || progressAtCancel >= 0)
                return;
            progressAtCancel = value;
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog, &escape);
        });
        dialog.findChild<QAbstractButton*>("IDC_DOWNLOAD_SEND")->click();
        EXPECT_TRUE(waitFor([&] { return progressAtCancel > 0; }));
        EXPECT_EQ(transfer.progress(), progressAtCancel);
        return dialog.result();
    };
    ASSERT_TRUE(view->onCommand(ID_WLAN_FW_DOWNLOAD));
    EXPECT_LT(progressAtCancel, 100);
    EXPECT_EQ(firmware().waitWindow(), nullptr);
    EXPECT_FALSE(updateTimerRunning());
    EXPECT_EQ(view->engine().currentLetter(), 'G');
    EXPECT_TRUE(view->isPortOpen());
}

TEST_F(FirmwareUpdate, CancelOnAStalledLineClosesTheDialogAtOnce)
{
    // A line whose far end never reads: the terminal fills after a few blocks and the next
    // block's write waits for the device.
    serial::testing::PtyPair line;
    ASSERT_TRUE(line.ok());
    ports.entries =
        std::vector<platform::PortEntry>{{QString::fromStdString(line.slavePath()), {}}};
    view = std::make_unique<CQuarlinkView>(&ports);
    view->OnInitialUpdate();
    button(IDC_OPEN)->click();
    ASSERT_TRUE(view->isPortOpen());
    firmware().timing.goPause = std::chrono::milliseconds(0);
    prompter.fileAnswers.push_back(imageFile("full_tavrel.bin", 524288));
    QElapsedTimer sinceCancel;
    prompter.dialogAnswer = [&](QDialog& dialog) {
        auto& transfer = static_cast<CDownloadDlg&>(dialog);
        dialog.findChild<QAbstractButton*>("IDC_DOWNLOAD_SEND")->click();
        EXPECT_TRUE(waitFor([&] { return !transfer.percentText().isEmpty(); }));
        waitFor([] { return false; }, 100); // lets the sender reach the stalled block
        sinceCancel.start();
        transfer.reject();
        return dialog.result();
    };
    ASSERT_TRUE(view->onCommand(ID_WLAN_FW_DOWNLOAD));
    EXPECT_LT(sinceCancel.elapsed(), 500);
    EXPECT_EQ(firmware().waitWindow(), nullptr);

    // The port is still usable: once the far end reads, a command goes out whole.
    ASSERT_TRUE(view->isPortOpen());
    EXPECT_FALSE(line.readFromMaster(524288, std::chrono::milliseconds(300)).empty());
    button(IDC_GET_INFO)->click();
    EXPECT_EQ(line.readFromMaster(3), (Bytes{0x1B, 0x7E, 0x53}));
}

TEST_F(FirmwareUpdate, CommandStateAndRefusedFiles)
{
    ports.entries = std::vector<platform::PortEntry>{};
    view = std::make_unique<CQuarlinkView>(&ports);
    view->OnInitialUpdate();
    EXPECT_FALSE(view->isCommandEnabled(ID_WLAN_FW_DOWNLOAD)); // Serial, port closed
    EXPECT_FALSE(view->onCommand(ID_WLAN_FW_DOWNLOAD));
    view->connectionMode = form::ConnectionMode::TcpIp;
    EXPECT_FALSE(view->isCommandEnabled(ID_WLAN_FW_DOWNLOAD));
    view->recordShown = 1;
    EXPECT_TRUE(view->isCommandEnabled(ID_WLAN_FW_DOWNLOAD));

    struct Case
    {
        QString file; // empty: the open dialog is cancelled
        QString message;
        QString caption;
    };
    const Case cases[] = {
        {{}, {}, {}},
        {dir.filePath("missing_tavrel.bin"), "File not found.", platform::kErrorCaption},
        {imageFile("big_tavrel.bin", 524289),
         "[Warnning] File size error ====================> Overflow : 1 BYTE\r\n",
         platform::kAppTitle},
    };
    for (const Case& c : cases) {
        prompter.messages.clear();
        prompter.fileAnswers.push_back(c.file);
        EXPECT_TRUE(view->onCommand(ID_WLAN_FW_DOWNLOAD));
        EXPECT_TRUE(prompter.dialogs.isEmpty()) << c.file.toStdString();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(prompter.messages.empty());
        } else {
            ASSERT_EQ(prompter.messages.size(), 1u);
            EXPECT_EQ(prompter.messages[0].text, c.message);
            EXPECT_EQ(prompter.messages[0].caption, c.caption);
        }
    }
}

} // namespace
} // namespace quarlink::testing
