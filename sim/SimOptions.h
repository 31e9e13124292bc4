// The command line of quarlink-sim: its options, their parsing and the help text.
#pragma once

#include "netmgmt/ManagementKey.h"
#include "serial/LineSettings.h"
#include "sim/FaultPlan.h"
#include "sim/LanModuleDescription.h"
#include "sim/ModuleProtocol.h"

#include <optional>
#include <string>
#include <vector>

namespace quarlink::sim {

struct SimOptions
{
    serial::LineSettings line;
    std::string portName;               // Windows: the COM port the module serves
    std::string linkPath;               // empty: no link
    std::string stateFile;              // empty: state kept in memory only
    std::optional<std::string> logPath; // "-": standard error
    FaultPlan faults;
    std::vector<LanModuleDescription> lanModules;
    std::uint16_t lanPort = 50005;
    netmgmt::Ipv4Bytes lanBroadcast{127, 255, 255, 255};
    netmgmt::ManagementKeyBytes managementKey = netmgmt::kManagementKey;
    FirmwareVerdict firmwareVerdict = FirmwareVerdict::Success;
    std::chrono::milliseconds firmwareFlashTime{500};
    std::string firmwareAddress; // empty: no firmware listener
    std::optional<std::uint16_t> firmwarePort;
    bool help = false;
};

struct ParsedOptions
{
    std::optional<SimOptions> options; // nothing: `error` says what is wrong
    std::string error;
};

// The arguments after the program name.
ParsedOptions parseSimOptions(const std::vector<std::string>& args);
std::string simHelpText();

} // namespace quarlink::sim
