// Everything the simulated module keeps: its identity record, the fixed-length settings items
// and the setup text. A plain value; every item always holds exactly its length in bytes.
#pragma once

#include "serial/AnswerAssembler.h"
#include "serial/SettingsItems.h"
#include "sim/HexBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarlink::sim {

// Offsets in the 16-byte identity record of the 'C' answer.
namespace identity = serial::identity;

// The setup text travels zero-terminated in the 'R' 0xFF answer, which must fit the program's
// receive buffer whole: ESC '~' 'R', the text and its zero. A longer text could be kept but
// never read back, as Get Info would end in a time-out.
inline constexpr std::size_t kMaxSetupTextLength =
    serial::AnswerAssembler::kCapacity - serial::kFrameHeaderSize - 1;

// Position of a fixed-length item in the item table; nothing for 0xFF and unknown codes.
std::optional<std::size_t> itemIndex(std::uint8_t code);

class ModuleSettings
{
public:
    using Identity = std::array<std::uint8_t, serial::kIdentityRecordSize>;

    // Every item zero-filled, empty setup text, zero identity.
    ModuleSettings();

    const Identity& identity() const { return m_identity; }
    void setIdentity(const Identity& identity) { m_identity = identity; }

    // The item's payload; empty for 0xFF and unknown codes.
    std::span<const std::uint8_t> item(std::uint8_t code) const;
    // False (and nothing changed) for an unknown code or a payload of the wrong length.
    bool setItem(std::uint8_t code, std::span<const std::uint8_t> payload);
    // A text item's characters up to its first zero byte.
    std::string itemText(std::uint8_t code) const;

    const std::string& setupText() const { return m_setupText; }
    // False (and nothing changed) for a text holding a zero byte or longer than the maximum.
    bool setSetupText(std::string_view text);

    bool operator==(const ModuleSettings&) const = default;

private:
    Identity m_identity{};
    std::array<Bytes, serial::kSettingsItems.size()> m_items;
    std::string m_setupText;
};

} // namespace quarlink::sim
