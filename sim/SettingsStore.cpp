// The module's settings memory with staged writes.
#include "sim/SettingsStore.h"

namespace quarlink::sim {

SettingsStore::SettingsStore(ModuleSettings initial) : m_committed(std::move(initial)) {}

ModuleSettings SettingsStore::pending() const
{
    ModuleSettings settings = m_committed;
    for (const auto& [code, payload] : m_staged)
        settings.setItem(code, payload);
    return settings;
}

void SettingsStore::replace(const ModuleSettings& settings)
{
    m_committed = settings;
    m_staged.clear();
}

bool SettingsStore::stage(std::uint8_t code, std::span<const std::uint8_t> payload)
{
    const auto length = serial::itemLength(code);
    if (!length || *length != payload.size())
        return false;
    m_staged[code] = Bytes(payload.begin(), payload.end());
    return true;
}

void SettingsStore::commit()
{
    for (const auto& [code, payload] : m_staged)
        m_committed.setItem(code, payload);
    m_staged.clear();
}

} // namespace quarlink::sim
