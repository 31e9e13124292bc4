// Waiting for the module's verdict after a firmware stream: the update time-out started when
// the sender has written the last byte, and what each verdict answer does to it, to the wait
// window and to the operator.
#pragma once

#include "serial/FirmwareVerdicts.h"

#include <chrono>
#include <string>

namespace quarlink::firmware {

// What the verdict handling needs from its owner.
class UpdateHost
{
public:
    virtual ~UpdateHost() = default;

    virtual void startUpdateTimer(std::chrono::milliseconds period) = 0;
    virtual void stopUpdateTimer() = 0;
    // Closes the wait window, if one is open.
    virtual void closeWaitWindow() = 0;
    virtual void showMessage(const std::string& text) = 0;
    // The verdict comes over the serial link; in TCP/IP mode a time-out passes silently.
    virtual bool isSerialMode() const = 0;
};

inline const std::string kUpdateSuccess = "Update Success";
inline const std::string kUpdateTimeoutMessage = "Error : Update Failure [Timeout]";
inline const std::string kStatusAnswerMessage = "0xff";

class UpdateVerdicts final : public serial::FirmwareVerdictListener
{
public:
    static constexpr std::chrono::milliseconds kUpdateTimeout{53000};

    explicit UpdateVerdicts(UpdateHost& host, std::chrono::milliseconds timeout = kUpdateTimeout)
        : m_host(host), m_timeout(timeout)
    {
    }

    // The sender has written the whole stream: the wait for the verdict begins.
    void streamFinished() { m_host.startUpdateTimer(m_timeout); }
    // The update time-out expired.
    void updateTimedOut();

    void updateSucceeded() override;
    void updateRefused() override;
    void statusAnswer(bool lastByteIsZero) override;

private:
    UpdateHost& m_host;
    std::chrono::milliseconds m_timeout;
};

} // namespace quarlink::firmware
