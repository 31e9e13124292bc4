// Fault injection: which commands the simulated module refuses or leaves unanswered, and how
// it disturbs the answers it sends (length, stray byte, chunks, pauses, delay).
#pragma once

#include "sim/CommandAssembler.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quarlink::sim {

// The commands a fault applies to: every command, one letter, or one 'R'/'W' item.
struct FaultTarget
{
    std::optional<std::uint8_t> letter; // nothing: every command
    std::optional<std::uint8_t> item;   // nothing: every item of the letter

    bool matches(const ReceivedFrame& frame) const;
    bool operator==(const FaultTarget&) const = default;
};

// "*", a letter such as "C", or a letter and an item code in hexadecimal such as "R:21" or
// "W:0xFF". Items are accepted for 'R' and 'W' only.
std::optional<FaultTarget> parseFaultTarget(std::string_view text);

inline constexpr std::uint8_t kDefaultStrayByte = 0x41;

struct StrayByteFault
{
    FaultTarget target;
    std::uint8_t value = kDefaultStrayByte;
    bool operator==(const StrayByteFault&) const = default;
};

// How one answer goes out on the line.
struct Delivery
{
    std::chrono::milliseconds delay{0}; // before the first byte
    std::vector<Bytes> chunks;          // written in order; empty: no answer at all
    std::chrono::milliseconds pause{0}; // between two chunks
    Bytes bytes() const;
};

struct FaultPlan
{
    std::vector<FaultTarget> noAnswer;
    std::vector<FaultTarget> errorAnswer; // refused: error answer, command not carried out
    std::vector<FaultTarget> tooLong;     // one zero byte appended
    std::vector<FaultTarget> tooShort;    // last byte left out
    std::vector<StrayByteFault> strayByte;
    std::size_t chunkSize = 0; // 0: the answer in one write
    std::chrono::milliseconds chunkPause{0};
    std::chrono::milliseconds answerDelay{0};

    bool refuses(const ReceivedFrame& frame) const;
    // Shapes the answer to `command` for the line.
    Delivery deliver(const ReceivedFrame& command, const Bytes& answer) const;
    bool operator==(const FaultPlan&) const = default;
};

} // namespace quarlink::sim
