// A simulated module in-process: a pseudo-terminal and a runner serving it on its own thread.
// Tests open devicePath() like a serial port and read the module's settings meanwhile.
#pragma once

#include "sim/DefaultSettings.h"
#include "sim/ModuleRunner.h"
#include "sim/PseudoTerminal.h"

#include <memory>
#include <string>
#include <thread>

namespace quarlink::sim {

struct SimulatedModuleConfig
{
    serial::LineSettings line;
    ModuleSettings settings = defaultModuleSettings();
    RunnerConfig runner;
};

class SimulatedModule
{
public:
    // Nothing on failure, with the reason in `error`.
    static std::unique_ptr<SimulatedModule> start(SimulatedModuleConfig config, std::string& error);
    // Stops the runner (which saves the state file) and joins its thread.
    ~SimulatedModule();
    SimulatedModule(const SimulatedModule&) = delete;
    SimulatedModule& operator=(const SimulatedModule&) = delete;

    const std::string& devicePath() const { return m_pty->slavePath(); }
    ModuleRunner& runner() { return *m_runner; }
    const ModuleRunner& runner() const { return *m_runner; }
    // Stops serving now; the settings stay readable.
    void stop();

private:
    SimulatedModule() = default;

    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<ModuleRunner> m_runner;
    std::thread m_thread;
};

} // namespace quarlink::sim
