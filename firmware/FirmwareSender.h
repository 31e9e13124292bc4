// The firmware sender: one thread that writes the image stream over the serial link or a TCP
// connection. Over the serial link ESC '~' 'G' and a pause come first, then the header frame
// and the blocks without pause; over TCP the sender connects first, then sends the header
// frame and waits before each block. Each progress report is handled by the owner before the
// next piece goes out, and a stop request is honoured before every piece and inside every
// wait: a serial write on a stalled line, and the wait for the last bytes to leave the port.
// Once the last byte is written the finish is owed: a cancel that follows still delivers it.
#pragma once

#include "firmware/ImageStream.h"
#include "os/SerialDevice.h"
#include "os/StopSignal.h"
#include "serial/SerialReader.h"
#include "trace/TraceSink.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <thread>

namespace quarlink::firmware {

class TransferOwner;

struct SenderTiming
{
    std::chrono::milliseconds goPause{500};    // serial: after ESC '~' 'G'
    std::chrono::milliseconds blockPause{300}; // TCP: before every block
    std::chrono::milliseconds connectLimit{5000};
    std::chrono::milliseconds sendStallLimit{10000}; // TCP: a peer taking no bytes this long
};

// The serial line as the sender uses it, on the sender thread: a write of all the bytes, and
// the wait until what was written has left the port. Both give up once `stop` is requested.
struct SerialLine
{
    std::function<os::WriteResult(std::span<const std::uint8_t>, const os::StopSignal& stop)> write;
    std::function<os::WriteResult(const os::StopSignal& stop)> drain;
};

// The line of an open port; the port must stay open until the sender has ended.
SerialLine serialLineOf(const os::SerialDevice& port);

struct TcpTarget
{
    std::uint32_t address = 0; // first octet in the most significant byte
    std::uint16_t port = 0;
};

// What to send, and where. The image must stay unchanged until the sender has ended.
struct TransferJob
{
    std::span<const std::uint8_t> image;
    Checksum checksum{};
    std::optional<TcpTarget> tcp; // set: over TCP, else over the serial link
    SerialLine serial;
    // Where the header and every block are reported as they go out; null: no trace. It must
    // take reports from the sender's thread.
    trace::TraceSink* trace = nullptr;
};

namespace detail {
struct SenderShared;
} // namespace detail

class FirmwareSender
{
public:
    // Reports reach `owner` through `postToOwner`, on the owner's thread.
    FirmwareSender(serial::PostToOwner postToOwner, TransferOwner& owner, SenderTiming timing = {});
    ~FirmwareSender(); // cancels
    FirmwareSender(const FirmwareSender&) = delete;
    FirmwareSender& operator=(const FirmwareSender&) = delete;

    // Starts the sender thread. A sender already running is cancelled first.
    void start(const TransferJob& job);
    // Owner thread: stops the sender (a serial write or drain under way gives up at once, a TCP
    // send between partial sends), drops its pending reports, joins it and closes its TCP
    // connection, which a finished sender leaves open. Nothing is reported afterwards, except
    // transferFinished() when the last byte was written and the finish had not yet been
    // handled: that is delivered here, before cancel() returns.
    void cancel();
    bool isRunning() const { return m_thread.joinable(); }

private:
    serial::PostToOwner m_postToOwner;
    TransferOwner& m_owner;
    SenderTiming m_timing;
    std::shared_ptr<detail::SenderShared> m_shared;
    std::thread m_thread;
};

} // namespace quarlink::firmware
