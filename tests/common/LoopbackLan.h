// Simulated modules on the LAN, served in this process over loopback on a free UDP port.
#pragma once

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

} // namespace quarlink::testing
