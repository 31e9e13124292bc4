// The management protocol as a simulated module answers it: search, read and write requests
// in, answer datagrams out, with the module's faults applied.
#pragma once

#include "netmgmt/ManagementKey.h"
#include "sim/LanModuleState.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quarlink::sim {

struct LanFaults
{
    bool silent = false;                          // answers nothing, changes nothing
    bool duplicate = false;                       // sends every answer twice
    bool badCheck = false;                        // the first item's check value is wrong
    bool pastEnd = false;                         // the last item's length runs past the payload
    bool badMagic = false;                        // the answer's magic number is wrong
    std::optional<std::uint8_t> writeStatus = {}; // refuses writes with this status
    // Takes writes and answers success, but keeps its own items of this type (a module that
    // does not store what it is sent).
    std::optional<std::uint8_t> keptType = {};
    std::chrono::milliseconds delay{0}; // before every answer
    bool operator==(const LanFaults&) const = default;
};

// The password a module was given, zero-filled to 10 bytes. Its record reports kPasswordMarker in
// that field instead, and a write is taken only when its own field holds exactly these bytes.
using LanPassword = std::array<std::uint8_t, 10>;
inline constexpr LanPassword kPasswordMarker = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Write status for a payload the module cannot read (not a status the program names).
inline constexpr std::uint8_t kWriteStatusUnreadable = 1;

struct LanReply
{
    std::vector<Bytes> datagrams; // in sending order; none: no answer
    std::chrono::milliseconds delay{0};
    bool committed = false; // a write changed the environment
};

// Answers one request datagram. `direct` is true when it came to the module's own address
// (unicast), false when it came by broadcast. A write that succeeds changes `module`; with a
// `password`, only a write that carries it does, and it leaves the reported field as it was.
LanReply answerRequest(LanModuleState& module, std::span<const std::uint8_t> request, bool direct,
                       const netmgmt::ManagementKeyBytes& key, const LanFaults& faults,
                       const std::optional<LanPassword>& password = std::nullopt);

} // namespace quarlink::sim
