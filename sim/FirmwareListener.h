// The module's TCP listener for firmware streams: it accepts one connection at a time at the
// module's address and port and reads the stream from it. The verdict goes out on the serial
// line, so a stream that has ended comes back as a 'Y' frame for the protocol to answer.
#pragma once

#include "os/TcpListener.h"
#include "sim/CommandAssembler.h"
#include "sim/FirmwareReceiver.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quarlink::sim {

class FirmwareListener
{
public:
    // Listens at `address` (dotted IPv4) and `port` (0: one the system picks). Nothing on
    // failure, with the reason in `error`.
    static std::unique_ptr<FirmwareListener> open(const std::string& address, std::uint16_t port,
                                                  std::string& error);
    ~FirmwareListener();
    FirmwareListener(const FirmwareListener&) = delete;
    FirmwareListener& operator=(const FirmwareListener&) = delete;

    const std::string& address() const { return m_address; }
    std::uint16_t port() const { return m_listen->port(); }

    const os::TcpListener& listener() const { return *m_listen; }
    // The open connection; null when there is none.
    const os::TcpConnection* connection() const { return m_connection ? &*m_connection : nullptr; }

    // The listening socket is readable: takes the new connection. A stream still coming on an
    // earlier connection has broken off and is returned.
    std::optional<ReceivedFrame> accept();
    // The connection is readable: reads it. Returns the stream once it has ended (whole, with
    // a refused header, or cut short by the peer closing).
    std::optional<ReceivedFrame> read();

private:
    FirmwareListener(std::unique_ptr<os::TcpListener> listen, std::string address)
        : m_listen(std::move(listen)), m_address(std::move(address))
    {
    }
    // Closes the connection; a stream still coming is returned as cut short.
    std::optional<ReceivedFrame> dropConnection();

    std::unique_ptr<os::TcpListener> m_listen;
    std::optional<os::TcpConnection> m_connection;
    std::string m_address;
    FirmwareReceiver m_receiver;
    bool m_streamOpen = false; // bytes of a stream arrived and it has not ended yet
};

} // namespace quarlink::sim
