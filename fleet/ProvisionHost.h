// What a provisioning run needs from its owner: where each module's result goes as it
// finishes, how far the run has come, a password for a module that refused the one it was sent,
// and the local management port's claim for the LAN part. The command line and the window
// implement it. Calls come one at a time (but for the port's claim and release, which may come
// while serial modules report), though not always from the thread that started the run: serial
// modules are provisioned on threads of their own.
#pragma once

#include "fleet/ModuleResult.h"
#include "netmgmt/OperationRequests.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string>

namespace quarlink::fleet {

class ProvisionHost
{
public:
    virtual ~ProvisionHost() = default;
    virtual void moduleFinished(const ModuleResult& result) = 0;
    // `finished` of the `total` modules known so far (a search adds those it finds).
    virtual void progress(std::size_t finished, std::size_t total) = 0;
    // The module with `mac` refused the write for its password: the password to write it with
    // once more, or nothing to leave it failed. Asked once per module and run, when nothing else
    // of the LAN run is in flight.
    virtual std::optional<netmgmt::Password> askPassword(const QString& mac)
    {
        (void)mac;
        return std::nullopt;
    }
    // Before the first LAN exchange: takes the local management port for the run; false, with
    // the reason in `error`, leaves every module on the LAN unreached. Released by
    // releaseLanPort() once the LAN run has ended.
    virtual bool claimLanPort(std::string& error)
    {
        (void)error;
        return true;
    }
    virtual void releaseLanPort() {}
};

// How a run goes: a dry run reads and reports the changes but writes nothing; with backups, each
// module's settings are saved before anything is written to it.
struct RunChoices
{
    bool dryRun = false;
    bool backup = false;
};

} // namespace quarlink::fleet
