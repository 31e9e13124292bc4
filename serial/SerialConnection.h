// The serial connection of the form: the port and its reader thread, opened and closed as
// one. Received chunks and a hang-up reach the owner through the callbacks, on its thread.
#pragma once

#include "os/SerialDevice.h"
#include "serial/LineSettings.h"
#include "serial/SerialReader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quarlink::serial {

class SerialConnection
{
public:
    // `postToOwner` and `callbacks` serve every open of this connection.
    SerialConnection(PostToOwner postToOwner, ReaderCallbacks callbacks);
    ~SerialConnection(); // closes
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    // Opens the port and starts the reader. An open connection is closed first. On failure
    // nothing stays open and the result tells the step and the system's reason.
    os::OpenResult open(std::string_view portName, const LineSettings& settings);

    // Purges both queues, stops the reader (a pending hand-over is dropped) and closes the
    // port. Harmless when closed. Owner thread only.
    void close();

    // True from a successful open until close(), also after a hang-up until the owner closes.
    bool isOpen() const { return m_port.isOpen(); }

    // See os::SerialDevice::write: any thread, never at the same time as open() or close().
    bool write(std::span<const std::uint8_t> bytes) const { return m_port.write(bytes); }

    os::SerialDevice& port() { return m_port; }
    const os::SerialDevice& port() const { return m_port; }
    const SerialReader& reader() const { return m_reader; }

private:
    os::SerialDevice m_port;
    SerialReader m_reader;
};

} // namespace quarlink::serial
