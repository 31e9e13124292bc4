// The setup file dialog over a scripted module: file dialogs answered by the test, the suffix
// rule, refused reads, the bytes of an upload and the messages of its outcome.
#include "SetupFileTestSupport.h"
#include "common/RecordingPrompter.h"
#include "dialogs/CSetupUpDownloadDlg.h"
#include "protocol/FakeSequenceHost.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

#include <filesystem>

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

class SetupDialog : public ::testing::Test
{
protected:
    void click(int id) { dialog.button(id)->click(); }
    std::string text() const { return reinterpret_cast<const char*>(buffer.data()); }

    SetupBuffer buffer = setupBufferWith("hostname=printer\nip=192.168.1.50\n");
    FakeSequenceHost host;
    serial::SequenceEngine engine{host};
    RecordingPrompter prompter;
    TempFiles files;
    dialogs::CSetupUpDownloadDlg dialog{buffer, engine};
};

TEST_F(SetupDialog, SaveAppendsTheSuffixEvenWhenTheNameEndsInIt)
{
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    prompter.fileAnswers = {QString::fromStdString(files.path("printer1")),
                            QString::fromStdString(files.path("a_env_vars.bin")), QString()};
    click(IDC_SETUP_SAVE);
    click(IDC_SETUP_SAVE);
    click(IDC_SETUP_SAVE); // cancelled

    const std::string saved = text();
    const Bytes expected(saved.begin(), saved.end());
    EXPECT_EQ(TempFiles::read(files.path("printer1_env_vars.bin")), expected);
    EXPECT_EQ(TempFiles::read(files.path("a_env_vars.bin_env_vars.bin")), expected);
    EXPECT_FALSE(std::filesystem::exists(files.path("a_env_vars.bin")));
    ASSERT_EQ(prompter.fileDialogs.size(), 3u);
    EXPECT_EQ(prompter.fileDialogs[0].first, "Open Program Binary File");
    EXPECT_EQ(prompter.fileDialogs[0].second, "Program Binary File(*_env_vars.bin)");
    EXPECT_FALSE(prompter.fileDialogOptions[0].confirmOverwrite);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(host.line.empty());
}

TEST_F(SetupDialog, ReadFileIsUploadedAsTheFrameThenTheTextAndItsZero)
{
    const std::string path = files.path("short_env_vars.bin");
    const Bytes content = textBytes(100);
    TempFiles::write(path, content);
    prompter.fileAnswers = {QString::fromStdString(path)};
    click(IDC_SETUP_READ);
    EXPECT_TRUE(host.line.empty()); // reading sends nothing
    ASSERT_EQ(prompter.fileDialogOptions.size(), 1u);
    EXPECT_FALSE(prompter.fileDialogOptions[0].mustExist); // "File not found." is ours to say

    click(IDC_SETUP_UPLOAD);
    Bytes expected{0x1B, 0x7E, 0x57, 0xFF};
    expected.insert(expected.end(), content.begin(), content.end());
    expected.push_back(0);
    EXPECT_EQ(host.line, expected);
    EXPECT_EQ(host.writes, 2);
    EXPECT_EQ(engine.currentLetter(), 'W');
    EXPECT_EQ(engine.currentItem(), 0xFF);
    EXPECT_TRUE(host.timerRunning);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SetupDialog, RefusedReadsLeaveTheTextAsItWas)
{
    const struct
    {
        std::string name;
        std::size_t size; // 0: no such file
        QString message;
        QString caption;
    } cases[] = {
        {"missing", 0, "File not found.", "Error"},
        {"big", 2048,
         "Setup file too large: 2048 bytes, a setup text holds at most 2047. The setup text is "
         "unchanged.",
         "Quarlink"},
        {"huge", 524289, "[Warnning] File size error ====================> Overflow : 1 BYTE\r\n",
         "Quarlink"},
    };
    const std::string before = text();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = files.path(c.name);
        if (c.size > 0)
            TempFiles::write(path, textBytes(c.size));
        prompter.messages.clear();
        prompter.fileAnswers = {QString::fromStdString(path)};
        click(IDC_SETUP_READ);
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0].text, c.message);
        EXPECT_EQ(prompter.messages[0].caption, c.caption);
        EXPECT_EQ(text(), before);
    }
}

TEST_F(SetupDialog, UploadEndsWithTheModulesAnswerOrTheTimeOut)
{
    const struct
    {
        Bytes answer; // empty: no answer, the time-out fires
        std::string message;
    } cases[] = {
        {{0x1B, 0x7E, 0x57}, "Success"},
        {{0x1B, 0x7E, 0x39}, "Error : 0x57[W]"},
        {{}, "Error : W [Timeout]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        host.messages.clear();
        click(IDC_SETUP_UPLOAD);
        if (c.answer.empty())
            engine.onAnswerTimeout();
        else
            engine.onReceived(c.answer);
        EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
        EXPECT_FALSE(host.timerRunning);
    }
}

} // namespace
} // namespace quarlink::testing
