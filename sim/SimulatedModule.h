// A simulated module in-process: its line (a pseudo-terminal) and a runner serving it on its own
// thread.
// Tests open devicePath() like a serial port and read the module's settings meanwhile.
#pragma once

#include "os/ModuleLine.h"
#include "serial/LineSettings.h"
#include "sim/DefaultSettings.h"
#include "sim/ModuleRunner.h"

#include <memory>
#include <string>
#include <thread>

namespace quarlink::sim {

struct SimulatedModuleConfig
{
    serial::LineSettings line;
    std::string portName; // Windows: the COM port to serve (one end of a pair)
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

    const std::string& devicePath() const { return m_line->devicePath(); }
    ModuleRunner& runner() { return *m_runner; }
    const ModuleRunner& runner() const { return *m_runner; }
    // Stops serving now; the settings stay readable.
    void stop();

private:
    SimulatedModule() = default;

    std::unique_ptr<os::ModuleLine> m_line;
    std::unique_ptr<ModuleRunner> m_runner;
    std::thread m_thread;
};

} // namespace quarlink::sim
