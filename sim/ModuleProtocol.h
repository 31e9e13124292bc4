// The module's side of the serial configuration protocol as a pure state machine: received
// bytes in, answer frames out. It owns the settings store; it does no input or output.
#pragma once

#include "sim/CommandAssembler.h"
#include "sim/SettingsStore.h"

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace quarlink::sim {

// What the module answers after a firmware image that arrived whole with a correct checksum.
enum class FirmwareVerdict
{
    Success, // 1B 7E 59
    Error,   // the error answer 1B 7E 39
    Status,  // 1B 7E FF 00: the answer letter 0xFF
    None,    // nothing
};

struct Reply
{
    ReceivedFrame received;
    std::optional<Bytes> answer; // nothing for noise
    bool refused = false;        // answered with the error answer
    bool committed = false;      // the committed settings may have changed: save them
};

class ModuleProtocol
{
public:
    // Decides which commands the module refuses with the error answer, leaving them undone.
    using RefusalRule = std::function<bool(const ReceivedFrame&)>;

    explicit ModuleProtocol(ModuleSettings initial = ModuleSettings());

    void setRefusalRule(RefusalRule rule) { m_refuses = std::move(rule); }
    void setFirmwareVerdict(FirmwareVerdict verdict) { m_verdict = verdict; }

    // One reply per completed frame or run of noise, in line order.
    std::vector<Reply> feed(std::span<const std::uint8_t> chunk);
    // A frame left incomplete is given up (a line that broke off mid-frame must not swallow
    // the next commands): its bytes come back as noise.
    bool holdsPartialFrame() const { return !m_assembler.idle(); }
    std::vector<Reply> abandonPartialFrame();
    // The answer to one assembled frame, applying its effect on the settings.
    Reply execute(const ReceivedFrame& frame);

    SettingsStore& store() { return m_store; }
    const SettingsStore& store() const { return m_store; }

private:
    std::vector<Reply> replyTo(std::vector<ReceivedFrame> frames);
    std::optional<Bytes> readAnswer(const ReceivedFrame& frame) const;
    std::optional<Bytes> firmwareAnswer() const;

    CommandAssembler m_assembler;
    SettingsStore m_store;
    RefusalRule m_refuses;
    FirmwareVerdict m_verdict = FirmwareVerdict::Success;
};

// ESC '~' letter followed by the payload.
Bytes answerFrame(std::uint8_t letter, std::span<const std::uint8_t> payload = {});

} // namespace quarlink::sim
