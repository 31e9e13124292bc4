// Simulated modules on the LAN, served in this process over loopback on a free UDP port.
#pragma once

#include "netmgmt/ItemTable.h"
#include "sim/SimulatedLan.h"

#include <memory>
#include <string>
#include <vector>

namespace quarlink::testing {

inline std::unique_ptr<sim::SimulatedLan> startLoopbackLan(std::vector<sim::LanModuleSetup> modules,
                                                           std::string& error)
{
    sim::LanConfig config;
    config.modules = std::move(modules);
    config.port = 0;
    return sim::SimulatedLan::start(std::move(config), error);
}

// The modules without their WLAN extra item: every write over the LAN rewrites that item from
// its selector, so it cannot go back to what it was; compare the rest.
inline std::vector<sim::LanModuleState> withoutWlanExtra(std::vector<sim::LanModuleState> modules)
{
    for (auto& m : modules)
        std::erase_if(m.environment, [](const sim::EnvironmentEntry& e) {
            return e.type == netmgmt::item_type::Wlan && e.index == 6;
        });
    return modules;
}

} // namespace quarlink::testing
