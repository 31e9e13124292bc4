// The simulated modules' serving loop on UDP.
#include "sim/LanRunner.h"

#include "netmgmt/ItemTable.h"
#include "netmgmt/ManagementHeader.h"
#include "netmgmt/ManagementParameters.h"
#include "os/SystemError.h"
#include "os/WaitSet.h"

#include <algorithm>
#include <array>

namespace quarlink::sim {

namespace {

// Large enough for any request; a write may exceed the answer size.
constexpr std::size_t kRequestBufferSize = 65536;

std::optional<os::UdpSocket> bindUdp(const netmgmt::Ipv4Bytes& address, std::uint16_t port,
                                     bool reuse, std::string& error)
{
    os::UdpOptions options;
    options.reuseAddress = reuse;
    options.nonBlocking = true;
    int code = 0;
    auto socket = os::UdpSocket::open(address, port, options, code);
    if (!socket)
        error = "cannot bind " + netmgmt::formatIpv4(address) + ":" + std::to_string(port) + ": " +
                os::systemErrorText(code);
    return socket;
}

// A port that nothing is bound to on any address: the system's pick for a wildcard socket
// without address reuse, released again at once.
std::uint16_t unusedPort(std::string& error)
{
    const auto socket = bindUdp({0, 0, 0, 0}, 0, false, error);
    return socket ? socket->localPort() : 0;
}

} // namespace

LanRunner::LanRunner(LanConfig config) : m_config(std::move(config)), m_buffer(kRequestBufferSize)
{
    for (LanModuleSetup& setup : m_config.modules)
        if (setup.password)
            setup.state.put(netmgmt::item_type::Password, 0, kPasswordMarker);
}

LanRunner::~LanRunner() = default;

bool LanRunner::open(std::string& error)
{
    if (!m_stop.isValid()) {
        error = os::systemErrorText(os::lastSystemError());
        return false;
    }
    m_port = m_config.port != 0 ? m_config.port : unusedPort(error);
    if (m_port == 0)
        return false;
    m_broadcastSocket = bindUdp(m_config.broadcastAddress, m_port, true, error);
    if (!m_broadcastSocket)
        return false;
    for (const LanModuleSetup& module : m_config.modules) {
        auto socket = bindUdp(module.state.address, m_port, true, error);
        if (!socket)
            return false;
        m_moduleSockets.push_back(std::move(*socket));
    }
    return true;
}

void LanRunner::requestStop()
{
    m_stop.request();
}

std::optional<std::chrono::milliseconds> LanRunner::waitLimit() const
{
    if (m_pending.empty())
        return std::nullopt;
    const auto next =
        std::min_element(m_pending.begin(), m_pending.end(),
                         [](const Pending& a, const Pending& b) { return a.due < b.due; });
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        next->due - std::chrono::steady_clock::now());
    return std::chrono::milliseconds(std::max<std::int64_t>(wait.count() + 1, 0));
}

int LanRunner::run()
{
    using Readiness = os::WaitSet::Readiness;
    os::WaitSet waits;
    const std::size_t stop = waits.add(m_stop);
    const std::size_t broadcast = waits.add(*m_broadcastSocket);
    std::vector<std::size_t> modules;
    for (const os::UdpSocket& socket : m_moduleSockets)
        modules.push_back(waits.add(socket));
    for (;;) {
        const os::WaitSet::Outcome outcome = waits.wait(waitLimit());
        if (outcome == os::WaitSet::Outcome::Failed)
            return 1;
        if (waits.readiness(stop) != Readiness::None)
            return 0;
        if (outcome == os::WaitSet::Outcome::Ready) {
            if (waits.readiness(broadcast) == Readiness::Ready)
                handle(*m_broadcastSocket, true, 0);
            for (std::size_t i = 0; i < m_moduleSockets.size(); ++i)
                if (waits.readiness(modules[i]) == Readiness::Ready)
                    handle(m_moduleSockets[i], false, i);
        }
        sendDue();
    }
}

void LanRunner::handle(os::UdpSocket& socket, bool broadcast, std::size_t module)
{
    // Drain what the socket holds, so a burst of requests is served in one turn.
    for (;;) {
        const os::UdpSocket::Received received = socket.receive(m_buffer);
        if (received.length < 0)
            return;
        const netmgmt::Ipv4Bytes sender = received.sender;
        const std::span<const std::uint8_t> request(m_buffer.data(),
                                                    static_cast<std::size_t>(received.length));
        const auto now = std::chrono::steady_clock::now();
        bool committed = false;
        std::vector<LanModuleState> snapshot;
        {
            const std::lock_guard lock(m_mutex);
            const netmgmt::ManagementHeader header = netmgmt::decodeHeader(request);
            m_requests.push_back({header.operation, header.mac, broadcast, module});
            const std::size_t first = broadcast ? 0 : module;
            const std::size_t last = broadcast ? m_config.modules.size() : module + 1;
            for (std::size_t i = first; i < last; ++i) {
                LanModuleSetup& setup = m_config.modules[i];
                const LanReply reply = answerRequest(setup.state, request, !broadcast, m_config.key,
                                                     setup.faults, setup.password);
                for (const Bytes& datagram : reply.datagrams)
                    m_pending.push_back(
                        {now + reply.delay, i, sender, received.senderPort, datagram});
                committed = committed || reply.committed;
            }
            if (committed)
                for (const LanModuleSetup& setup : m_config.modules)
                    snapshot.push_back(setup.state);
        }
        if (committed && m_config.onCommit)
            m_config.onCommit(snapshot);
        sendDue();
    }
}

void LanRunner::sendDue()
{
    const auto now = std::chrono::steady_clock::now();
    auto due = std::stable_partition(m_pending.begin(), m_pending.end(),
                                     [now](const Pending& p) { return p.due > now; });
    for (auto it = due; it != m_pending.end(); ++it)
        m_moduleSockets[it->module].sendTo(it->to, it->toPort, it->datagram);
    m_pending.erase(due, m_pending.end());
}

std::vector<LanModuleState> LanRunner::modules() const
{
    const std::lock_guard lock(m_mutex);
    std::vector<LanModuleState> states;
    for (const LanModuleSetup& setup : m_config.modules)
        states.push_back(setup.state);
    return states;
}

std::size_t LanRunner::requestCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests.size();
}

std::vector<ReceivedRequest> LanRunner::requests() const
{
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

void LanRunner::setFaults(std::size_t index, const LanFaults& faults)
{
    const std::lock_guard lock(m_mutex);
    m_config.modules.at(index).faults = faults;
}

} // namespace quarlink::sim
