// What the parts of one run (the serial workers and the LAN run) share: the owner, called one
// at a time and told the progress over the whole run; the choices; the backups; the MAC
// addresses claimed so far; and the cancel flag, which any thread may set. Once it is set no
// part starts another exchange: a module not yet started, or read but not yet written, ends
// "cancelled".
#pragma once

#include "fleet/MacClaims.h"
#include "fleet/ProvisionHost.h"

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

namespace quarlink::fleet {

class RunContext
{
public:
    // With choices.backup, each backup is saved to `backupFolder`/<MAC>.json, owner-only.
    RunContext(ProvisionHost& host, RunChoices choices, QString backupFolder = {});

    const RunChoices& choices() const { return m_choices; }
    MacClaims& macs() { return m_macs; }

    // `count` more modules will be reported.
    void expect(std::size_t count);
    // A module's result, to the owner with the progress.
    void finished(const ModuleResult& result);
    // Saves `document`, the module's settings as read (only what was read: a LAN read holds no
    // setup text), as the backup of the module with `mac`; empty on success, else why it could
    // not be saved (the module then fails unwritten).
    std::string saveBackup(const QString& mac, const QJsonObject& document);
    std::optional<netmgmt::Password> askPassword(const QString& mac);
    bool claimLanPort(std::string& error);
    void releaseLanPort();

    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    const std::atomic<bool>& cancelFlag() const { return m_cancelled; }

private:
    ProvisionHost& m_host;
    RunChoices m_choices;
    QString m_backupFolder;
    MacClaims m_macs;
    std::atomic<bool> m_cancelled{false};
    std::mutex m_hostMutex; // the owner is called by one part at a time
    std::size_t m_total = 0;
    std::size_t m_finished = 0;
};

} // namespace quarlink::fleet
