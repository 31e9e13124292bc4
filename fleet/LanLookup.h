// Finding modules on the LAN for a list of them: one search by broadcast, and one module read on
// its own, by its MAC address (Local) or at an address the broadcast does not reach (Remote).
// Each opens its own endpoint and blocks until its exchange has ended; for a worker thread.
#pragma once

#include "fleet/LanProvisioning.h"
#include "netmgmt/ExchangeDispatcher.h"
#include "netmgmt/ModuleRecord.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quarlink::fleet {

// What a search that nobody answered says, as the window's search says it.
inline constexpr char kNobodyFound[] = "Cannot find the TCP/IP";

struct LanSearch
{
    std::vector<netmgmt::ModuleRecord> modules; // in the order they answered
    // The answers filled the module table: modules beyond it were not reached.
    bool tableFull = false;
    std::string error; // the search could not be made, or nobody answered
};

LanSearch searchLan(const LanRunSettings& settings);

// The search's exchange on a dispatcher of the caller's.
std::vector<netmgmt::ModuleRecord> searchOn(netmgmt::ExchangeDispatcher& dispatcher,
                                            netmgmt::RawPayloadStore& store,
                                            const LanRunSettings& settings);

// A module by its MAC address, or at an address.
using ModuleWhere = std::variant<netmgmt::MacAddress, netmgmt::Ipv4Bytes>;

struct ModuleReading
{
    std::optional<netmgmt::ModuleRecord> record; // nothing: `error` says why
    std::string error;
};

ModuleReading readModule(const LanRunSettings& settings, const ModuleWhere& where);

} // namespace quarlink::fleet
