// In-process simulated LAN modules.
#include "sim/SimulatedLan.h"

namespace quarlink::sim {

std::unique_ptr<SimulatedLan> SimulatedLan::start(LanConfig config, std::string& error)
{
    std::unique_ptr<SimulatedLan> lan(new SimulatedLan());
    lan->m_runner = std::make_unique<LanRunner>(std::move(config));
    if (!lan->m_runner->open(error))
        return nullptr;
    lan->m_thread = std::thread([runner = lan->m_runner.get()] { runner->run(); });
    return lan;
}

SimulatedLan::~SimulatedLan()
{
    if (m_thread.joinable()) {
        m_runner->requestStop();
        m_thread.join();
    }
}

} // namespace quarlink::sim
