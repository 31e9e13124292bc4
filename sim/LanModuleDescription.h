// A simulated LAN module as the command line names it: its loopback address, optionally its
// identity, and its faults. Its fields are applied over the state file's module of that address,
// or over the defaults.
#pragma once

#include "sim/LanRunner.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::sim {

struct LanModuleDescription
{
    netmgmt::Ipv4Bytes address{};
    std::optional<netmgmt::MacAddress> mac;
    std::optional<std::uint16_t> productId;
    std::optional<std::uint16_t> productId2;
    std::optional<LanFirmware> firmware;
    std::optional<LanPassword> password; // zero-filled
    LanFaults faults;
    bool operator==(const LanModuleDescription&) const = default;
};

// "ADDRESS[,KEY=VALUE|FLAG]...": mac=00:11:22:33:44:55, product=N, product2=N,
// firmware=1.2a, password=TEXT (1 to 10 bytes), delay=MS, status=N, keeps=TYPE, and the flags
// silent, duplicate, bad-check, past-end, bad-magic. Empty `error` on success.
std::optional<LanModuleDescription> parseLanModuleDescription(std::string_view text,
                                                              std::string& error);

// "N[,from=ADDRESS][,mac=MAC][,silent-every=K]": N modules at addresses counting up from
// ADDRESS (default 127.0.1.1) with MAC addresses counting up from MAC (default
// 00:11:22:33:60:01); with silent-every, every K-th of them is silent. Nothing, with `error`
// set, for a malformed text or a count that runs past the loopback network.
std::optional<std::vector<LanModuleDescription>> parseLanCount(std::string_view text,
                                                               std::string& error);

// The modules to serve: those of the state file, then the --lan descriptions applied in order (one
// for an address the state file holds changes that module; any other adds one with defaults).
std::vector<LanModuleSetup> buildLanModules(const std::vector<LanModuleState>& saved,
                                            const std::vector<LanModuleDescription>& descriptions);

} // namespace quarlink::sim
