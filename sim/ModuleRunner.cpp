// The simulated module's serving loop on its line.
#include "sim/ModuleRunner.h"

#include "os/WaitSet.h"
#include "serial/ItemPayloads.h"
#include "sim/StateFile.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace quarlink::sim {

namespace {

// Pause before looking at a line again that has no program on its far end.
constexpr std::chrono::milliseconds kIdleLineRetry{100};
constexpr std::size_t kReadChunkSize = 2048;

} // namespace

ModuleRunner::ModuleRunner(os::ModuleLine& line, const ModuleSettings& initial, RunnerConfig config)
    : m_line(line), m_config(std::move(config)), m_protocol(initial)
{
    m_protocol.setRefusalRule(
        [this](const ReceivedFrame& frame) { return m_config.faults.refuses(frame); });
    m_protocol.setFirmwareVerdict(m_config.firmwareVerdict);
}

bool ModuleRunner::openFirmwareListener(std::string& error)
{
    if (m_config.firmwareAddress.empty())
        return true;
    std::uint16_t port = 0;
    if (m_config.firmwarePort) {
        port = *m_config.firmwarePort;
    } else {
        const ModuleSettings settings = committedSettings();
        const auto options = settings.item(serial::item::NetworkOptions);
        port = serial::NetworkOptionRecord::decode(
                   std::span<const std::uint8_t, serial::NetworkOptionRecord::kSize>(
                       options.data(), serial::NetworkOptionRecord::kSize))
                   .localPort;
    }
    m_firmware = FirmwareListener::open(m_config.firmwareAddress, port, error);
    if (m_firmware)
        m_config.log.note("firmware listener at " + m_firmware->address() + ":" +
                          std::to_string(m_firmware->port()));
    return m_firmware != nullptr;
}

ModuleRunner::~ModuleRunner() = default;

void ModuleRunner::requestStop()
{
    m_stop.request();
}

int ModuleRunner::run()
{
    if (!m_stop.isValid())
        return 1;
    m_config.log.note("serving the line");
    std::array<std::uint8_t, kReadChunkSize> buffer{};
    int result = 0;
    using Readiness = os::WaitSet::Readiness;
    for (;;) {
        os::WaitSet waits;
        const std::size_t line = waits.add(m_line);
        const std::size_t stop = waits.add(m_stop);
        std::optional<std::size_t> listener;
        std::optional<std::size_t> connection;
        if (m_firmware) {
            listener = waits.add(m_firmware->listener());
            if (const os::TcpConnection* open = m_firmware->connection())
                connection = waits.add(*open);
        }
        const os::WaitSet::Outcome outcome = waits.wait(readTimeout());
        if (outcome == os::WaitSet::Outcome::Failed) {
            result = 1;
            break;
        }
        if (outcome == os::WaitSet::Outcome::TimedOut) {
            std::vector<Reply> dropped;
            {
                const std::lock_guard lock(m_mutex);
                dropped = m_protocol.abandonPartialFrame();
            }
            handle(std::move(dropped));
            continue;
        }
        if (waits.readiness(stop) != Readiness::None)
            break;
        const bool listenerReady = listener && waits.readiness(*listener) != Readiness::None;
        const bool connectionReady = connection && waits.readiness(*connection) != Readiness::None;
        const Readiness lineReadiness = waits.readiness(line);
        if (listenerReady || connectionReady) {
            serveFirmware(listenerReady, connectionReady);
            if (lineReadiness == Readiness::None)
                continue;
        }
        if (lineReadiness == Readiness::Invalid) {
            result = 1;
            break;
        }
        if (lineReadiness == Readiness::Ready) {
            const os::ModuleLine::Read read = m_line.read(buffer);
            if (read.size > 0) {
                serve(std::span(buffer.data(), read.size));
                continue;
            }
            if (!read.ended)
                continue;
        }
        // Hang-up or read error: no program on the far end. Look again a little later.
        if (stopWithin(kIdleLineRetry))
            break;
    }
    m_config.log.note("stopped");
    if (!saveState())
        result = result == 0 ? 1 : result;
    return result;
}

