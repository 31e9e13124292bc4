// The module's settings memory: the committed settings that 'R' answers from, and the item
// writes that 'W' has staged and 'F' commits. The setup text is written at once.
#pragma once

#include "sim/ModuleSettings.h"

#include <cstdint>
#include <map>
#include <span>
#include <string_view>

namespace quarlink::sim {

class SettingsStore
{
public:
    explicit SettingsStore(ModuleSettings initial = ModuleSettings());

    const ModuleSettings& committed() const { return m_committed; }
    // The committed settings with the staged writes applied: what 'F' would commit.
    ModuleSettings pending() const;
    bool hasStaged() const { return !m_staged.empty(); }

    // Replaces the committed settings and drops the staged writes.
    void replace(const ModuleSettings& settings);
    // False (nothing staged) for an unknown item code or a payload of the wrong length.
    bool stage(std::uint8_t code, std::span<const std::uint8_t> payload);
    void commit();
    void discardStaged() { m_staged.clear(); }
    // Takes effect at once; false for a text the module cannot keep.
    bool writeSetupText(std::string_view text) { return m_committed.setSetupText(text); }
    // Takes effect at once.
    void recordFirmware(const FirmwareReceipt& receipt) { m_committed.setLastFirmware(receipt); }

private:
    ModuleSettings m_committed;
    std::map<std::uint8_t, Bytes> m_staged;
};

} // namespace quarlink::sim
