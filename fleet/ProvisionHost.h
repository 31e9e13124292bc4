// What a provisioning run needs from its owner: where each module's result goes as it
// finishes, how a backup is saved before a module is written, and how far the run has come.
// The command line implements it. Calls come one at a time, though for serial modules not
// always from the thread that started the run.
#pragma once

#include "fleet/ModuleResult.h"

#include <QJsonObject>
#include <QString>

#include <cstddef>
#include <string>

namespace quarlink::fleet {

class ProvisionHost
{
public:
    virtual ~ProvisionHost() = default;
    virtual void moduleFinished(const ModuleResult& result) = 0;
    // Saves `document`, the module's settings as read (only what was read: a LAN read holds no
    // setup text), as the backup of the module with `mac`; empty on success, else why it could
    // not be saved (the module then fails unwritten).
    virtual std::string saveBackup(const QString& mac, const QJsonObject& document) = 0;
    virtual void progress(std::size_t finished, std::size_t total) = 0;
};

// How a run goes: a dry run reads and reports the changes but writes nothing; with backups, each
// module's settings are saved before anything is written to it.
struct RunChoices
{
    bool dryRun = false;
    bool backup = false;
};

} // namespace quarlink::fleet
