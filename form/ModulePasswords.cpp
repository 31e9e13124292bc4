// The write of "Set Info" in TCP/IP mode with the module's password: a module that refuses the
// password sent is asked for again in the password dialog, and the write runs once more with
// the one given. The password is kept for that module's MAC address until TCP/IP is chosen
// again; it is never shown, logged or saved.
#include "form/CQuarlinkView.h"

#include "dialogs/CPasswordDlg.h"
#include "form/NetworkHostAdapter.h"
#include "netmgmt/ErrorCodes.h"

namespace quarlink::form {

void CQuarlinkView::WriteSelectedModule()
{
    if (!m_netManager)
        return;
    // The write itself refuses a missing line, with its message.
    const auto line = m_networkHost->selectedLine();
    const bool hasEntry = line && *line < netmgmt::CDalmorTCP::kModuleTableSize;
    if (!hasEntry) {
        m_netManager->write(targetMode());
        return;
    }
    const netmgmt::MacAddress mac = m_netManager->module(*line).mac_address;
    for (;;) {
        const auto kept = m_modulePasswords.find(mac);
        const int code = m_netManager->write(targetMode(), kept != m_modulePasswords.end()
                                                               ? kept->second
                                                               : netmgmt::CDalmorTCP::Password{});
        if (code != netmgmt::error_code::PasswordMismatch)
            return;
        // A kept password the module refused is of no further use.
        m_modulePasswords.erase(mac);
        const auto given = dialogs::CPasswordDlg::ask(this);
        if (!given)
            return;
        m_modulePasswords[mac] = *given;
    }
}

} // namespace quarlink::form
