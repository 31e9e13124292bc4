// What the Get Info / Set Info sequence engine needs from its owner: the line, the answer
// timer, the form's values and the operator. The form implements it; tests and a command-line
// front end can too.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quarlink::serial {

class SequenceHost
{
public:
    virtual ~SequenceHost() = default;

    // The line.
    virtual void writeBytes(std::span<const std::uint8_t> bytes) = 0;
    virtual bool isConnectionOpen() const = 0;
    virtual void closeConnection() = 0;

    // The answer time-out: (re)start it, or stop it.
    virtual void startAnswerTimer() = 0;
    virtual void stopAnswerTimer() = 0;

    // Settings for a write: take the operator's edits (false when a check failed and was
    // reported), then the payload of one item, exactly the item's length.
    virtual bool collectSettings() = 0;
    virtual std::vector<std::uint8_t> itemPayload(std::uint8_t item) = 0;

    // What the module answered.
    virtual void showIdentity(std::span<const std::uint8_t> record) = 0;
    virtual void showItem(std::uint8_t item, std::span<const std::uint8_t> payload) = 0;
    // The setup text with its terminating zero.
    virtual void keepSetupText(std::span<const std::uint8_t> text) = 0;

    // The operator.
    virtual void showMessage(const std::string& text) = 0;
    virtual void enableGetInfo(bool on) = 0;
    virtual void enableSetInfo(bool on) = 0;
};

} // namespace quarlink::serial
