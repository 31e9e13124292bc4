// The settings a fresh simulated module starts with, and the text payload helper that builds them.
#pragma once

#include "sim/ModuleSettings.h"

#include <cstddef>
#include <string_view>

namespace quarlink::sim {

// A realistic factory state: product 3, firmware 1.2a, MAC 00:11:22:33:44:55,
// 192.168.1.50/24, infrastructure network "ThisIsASSID" on channel 6 with WPA2 PSK AES.
ModuleSettings defaultModuleSettings();

// The pre-shared key of pass phrase "ThisIsAPassword" with SSID "ThisIsASSID".
inline constexpr std::string_view kDefaultWpaPskHex =
    "0dc0d6eb90555ed6419756b9a15ec3e3209b63df707dd508d14581f8982721af";

// A text item's payload: the text's bytes at the start of a zero-filled field, cut to its length.
Bytes textPayload(std::string_view text, std::size_t length);

} // namespace quarlink::sim
