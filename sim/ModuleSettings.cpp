// The simulated module's settings as a value.
#include "sim/ModuleSettings.h"

#include <algorithm>

namespace quarlink::sim {

std::optional<std::size_t> itemIndex(std::uint8_t code)
{
    for (std::size_t i = 0; i < serial::kSettingsItems.size(); ++i)
        if (serial::kSettingsItems[i].code == code)
            return i;
    return std::nullopt;
}

ModuleSettings::ModuleSettings()
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        m_items[i].assign(serial::kSettingsItems[i].length, 0);
}

std::span<const std::uint8_t> ModuleSettings::item(std::uint8_t code) const
{
    const auto index = itemIndex(code);
    if (!index)
        return {};
    return m_items[*index];
}

bool ModuleSettings::setItem(std::uint8_t code, std::span<const std::uint8_t> payload)
{
    const auto index = itemIndex(code);
    if (!index || payload.size() != serial::kSettingsItems[*index].length)
        return false;
    m_items[*index].assign(payload.begin(), payload.end());
    return true;
}

std::string ModuleSettings::itemText(std::uint8_t code) const
{
    const auto bytes = item(code);
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

bool ModuleSettings::setSetupText(std::string_view text)
{
    if (text.size() > kMaxSetupTextLength || text.find('\0') != std::string_view::npos)
        return false;
    m_setupText.assign(text);
    return true;
}

} // namespace quarlink::sim
