// Command "Up/Download Setup File" on the form: offered once the setup text was read, in either
// connection mode, and running the dialog over the form's setup text.
#include "SetupFileTestSupport.h"
#include "dialogs/CSetupUpDownloadDlg.h"
#include "form/FormFixture.h"

namespace quarlink::testing {
namespace {

using namespace quarlink::ids;

using SetupFileCommand = FormFixture;

TEST_F(SetupFileCommand, OfferedOnceTheSetupTextWasReadInEitherMode)
{
    EXPECT_FALSE(view->isCommandEnabled(ID_FILE_SETUP_FILE));
    EXPECT_FALSE(view->onCommand(ID_FILE_SETUP_FILE));
    EXPECT_TRUE(prompter.dialogs.isEmpty());

    view->KeepSetupText(Bytes{'x', '=', '1', 0});
    EXPECT_TRUE(view->isCommandEnabled(ID_FILE_SETUP_FILE));
    view->connectionMode = form::ConnectionMode::TcpIp;
    EXPECT_TRUE(view->isCommandEnabled(ID_FILE_SETUP_FILE));

    TempFiles files;
    prompter.fileAnswers = {QString::fromStdString(files.path("p"))};
    prompter.dialogAnswer = [this](QDialog& dialog) {
        // Owned by the main window, over which it opens, like the transfer dialog.
        EXPECT_EQ(dialog.parentWidget(), view.get());
        dynamic_cast<dialogs::CSetupUpDownloadDlg&>(dialog).button(IDC_SETUP_SAVE)->click();
        return int(QDialog::Rejected);
    };
    EXPECT_TRUE(view->onCommand(ID_FILE_SETUP_FILE));
    EXPECT_EQ(prompter.dialogs, QStringList{"Dialog"});
    EXPECT_EQ(TempFiles::read(files.path("p_env_vars.bin")), (Bytes{'x', '=', '1'}));
}

} // namespace
} // namespace quarlink::testing
