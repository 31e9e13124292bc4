// Fault injection on the simulated module's answers.
#include "sim/FaultPlan.h"

#include "serial/SettingsItems.h"
#include "sim/HexBytes.h"

#include <algorithm>

namespace quarlink::sim {

namespace {

bool anyMatches(const std::vector<FaultTarget>& targets, const ReceivedFrame& frame)
{
    return std::any_of(targets.begin(), targets.end(),
                       [&frame](const FaultTarget& t) { return t.matches(frame); });
}

} // namespace

bool FaultTarget::matches(const ReceivedFrame& frame) const
{
    if (frame.kind != ReceivedFrame::Kind::Command)
        return false;
    if (!letter)
        return true;
    if (*letter != frame.letter)
        return false;
    return !item || item == frame.item;
}

std::optional<FaultTarget> parseFaultTarget(std::string_view text)
{
    if (text == "*")
        return FaultTarget{};
    if (text.empty())
        return std::nullopt;
    FaultTarget target;
    target.letter = static_cast<std::uint8_t>(text.front());
    text.remove_prefix(1);
    if (text.empty())
        return target;
    if (text.front() != ':' ||
        (target.letter != serial::kReadLetter && target.letter != serial::kWriteLetter))
        return std::nullopt;
    target.item = parseHexByte(text.substr(1));
    if (!target.item)
        return std::nullopt;
    return target;
}

Bytes Delivery::bytes() const
{
    Bytes all;
    for (const Bytes& chunk : chunks)
        all.insert(all.end(), chunk.begin(), chunk.end());
    return all;
}

bool FaultPlan::refuses(const ReceivedFrame& frame) const
{
    return anyMatches(errorAnswer, frame);
}

Delivery FaultPlan::deliver(const ReceivedFrame& command, const Bytes& answer) const
{
    Delivery delivery;
    delivery.delay = answerDelay;
    delivery.pause = chunkPause;
    if (anyMatches(noAnswer, command))
        return delivery;

    Bytes line = answer;
    if (anyMatches(tooLong, command))
        line.push_back(0x00);
    if (anyMatches(tooShort, command) && !line.empty())
        line.pop_back();
    for (const StrayByteFault& stray : strayByte)
        if (stray.target.matches(command))
            line.insert(line.begin(), stray.value);

    if (chunkSize == 0 || line.size() <= chunkSize) {
        delivery.chunks.push_back(std::move(line));
        return delivery;
    }
    for (std::size_t offset = 0; offset < line.size(); offset += chunkSize) {
        const std::size_t size = std::min(chunkSize, line.size() - offset);
        delivery.chunks.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(offset),
                                     line.begin() + static_cast<std::ptrdiff_t>(offset + size));
    }
    return delivery;
}

} // namespace quarlink::sim
