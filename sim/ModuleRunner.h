// Serves the protocol on a line: reads commands from the module's line, lets the protocol
// answer, shapes the answers with the fault plan, writes them, logs the line and saves the
// state file. Settings and the command history may be read from other threads.
#pragma once

#include "os/ModuleLine.h"
#include "os/StopSignal.h"
#include "sim/FaultPlan.h"
#include "sim/FirmwareListener.h"
#include "sim/LineLog.h"
#include "sim/ModuleProtocol.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarlink::sim {

struct RunnerConfig
{
    FaultPlan faults;
    std::string stateFile; // empty: the state is not saved
    LineLog log;
    // A frame whose next byte does not come within this time is dropped.
    std::chrono::milliseconds partialFrameTimeout{1000};
    // How long the module takes with a firmware image before it answers.
    std::chrono::milliseconds firmwareFlashTime{500};
    // The answer to a firmware image that arrived whole and correct.
    FirmwareVerdict firmwareVerdict = FirmwareVerdict::Success;
    // Where firmware streams over TCP are taken: an IPv4 address, and a port (nothing: the
    // local port of the module's network options). No address: no listener.
    std::string firmwareAddress;
    std::optional<std::uint16_t> firmwarePort;
    // The speed the module's line runs at. Bytes that arrive while the terminal is set to
    // another speed are unreadable to it, as on a real line, and go unanswered (0: any speed).
    int lineBaud = 0;
};

// One command as the module received it.
struct CommandRecord
{
    std::uint8_t letter = 0;
    std::optional<std::uint8_t> item;
    bool operator==(const CommandRecord&) const = default;
};

class ModuleRunner
{
public:
    // `line` is the module's end of the line; the runner does not own it.
    ModuleRunner(os::ModuleLine& line, const ModuleSettings& initial, RunnerConfig config);
    ~ModuleRunner();
    ModuleRunner(const ModuleRunner&) = delete;
    ModuleRunner& operator=(const ModuleRunner&) = delete;

    // Opens the firmware listener, if the configuration asks for one; false with the reason.
    bool openFirmwareListener(std::string& error);
    // The listener's address and port; nothing when there is no listener.
    const FirmwareListener* firmwareListener() const { return m_firmware.get(); }

    // Serves the line until requestStop(), then saves the state file. Returns 0 on a clean
    // stop, 1 when the line failed.
    int run();
    // Safe from any thread and from a signal handler.
    void requestStop();

    ModuleSettings committedSettings() const;
    // The committed settings with the writes staged since the last 'F'.
    ModuleSettings pendingSettings() const;
    // Replaces the committed settings (staged writes are dropped); not saved until a commit.
    void replaceSettings(const ModuleSettings& settings);
    std::vector<CommandRecord> receivedCommands() const;

private:
    // Saves the committed settings to the state file, if there is one.
    bool saveState();
    void serve(std::span<const std::uint8_t> chunk);
    // Whether the program's end of the line is set to the line speed of the module.
    bool atLineSpeed() const;
    // Acts on the listening socket and the connection of the firmware listener.
    void serveFirmware(bool listenerReady, bool connectionReady);
    void handle(std::vector<Reply> replies);
    void answer(const std::vector<Reply>& replies);
    // Time to wait for the line: unbounded, or until a partial frame times out.
    std::optional<std::chrono::milliseconds> readTimeout() const;
    bool send(const Delivery& delivery);
    bool writeAll(std::span<const std::uint8_t> bytes);
    // Waits up to `time`; true when a stop was requested meanwhile.
    bool stopWithin(std::chrono::milliseconds time) const;

    os::ModuleLine& m_line;
    os::StopSignal m_stop;
    RunnerConfig m_config;
    mutable std::mutex m_mutex; // guards m_protocol and m_commands
    ModuleProtocol m_protocol;
    std::vector<CommandRecord> m_commands;
    std::unique_ptr<FirmwareListener> m_firmware; // touched by the serving thread only
};

} // namespace quarlink::sim
