// A sequence host for tests: records the line, the timer, the messages and the buttons, and
// serves item payloads of a recognisable pattern.
#pragma once

#include "serial/SequenceHost.h"
#include "serial/SettingsItems.h"

#include <map>

namespace quarlink::testing {

class FakeSequenceHost : public serial::SequenceHost
{
public:
    void writeBytes(std::span<const std::uint8_t> bytes) override
    {
        line.insert(line.end(), bytes.begin(), bytes.end());
        ++writes;
    }
    bool isConnectionOpen() const override { return open; }
    void closeConnection() override
    {
        open = false;
        getInfoEnabled = setInfoEnabled = false;
    }
    void startAnswerTimer() override { timerRunning = true; }
    void stopAnswerTimer() override { timerRunning = false; }
    bool collectSettings() override
    {
        ++collects;
        return collectSucceeds;
    }
    std::vector<std::uint8_t> itemPayload(std::uint8_t item) override
    {
        const auto length = serial::itemLength(item).value_or(0);
        std::vector<std::uint8_t> payload(length);
        for (std::size_t i = 0; i < length; ++i)
            payload[i] = static_cast<std::uint8_t>(item + i);
        return payload;
    }
    void showIdentity(std::span<const std::uint8_t> record) override
    {
        identity.assign(record.begin(), record.end());
    }
    void showItem(std::uint8_t item, std::span<const std::uint8_t> payload) override
    {
        items[item].assign(payload.begin(), payload.end());
    }
    void keepSetupText(std::span<const std::uint8_t> text) override
    {
        setupText.assign(text.begin(), text.end());
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void enableGetInfo(bool on) override { getInfoEnabled = on; }
    void enableSetInfo(bool on) override { setInfoEnabled = on; }

    std::vector<std::uint8_t> takeLine()
    {
        auto out = std::move(line);
        line.clear();
        return out;
    }

    std::vector<std::uint8_t> line;
    int writes = 0;
    int collects = 0;
    bool collectSucceeds = true;
    bool open = true;
    bool timerRunning = false;
    bool getInfoEnabled = true;
    bool setInfoEnabled = false;
    std::vector<std::uint8_t> identity;
    std::map<std::uint8_t, std::vector<std::uint8_t>> items;
    std::vector<std::uint8_t> setupText;
    std::vector<std::string> messages;
};

} // namespace quarlink::testing
