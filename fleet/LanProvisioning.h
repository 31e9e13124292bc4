// Provisioning modules on the LAN, many at once over one endpoint: an optional search, then for
// each module a Local read, the planned change, a backup when asked, and a write of what
// differs. Reads and writes of different modules overlap (see ExchangeDispatcher); each is the
// exchange the window would make for that module alone.
#pragma once

#include "fleet/ProvisionHost.h"
#include "fleet/ProvisionPlan.h"
#include "netmgmt/CDalmorTCP.h"
#include "netmgmt/ExchangeDispatcher.h"
#include "netmgmt/ManagementParameters.h"

#include <QJsonObject>

#include <optional>
#include <vector>

namespace quarlink::fleet {

struct LanRunSettings
{
    netmgmt::ManagementParameters parameters;
    netmgmt::OperationTimings timings;
    std::size_t inFlight = netmgmt::kDefaultExchangesInFlight;
};

// A module the plan names by its MAC address, with the keys it gets.
struct LanTarget
{
    netmgmt::MacAddress mac{};
    QJsonObject keys;
    // Sent in place of a password the module reports; 10 zero bytes for an unprotected module.
    netmgmt::Password password{};
};

// Runs the LAN part of a plan. With `select`, one search comes first: the modules it picks get
// `templateKeys` and `password`, and a listed module it did not find is "not found". Without, each
// listed module is read by its MAC address. Every module's result goes to the host. Returns false,
// with `error`, when the endpoint cannot be opened (nothing was sent).
bool runLanProvisioning(const LanRunSettings& settings, const std::vector<LanTarget>& listed,
                        const std::optional<Selection>& select, const QJsonObject& templateKeys,
                        const netmgmt::Password& password, const RunChoices& choices,
                        ProvisionHost& host, std::string& error);

} // namespace quarlink::fleet
