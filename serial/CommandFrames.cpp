#include "serial/CommandFrames.h"

#include "serial/SettingsItems.h"

namespace quarlink::serial {

std::array<std::uint8_t, 3> commandFrame(std::uint8_t letter)
{
    return {kEsc, kTilde, letter};
}

std::array<std::uint8_t, 4> itemCommandFrame(std::uint8_t letter, std::uint8_t item)
{
    return {kEsc, kTilde, letter, item};
}

} // namespace quarlink::serial
