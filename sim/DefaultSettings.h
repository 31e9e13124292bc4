// The settings a fresh simulated module starts with, and the payload helpers that build them.
#pragma once

#include "sim/ModuleSettings.h"

#include <cstdint>
#include <string_view>

namespace quarlink::sim {

// A realistic factory state: product 3, firmware 1.2a, MAC 00:11:22:33:44:55,
// 192.168.1.50/24, infrastructure network "ThisIsASSID" on channel 6 with WPA2 PSK AES.
ModuleSettings defaultModuleSettings();

// The pre-shared key of pass phrase "ThisIsAPassword" with SSID "ThisIsASSID".
inline constexpr std::string_view kDefaultWpaPskHex =
    "0dc0d6eb90555ed6419756b9a15ec3e3209b63df707dd508d14581f8982721af";

// Payload helpers in the link's byte order.
Bytes ipv4Payload(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
// The text's bytes at the start of a zero-filled field; cut to the field length.
Bytes textPayload(std::string_view text, std::size_t length);
// A 16-bit number low byte first, appended to `out`.
void appendLow16(Bytes& out, std::uint16_t value);

} // namespace quarlink::sim