void ModuleRunner::serve(std::span<const std::uint8_t> chunk)
{
    if (!atLineSpeed()) {
        m_config.log.note(std::to_string(chunk.size()) + " bytes at a line speed other than " +
                          std::to_string(m_config.lineBaud) + " baud: unreadable, not answered");
        return;
    }
    std::vector<Reply> replies;
    {
        const std::lock_guard lock(m_mutex);
        replies = m_protocol.feed(chunk);
    }
    handle(std::move(replies));
}

void ModuleRunner::serveFirmware(bool listenerReady, bool connectionReady)
{
    std::vector<ReceivedFrame> ended;
    if (connectionReady)
        if (auto frame = m_firmware->read())
            ended.push_back(std::move(*frame));
    if (listenerReady)
        if (auto frame = m_firmware->accept())
            ended.push_back(std::move(*frame));
    std::vector<Reply> replies;
    {
        const std::lock_guard lock(m_mutex);
        for (const ReceivedFrame& frame : ended)
            replies.push_back(m_protocol.execute(frame));
    }
    handle(std::move(replies));
}

void ModuleRunner::handle(std::vector<Reply> replies)
{
    bool committed = false;
    {
        const std::lock_guard lock(m_mutex);
        for (const Reply& reply : replies) {
            if (reply.received.kind == ReceivedFrame::Kind::Command)
                m_commands.push_back({reply.received.letter, reply.received.item});
            committed = committed || reply.committed;
        }
    }
    if (committed)
        saveState();
    answer(replies);
}

bool ModuleRunner::atLineSpeed() const
{
    if (m_config.lineBaud == 0)
        return true;
    const auto programBaud = m_line.programBaudRate();
    return !programBaud || *programBaud == m_config.lineBaud;
}

std::optional<std::chrono::milliseconds> ModuleRunner::readTimeout() const
{
    const std::lock_guard lock(m_mutex);
    if (m_protocol.holdsPartialFrame())
        return m_config.partialFrameTimeout;
    return std::nullopt;
}

void ModuleRunner::answer(const std::vector<Reply>& replies)
{
    for (const Reply& reply : replies) {
        m_config.log.received(reply.received);
        if (!reply.answer)
            continue;
        Delivery delivery = m_config.faults.deliver(reply.received, *reply.answer);
        if (reply.received.firmware)
            delivery.delay += m_config.firmwareFlashTime;
        m_config.log.sent(reply, delivery);
        if (!send(delivery))
            return;
    }
}

bool ModuleRunner::send(const Delivery& delivery)
{
    if (delivery.chunks.empty())
        return true;
    if (delivery.delay.count() > 0 && stopWithin(delivery.delay))
        return false;
    for (std::size_t i = 0; i < delivery.chunks.size(); ++i) {
        if (i > 0 && delivery.pause.count() > 0 && stopWithin(delivery.pause))
            return false;
        if (!writeAll(delivery.chunks[i]))
            return false;
    }
    return true;
}

bool ModuleRunner::writeAll(std::span<const std::uint8_t> bytes)
{
    std::string failure;
    const os::WriteResult result = m_line.writeAll(bytes, m_stop, failure);
    if (!failure.empty())
        m_config.log.note(failure);
    return result == os::WriteResult::Written;
}

bool ModuleRunner::stopWithin(std::chrono::milliseconds time) const
{
    return m_stop.waitFor(time);
}

bool ModuleRunner::saveState()
{
    if (m_config.stateFile.empty())
        return true;
    const ModuleSettings settings = committedSettings();
    std::string error;
    if (saveStateFile(m_config.stateFile, settings, error))
        return true;
    m_config.log.note("cannot save the state: " + error);
    std::fprintf(stderr, "quarlink-sim: cannot save the state: %s\n", error.c_str());
    return false;
}

ModuleSettings ModuleRunner::committedSettings() const
{
    const std::lock_guard lock(m_mutex);
    return m_protocol.store().committed();
}

ModuleSettings ModuleRunner::pendingSettings() const
{
    const std::lock_guard lock(m_mutex);
    return m_protocol.store().pending();
}

void ModuleRunner::replaceSettings(const ModuleSettings& settings)
{
    const std::lock_guard lock(m_mutex);
    m_protocol.store().replace(settings);
}

std::vector<CommandRecord> ModuleRunner::receivedCommands() const
{
    const std::lock_guard lock(m_mutex);
    return m_commands;
}

} // namespace quarlink::sim
