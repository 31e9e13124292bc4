// Simulated modules on the LAN in-process: a LanRunner serving on its own thread. Tests and
// benchmarks exchange datagrams with them over loopback.
#pragma once

#include "sim/LanRunner.h"

#include <memory>
#include <string>
#include <thread>

namespace quarlink::sim {

class SimulatedLan
{
public:
    // Nothing on failure, with the reason in `error`.
    static std::unique_ptr<SimulatedLan> start(LanConfig config, std::string& error);
    ~SimulatedLan();
    SimulatedLan(const SimulatedLan&) = delete;
    SimulatedLan& operator=(const SimulatedLan&) = delete;

    std::uint16_t port() const { return m_runner->port(); }
    LanRunner& runner() { return *m_runner; }

private:
    SimulatedLan() = default;
    std::unique_ptr<LanRunner> m_runner;
    std::thread m_thread;
};

} // namespace quarlink::sim
