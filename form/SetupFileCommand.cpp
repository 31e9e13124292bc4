// Command "Up/Download Setup File": the setup file dialog over the setup text that Get Info
// keeps. It is offered in either connection mode once that text has arrived over the serial
// link, as there is nothing to save or send before.
#include "form/CQuarlinkView.h"

#include "dialogs/CSetupUpDownloadDlg.h"
#include "platform/Prompter.h"

namespace quarlink::form {

bool CQuarlinkView::isSetupFileCommandEnabled() const
{
    return settingsRead == 1;
}

void CQuarlinkView::OnSetupUpDownloadFile()
{
    dialogs::CSetupUpDownloadDlg dialog(setupText, *m_engine, this);
    platform::prompter().execDialog(dialog);
}

} // namespace quarlink::form
