#include "sim/FirmwareListener.h"

#include "serial/SettingsItems.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlink::sim {

namespace {

ReceivedFrame firmwareFrame(const FirmwareReceiver& receiver)
{
    ReceivedFrame frame;
    const auto header = receiver.headerBytes();
    frame.raw.assign(header.begin(), header.end());
    frame.letter = serial::kFirmwareLetter;
    frame.firmware = receiver.receipt();
    if (receiver.state() == FirmwareReceiver::State::BadHeader)
        frame.flaw = ReceivedFrame::Flaw::BadFirmwareHeader;
    else if (!receiver.ended())
        frame.flaw = ReceivedFrame::Flaw::FirmwareCutShort;
    return frame;
}

} // namespace

std::unique_ptr<FirmwareListener> FirmwareListener::open(const std::string& address,
                                                         std::uint16_t port, std::string& error)
{
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "'" + address + "' is no IPv4 address";
        return nullptr;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t size = sizeof local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), size) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        error = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FirmwareListener>(
        new FirmwareListener(fd, address, ntohs(local.sin_port)));
}

FirmwareListener::~FirmwareListener()
{
    if (m_connection >= 0)
        ::close(m_connection);
    ::close(m_listen);
}

std::optional<ReceivedFrame> FirmwareListener::accept()
{
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    auto broken = dropConnection();
    m_connection = fd;
    m_receiver = FirmwareReceiver();
    return broken;
}

std::optional<ReceivedFrame> FirmwareListener::read()
{
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        const ssize_t count = ::read(m_connection, buffer.data(), buffer.size());
        if (count > 0) {
            if (m_receiver.ended())
                continue; // the stream is over: the rest is not firmware
            m_streamOpen = true;
            m_receiver.feed(std::span(buffer.data(), static_cast<std::size_t>(count)));
            if (m_receiver.ended()) {
                m_streamOpen = false;
                return firmwareFrame(m_receiver);
            }
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return std::nullopt;
        return dropConnection(); // closed by the peer, or failed
    }
}

std::optional<ReceivedFrame> FirmwareListener::dropConnection()
{
    if (m_connection >= 0)
        ::close(m_connection);
    m_connection = -1;
    if (!m_streamOpen)
        return std::nullopt;
    m_streamOpen = false;
    return firmwareFrame(m_receiver);
}

} // namespace quarlink::sim
