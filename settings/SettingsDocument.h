// The settings document: one value holding everything a module keeps that the program shows or
// writes over the serial link (identity record, the fourteen settings items, the setup text),
// with its mapping to and from those byte layouts. Codes are kept as the module sent them, so
// reading an item and writing it back gives the same bytes.
#pragma once

#include "serial/ItemPayloads.h"
#include "serial/SettingsItems.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quarlink::settings {

using Bytes = std::vector<std::uint8_t>;

// The security kinds of the form's None / WEP / WPA choice.
enum class Security
{
    None,
    Wep,
    Wpa
};

struct SettingsDocument
{
    static constexpr std::size_t kWep64KeySize = 5;
    static constexpr std::size_t kWep128KeySize = 13;
    static constexpr std::size_t kWepKeyCount = 4;
    static constexpr std::size_t kPskSize = 32;

    std::array<std::uint8_t, serial::kIdentityRecordSize> identity{};

    std::uint32_t localIp = 0; // first octet in the most significant byte
    std::uint32_t subnetMask = 0;
    std::uint32_t gateway = 0;
    std::uint32_t dnsIp = 0;
    std::uint8_t dhcp = 0;    // item 0x10 byte 0: non-zero means on
    std::uint8_t dnsAuto = 0; // item 0x10 byte 1
    serial::WlanBasicRecord wlan;
    std::string ssid; // the module's bytes, not necessarily UTF-8
    std::array<std::uint8_t, kWepKeyCount * kWep64KeySize> wep64Keys{};
    std::array<std::uint8_t, kWepKeyCount * kWep128KeySize> wep128Keys{};
    std::string passphrase;
    std::array<std::uint8_t, kPskSize> psk{};
    serial::NetworkOptionRecord options;
    std::string peerDomainName;
    std::string userClassId;
    std::string setupText; // without its terminating zero

    // The security kind the form shows for the WLAN basic record: WPA when a WPA mode is set,
    // otherwise WEP when a key length is set, otherwise none.
    Security security() const;
    // Sets the codes of a security kind, keeping a key length or WPA mode already chosen; the
    // kind the record already has changes nothing.
    void setSecurity(Security kind);

    // The payload of a settings item, exactly its length; empty for 0xFF and unknown codes.
    Bytes itemPayload(std::uint8_t code) const;
    // Takes a settings item as the module sent it. False (nothing changed) for an unknown code or
    // a payload of the wrong length.
    bool takeItem(std::uint8_t code, std::span<const std::uint8_t> payload);
    // Takes the setup text with or without its terminating zero; it ends at the first zero.
    void takeSetupText(std::span<const std::uint8_t> text);

    // The pre-shared key the window sends: derived from the pass phrase and the SSID, each cut
    // to its 32-byte item.
    std::array<std::uint8_t, kPskSize> derivedPsk() const;

    bool operator==(const SettingsDocument&) const = default;
};

// When the pre-shared key a write sends is derived again from the pass phrase and the SSID.
// A write over the serial link (`set`, the window's Load) sends every item as the window's Set
// Info does, so always with the derived key. A write of only what changed (`write`, a plan) leaves
// the module's key alone unless the pass phrase or the SSID changed.
enum class PskUpdate
{
    Always,
    WhenPassphraseOrSsidChanges,
};

// Sets `wanted`'s key by that rule; `before` holds the settings the document was applied over.
void updatePsk(const SettingsDocument& before, SettingsDocument& wanted, PskUpdate when);

} // namespace quarlink::settings
