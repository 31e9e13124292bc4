// The simulated LAN modules in the state file, under "lanModules": each module's address, MAC
// address, firmware version and environment items.
#pragma once

#include "sim/LanModuleState.h"

#include <string>
#include <vector>

namespace quarlink::sim {

struct LanStateLoad
{
    bool ok = true;                      // false: `error` says what is wrong
    std::vector<LanModuleState> modules; // empty when the file or the key is missing
    std::string error;
};

std::string lanModulesToJson(const std::vector<LanModuleState>& modules);
LanStateLoad lanModulesFromJson(const std::string& json);

LanStateLoad loadLanModules(const std::string& path);
// Replaces the file's LAN part, keeping the rest.
bool saveLanModules(const std::string& path, const std::vector<LanModuleState>& modules,
                    std::string& error);

} // namespace quarlink::sim
