// Provisioning modules on the LAN, many at once over one endpoint: an optional search, then for
// each module a read, the planned change, a backup when asked, and a write of what differs.
// Reads and writes of different modules overlap (see ExchangeDispatcher); each is the exchange
// the window would make for that module alone. A module that refuses the write for its password
// is written once more with the one its owner gives, after the others.
#pragma once

#include "fleet/ProvisionPlan.h"
#include "fleet/RunContext.h"
#include "netmgmt/CDalmorTCP.h"
#include "netmgmt/ExchangeDispatcher.h"
#include "netmgmt/ManagementParameters.h"

#include <QJsonObject>

#include <optional>
#include <string>
#include <vector>

namespace quarlink::fleet {

struct LanRunSettings
{
    netmgmt::ManagementParameters parameters;
    netmgmt::OperationTimings timings;
    std::size_t inFlight = netmgmt::kDefaultExchangesInFlight;
    trace::TraceSink* trace = nullptr; // where every datagram is traced, if anywhere
};

// A module the plan names by its MAC address, with the keys it gets.
struct LanTarget
{
    netmgmt::MacAddress mac{};
    QJsonObject keys;
    // Sent in place of a password the module reports; 10 zero bytes for an unprotected module.
    netmgmt::Password password{};
    // Reached at this address (Remote), for a module the broadcast does not reach; without it,
    // by broadcast and its MAC address (Local).
    std::optional<netmgmt::Ipv4Bytes> address = std::nullopt;
};

// Which modules a search picks, and the keys they get.
struct LanPick
{
    Selection select;
    QJsonObject templateKeys;
};

// What a LAN run says of itself, beside each module's result.
struct LanRunOutcome
{
    bool ok = true;      // false: the run as a whole failed (the status of the whole run is 1)
    std::string message; // why it failed, or what the run could not do; empty when nothing
};

// Runs the LAN part of a plan. With `pick`, one search comes first: the modules it picks get the
// template's keys and `password`, and a listed module it did not find is "not found". Without,
// each listed module is read on its own. Every module's result goes to the context; a module
// whose MAC address another module of the run reported already fails unwritten.
//
// The run fails when the endpoint cannot be opened (nothing was sent) and when the search finds
// no module. A search whose answers fill the module table may have left modules out: the run
// says so, reads each listed module it did not find by its MAC address, and fails unless it
// lists modules and every one of them answered.
LanRunOutcome runLanProvisioning(const LanRunSettings& settings,
                                 const std::vector<LanTarget>& listed,
                                 const std::optional<LanPick>& pick,
                                 const netmgmt::Password& password, RunContext& context);

} // namespace quarlink::fleet
