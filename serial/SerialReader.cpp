// Reader thread: wait for bytes, read what is waiting, hand it over in chunks and wait; ends on
// stop() or when the device goes away.
#include "serial/SerialReader.h"

#include "os/SystemError.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

namespace quarlink::serial {

// What the reader thread, the owner thread and closures still queued for the owner share.
// Closures hold it too, so it outlives a stopped reader for as long as one is queued.
struct detail::ReaderShared
{
    PostToOwner post;
    ReaderCallbacks callbacks;

    std::mutex mutex;
    std::condition_variable handOverDone;
    bool cancelled = false; // set by stop(); closures then do nothing
    bool handled = false;   // the owner has handled every chunk in `buffer`
    bool ended = false;     // the thread has left its loop

    // The bytes of one hand-over; the owner receives them in chunks of kChunkSize.
    std::array<std::uint8_t, SerialReader::kChunkSize * SerialReader::kChunksPerHandOver> buffer{};
};

namespace {

using Shared = detail::ReaderShared;

bool isCancelled(Shared& shared)
{
    std::lock_guard lock(shared.mutex);
    return shared.cancelled;
}

// Runs on the owner thread: the chunks, in order, until all are handled or the owner stops
// the reader from within one of them.
void handChunksToOwner(Shared& shared, std::size_t size)
{
    for (std::size_t offset = 0; offset < size; offset += SerialReader::kChunkSize) {
        if (isCancelled(shared))
            return;
        if (shared.callbacks.onChunk)
            shared.callbacks.onChunk(
                std::span(shared.buffer)
                    .subspan(offset, std::min(SerialReader::kChunkSize, size - offset)));
    }
    {
        std::lock_guard lock(shared.mutex);
        shared.handled = true;
    }
    shared.handOverDone.notify_all();
}

// Posts the first `size` bytes of the buffer to the owner and waits until they are handled.
// Returns false when the hand-over was cancelled.
bool handOver(const std::shared_ptr<Shared>& shared, std::size_t size)
{
    {
        std::lock_guard lock(shared->mutex);
        if (shared->cancelled)
            return false;
        shared->handled = false;
    }
    shared->post([shared, size] { handChunksToOwner(*shared, size); });
    std::unique_lock lock(shared->mutex);
    shared->handOverDone.wait(lock, [&] { return shared->handled || shared->cancelled; });
    return !shared->cancelled;
}

void postHangUp(const std::shared_ptr<Shared>& shared)
{
    shared->post([shared] {
        if (!isCancelled(*shared) && shared->callbacks.onHangUp)
            shared->callbacks.onHangUp();
    });
}

struct Drained
{
    std::size_t size = 0; // bytes now in the buffer
    bool deviceGone = false;
};

// Reads what the device holds, as much as fits in the buffer, without waiting for more.
Drained drainDevice(const os::SerialDevice& device, Shared& shared)
{
    Drained drained;
    while (drained.size < shared.buffer.size()) {
        const os::InputRead read =
            device.readAvailable(std::span(shared.buffer).subspan(drained.size));
        drained.size += read.size;
        if (read.size == 0) {
            drained.deviceGone = read.gone;
            break;
        }
    }
    return drained;
}

enum class LoopEnd
{
    Stopped,
    HungUp,
};

LoopEnd readUntilStopped(const os::SerialDevice& device, const os::StopSignal& wake,
                         const std::shared_ptr<Shared>& shared)
{
    for (;;) {
        const os::InputWait wait = device.waitForInput(wake);
        if (wait == os::InputWait::Stopped)
            return LoopEnd::Stopped;
        if (wait == os::InputWait::Gone)
            return LoopEnd::HungUp;
        // Bytes that arrived before a hang-up are still handed over.
        const Drained drained = drainDevice(device, *shared);
        if (drained.size > 0 && !handOver(shared, drained.size))
            return LoopEnd::Stopped;
        if (drained.deviceGone || (drained.size == 0 && wait == os::InputWait::HangUp))
            return LoopEnd::HungUp;
    }
}

void runReader(const os::SerialDevice* device, const os::StopSignal* wake,
               std::shared_ptr<Shared> shared)
{
    const LoopEnd end = readUntilStopped(*device, *wake, shared);
    {
        std::lock_guard lock(shared->mutex);
        shared->ended = true;
    }
    if (end == LoopEnd::HungUp)
        postHangUp(shared);
}

} // namespace

SerialReader::SerialReader(PostToOwner postToOwner, ReaderCallbacks callbacks)
    : m_postToOwner(std::move(postToOwner)), m_callbacks(std::move(callbacks))
{
}

SerialReader::~SerialReader()
{
    stop();
}

int SerialReader::start(const os::SerialDevice& device)
{
    stop();
    auto wake = std::make_unique<os::StopSignal>();
    if (!wake->isValid())
        return os::lastSystemError();
    auto shared = std::make_shared<Shared>();
    shared->post = m_postToOwner;
    shared->callbacks = m_callbacks;
    try {
        m_thread = std::thread(runReader, &device, wake.get(), shared);
    } catch (const std::system_error& failure) {
        return failure.code().value();
    }
    m_shared = std::move(shared);
    m_wake = std::move(wake);
    return 0;
}

void SerialReader::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->cancelled = true;
    }
    m_shared->handOverDone.notify_all();
    m_wake->request();
    m_thread.join();
    m_wake.reset();
    m_shared.reset();
}

bool SerialReader::hasEnded() const
{
    if (!m_shared)
        return true;
    std::lock_guard lock(m_shared->mutex);
    return m_shared->ended;
}

} // namespace quarlink::serial
