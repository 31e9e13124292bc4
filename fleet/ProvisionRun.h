// One provisioning run over many modules, on the LAN and on serial ports at once: the serial
// workers, the LAN run, a restore's backups handed to the modules that report their MAC
// addresses, and the backups a run saves. The command line and the window both start it and
// show what it reports through their ProvisionHost; it knows no widgets and prints nothing.
//
//     ProvisionRun run(requestFromPlan(plan, ownPasswords, password), host, makeLink);
//     const LanRunOutcome outcome = run.run(); // returns when every module has its result
//
// cancel() (from any thread) starts no further exchange: those in flight end or time out, and
// every module not yet started, or read but not yet written, is reported "cancelled".
#pragma once

#include "fleet/Backups.h"
#include "fleet/LanProvisioning.h"
#include "fleet/ProvisionHost.h"
#include "fleet/ProvisionPlan.h"
#include "fleet/RunContext.h"
#include "fleet/SerialProvisioning.h"

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace quarlink::fleet {

struct RunRequest
{
    std::vector<SerialTarget> serial;
    std::size_t serialJobs = 0;  // serial ports provisioned at once; 0: all of them
    std::vector<LanTarget> lan;  // the modules on the LAN the run lists
    std::optional<LanPick> pick; // a search first, and the keys of the modules it picks
    // The password of every module on the LAN the run reaches without a listed entry (picked by
    // the search, or restored from a backup).
    netmgmt::Password password{};
    LanRunSettings lanSettings;
    RunChoices choices;
    QString backupFolder; // with choices.backup: where each module's backup goes
    // A restore writes these backups back instead: each serial target gets the backup of the
    // MAC address it reports; every other backup goes to its module on the LAN, reached as `lan`
    // lists it (its password and address; its keys are not used), else by its MAC address.
    std::optional<Backups> restore;
};

// The request of a plan: its serial ports and listed modules with the keys each gets (the
// template's, then its own), the password of each listed module on the LAN (its own from
// `ownPasswords`, else `password`), and the plan's search.
RunRequest requestFromPlan(const ProvisionPlan& plan,
                           const std::map<netmgmt::MacAddress, netmgmt::Password>& ownPasswords,
                           const netmgmt::Password& password);

class ProvisionRun
{
public:
    // `makeLink` opens a serial module's link; needed only when the request names serial ports.
    ProvisionRun(RunRequest request, ProvisionHost& host, SerialLinkFactory makeLink = {});

    // Runs on the calling thread until every module has its result. The outcome is the LAN
    // run's: whether the run as a whole failed, and what it could not do.
    LanRunOutcome run();
    void cancel() { m_context.cancel(); }

private:
    std::vector<LanTarget> restoredLanTargets() const;

    RunRequest m_request;
    SerialLinkFactory m_makeLink;
    RunContext m_context;
    std::mutex m_claimedMutex;
    std::set<QString> m_claimed; // backups a serial module took
};

} // namespace quarlink::fleet
