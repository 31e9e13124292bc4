// In-process simulated module.
#include "sim/SimulatedModule.h"

namespace quarlink::sim {

std::unique_ptr<SimulatedModule> SimulatedModule::start(SimulatedModuleConfig config,
                                                        std::string& error)
{
    std::unique_ptr<SimulatedModule> module(new SimulatedModule());
    module->m_line = os::ModuleLine::open(config.line, config.portName, error);
    if (!module->m_line)
        return nullptr;
    module->m_runner =
        std::make_unique<ModuleRunner>(*module->m_line, config.settings, std::move(config.runner));
    if (!module->m_runner->openFirmwareListener(error))
        return nullptr;
    module->m_thread = std::thread([runner = module->m_runner.get()] { runner->run(); });
    return module;
}

SimulatedModule::~SimulatedModule()
{
    stop();
}

void SimulatedModule::stop()
{
    if (!m_thread.joinable())
        return;
    m_runner->requestStop();
    m_thread.join();
}

} // namespace quarlink::sim
