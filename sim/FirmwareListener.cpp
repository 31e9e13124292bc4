#include "sim/FirmwareListener.h"

#include "serial/SettingsItems.h"

#include <array>

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
    auto listen = os::TcpListener::open(address, port, error);
    if (!listen)
        return nullptr;
    return std::unique_ptr<FirmwareListener>(new FirmwareListener(std::move(listen), address));
}

FirmwareListener::~FirmwareListener() = default;

std::optional<ReceivedFrame> FirmwareListener::accept()
{
    auto connection = m_listen->accept();
    if (!connection)
        return std::nullopt;
    auto broken = dropConnection();
    m_connection = std::move(connection);
    m_receiver = FirmwareReceiver();
    return broken;
}

std::optional<ReceivedFrame> FirmwareListener::read()
{
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        const os::TcpConnection::Read got = m_connection->read(buffer);
        if (got.size > 0) {
            if (m_receiver.ended())
                continue; // the stream is over: the rest is not firmware
            m_streamOpen = true;
            m_receiver.feed(std::span(buffer.data(), got.size));
            if (m_receiver.ended()) {
                m_streamOpen = false;
                return firmwareFrame(m_receiver);
            }
            continue;
        }
        if (!got.ended)
            return std::nullopt;
        return dropConnection(); // closed by the peer, or failed
    }
}

std::optional<ReceivedFrame> FirmwareListener::dropConnection()
{
    m_connection.reset();
    if (!m_streamOpen)
        return std::nullopt;
    m_streamOpen = false;
    return firmwareFrame(m_receiver);
}

} // namespace quarlink::sim
