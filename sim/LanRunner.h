// Serves the simulated modules on the LAN: one socket on the broadcast address that every
// module hears, and one per module on its own loopback address that it answers from. Delayed
// answers wait in a queue, so one slow module never holds up the others.
#pragma once

#include "netmgmt/ManagementKey.h"
#include "os/StopSignal.h"
#include "os/UdpSocket.h"
#include "sim/LanModuleState.h"
#include "sim/LanProtocol.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quarlink::sim {

struct LanModuleSetup
{
    LanModuleState state;
    LanFaults faults;
    // A module with a password reports kPasswordMarker as its password from the start.
    std::optional<LanPassword> password = std::nullopt;
};

struct LanConfig
{
    std::vector<LanModuleSetup> modules;
    // 0: a port that no other program uses at the moment, chosen at start.
    std::uint16_t port = 50005;
    netmgmt::Ipv4Bytes broadcastAddress{127, 255, 255, 255};
    netmgmt::ManagementKeyBytes key = netmgmt::kManagementKey;
    // Called after a write has changed a module, with every module's state.
    std::function<void(const std::vector<LanModuleState>&)> onCommit;
};

// A request as the modules received it, for tests: its operation and the MAC address it names
// (a search names none), and whether it came by broadcast or to the module's own address.
struct ReceivedRequest
{
    std::uint8_t operation = 0;
    netmgmt::MacAddress mac{};
    bool broadcast = false;
    std::size_t module = 0; // the module whose address it came to (unicast)
};

class LanRunner
{
public:
    explicit LanRunner(LanConfig config);
    ~LanRunner();
    LanRunner(const LanRunner&) = delete;
    LanRunner& operator=(const LanRunner&) = delete;

    // Binds every socket; false with the reason in `error`.
    bool open(std::string& error);
    std::uint16_t port() const { return m_port; }
    // Serves until requestStop(). Returns 0, or 1 when a socket failed.
    int run();
    // Safe from any thread and from a signal handler.
    void requestStop();

    std::vector<LanModuleState> modules() const;
    // Requests received so far (by broadcast and direct), for tests.
    std::size_t requestCount() const;
    std::vector<ReceivedRequest> requests() const;
    // Gives module `index` other faults from now on (a module switched off after it was found).
    void setFaults(std::size_t index, const LanFaults& faults);

private:
    struct Pending
    {
        std::chrono::steady_clock::time_point due;
        std::size_t module;
        netmgmt::Ipv4Bytes to;
        std::uint16_t toPort;
        Bytes datagram;
    };
    void handle(os::UdpSocket& socket, bool broadcast, std::size_t module);
    void sendDue();
    // Until the next delayed answer is due; nothing when none waits.
    std::optional<std::chrono::milliseconds> waitLimit() const;

    LanConfig m_config;
    std::uint16_t m_port = 0;
    std::optional<os::UdpSocket> m_broadcastSocket;
    std::vector<os::UdpSocket> m_moduleSockets;
    os::StopSignal m_stop;
    std::vector<Pending> m_pending;
    mutable std::mutex m_mutex; // guards the module states, their faults and the requests
    std::vector<ReceivedRequest> m_requests;
    Bytes m_buffer;
};

} // namespace quarlink::sim
