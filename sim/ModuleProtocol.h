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

    CommandAssembler m_assembler;
    SettingsStore m_store;
    RefusalRule m_refuses;
};

// ESC '~' letter followed by the payload.
Bytes answerFrame(std::uint8_t letter, std::span<const std::uint8_t> payload = {});

} // namespace quarlink::sim
