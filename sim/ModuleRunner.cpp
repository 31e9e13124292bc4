// The simulated module's serving loop on its pseudo-terminal.
#include "sim/ModuleRunner.h"

#include "serial/ItemPayloads.h"
#include "serial/LineSettings.h"
#include "sim/StateFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::sim {

namespace {

// Pause before looking at a line again that has no program on its far end.
constexpr std::chrono::milliseconds kIdleLineRetry{100};
constexpr std::size_t kReadChunkSize = 2048;

int pollTimeout(std::chrono::milliseconds time)
{
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(time.count(), 1 << 30));
}

} // namespace

ModuleRunner::ModuleRunner(int lineFd, const ModuleSettings& initial, RunnerConfig config)
    : m_line(lineFd), m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_config(std::move(config)),
      m_protocol(initial)
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

ModuleRunner::~ModuleRunner()
{
    if (m_wake >= 0)
        ::close(m_wake);
}

void ModuleRunner::requestStop()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
}

int ModuleRunner::run()
{
    if (m_wake < 0)
        return 1;
    m_config.log.note("serving the line");
    std::array<std::uint8_t, kReadChunkSize> buffer{};
    int result = 0;
    for (;;) {
        std::array<pollfd, 4> fds{{{m_line, POLLIN, 0},
                                   {m_wake, POLLIN, 0},
                                   {m_firmware ? m_firmware->listenFd() : -1, POLLIN, 0},
                                   {m_firmware ? m_firmware->connectionFd() : -1, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), readTimeout());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            result = 1;
            break;
        }
        if (ready == 0) {
            std::vector<Reply> dropped;
            {
                const std::lock_guard lock(m_mutex);
                dropped = m_protocol.abandonPartialFrame();
            }
            handle(std::move(dropped));
            continue;
        }
        if (fds[1].revents != 0)
            break;
        if (fds[2].revents != 0 || fds[3].revents != 0) {
            serveFirmware(fds[2].revents, fds[3].revents);
            if (fds[0].revents == 0)
                continue;
        }
        if ((fds[0].revents & POLLNVAL) != 0) {
            result = 1;
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t count = ::read(m_line, buffer.data(), buffer.size());
            if (count > 0) {
                serve(std::span(buffer.data(), static_cast<std::size_t>(count)));
                continue;
            }
            if (count < 0 && (errno == EAGAIN || errno == EINTR))
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

void ModuleRunner::serveFirmware(short listenEvents, short connectionEvents)
{
    std::vector<ReceivedFrame> ended;
    if (connectionEvents != 0)
        if (auto frame = m_firmware->read())
            ended.push_back(std::move(*frame));
    if (listenEvents != 0)
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
    // The master of a pseudo-terminal reads the settings the program gave its device.
    termios line{};
    const auto speed = serial::speedForBaudRate(m_config.lineBaud);
    return !speed || ::tcgetattr(m_line, &line) != 0 || ::cfgetispeed(&line) == *speed;
}

int ModuleRunner::readTimeout() const
{
    const std::lock_guard lock(m_mutex);
    return m_protocol.holdsPartialFrame() ? pollTimeout(m_config.partialFrameTimeout) : -1;
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
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_line, bytes.data(), bytes.size());
        if (count > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN) {
            m_config.log.note(std::string("write failed: ") + std::strerror(errno));
            return false;
        }
        // The far end is not reading: wait until it does or a stop is requested.
        std::array<pollfd, 2> fds{{{m_line, POLLOUT, 0}, {m_wake, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents != 0)
            return false;
    }
    return true;
}

bool ModuleRunner::stopWithin(std::chrono::milliseconds time) const
{
    pollfd fd{m_wake, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&fd, 1, pollTimeout(time));
        if (ready >= 0)
            return ready > 0;
        if (errno != EINTR)
            return true;
    }
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
