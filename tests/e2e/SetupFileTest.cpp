// The setup file dialog end to end: a file read and uploaded becomes the module's setup text,
// and the longest text the module keeps still comes back whole through Get Info.
#include "EndToEndFixture.h"

#include "dialogs/CSetupUpDownloadDlg.h"
#include "setupfile/SetupFileTestSupport.h"

namespace quarlink::testing {
namespace {

class SetupFileEndToEnd : public EndToEnd
{
protected:
    // Opens the dialog with the form's command, reads `path` and uploads it; the messages shown
    // until the module's answer or its absence.
    QStringList readAndUpload(const std::string& path)
    {
        prompter.messages.clear();
        prompter.fileAnswers = {QString::fromStdString(path)};
        prompter.dialogAnswer = [this](QDialog& d) {
            auto& dialog = dynamic_cast<dialogs::CSetupUpDownloadDlg&>(d);
            dialog.button(IDC_SETUP_READ)->click();
            dialog.button(IDC_SETUP_UPLOAD)->click();
            if (!waitFor([&] { return !prompter.messages.empty(); }, 1000))
                view->onTimer(form::CQuarlinkView::kAnswerTimerId);
            return int(QDialog::Rejected);
        };
        EXPECT_TRUE(view->onCommand(ID_FILE_SETUP_FILE));
        return prompter.texts();
    }

    TempFiles files;
};

TEST_F(SetupFileEndToEnd, UploadedFileBecomesTheModulesSetupText)
{
    start();
    ASSERT_TRUE(runGetInfo());
    const std::string path = files.path("printer_env_vars.bin");
    const std::string content = "hostname=after-upload\nsyslog=192.168.1.9\n";
    TempFiles::write(path, Bytes(content.begin(), content.end()));

    EXPECT_EQ(readAndUpload(path), QStringList{"Success"});
    EXPECT_EQ(module->runner().committedSettings().setupText(), content);
}

TEST_F(SetupFileEndToEnd, LongestKeptTextIsReadBackAndALongerOneRefused)
{
    start();
    sim::ModuleSettings settings = initial;
    const std::string longest(sim::kMaxSetupTextLength, 'L');
    ASSERT_EQ(longest.size(), 2044u);
    ASSERT_TRUE(settings.setSetupText(longest));
    module->runner().replaceSettings(settings);

    ASSERT_TRUE(runGetInfo());
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->setupText.data())), longest);

    // The program can hold 2047 bytes, but a module that keeps them could never answer them.
    const std::string path = files.path("long_env_vars.bin");
    TempFiles::write(path, textBytes(2045));
    EXPECT_EQ(readAndUpload(path), QStringList{"Error : 0x57[W]"});
    EXPECT_EQ(module->runner().committedSettings().setupText(), longest);
}

} // namespace
} // namespace quarlink::testing
