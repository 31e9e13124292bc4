// Reader thread: poll, read what is waiting, hand it over in chunks and wait; ends on stop() or
// when the device goes away.
#include "serial/SerialReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

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

// Reads what the device holds, as much as fits in the buffer, without blocking. The end of
// the device shows as a read of 0 bytes or an error other than "nothing waiting".
Drained drainDevice(int fd, Shared& shared)
{
    Drained drained;
    while (drained.size < shared.buffer.size()) {
        const ssize_t n =
            ::read(fd, shared.buffer.data() + drained.size, shared.buffer.size() - drained.size);
        if (n > 0) {
            drained.size += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        drained.deviceGone = !(n < 0 && errno == EAGAIN);
        break;
    }
    return drained;
}

enum class LoopEnd
{
    Stopped,
    HungUp,
};

LoopEnd readUntilStopped(int fd, int wakeFd, const std::shared_ptr<Shared>& shared)
{
    constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;
    std::array<pollfd, 2> fds{{{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}}};
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return LoopEnd::HungUp;
        }
        if (fds[1].revents != 0)
            return LoopEnd::Stopped;
        const short events = fds[0].revents;
        if (events == 0)
            continue;
        if ((events & POLLNVAL) != 0)
            return LoopEnd::HungUp;
        // Bytes that arrived before a hang-up are still handed over.
        const Drained drained = drainDevice(fd, *shared);
        if (drained.size > 0 && !handOver(shared, drained.size))
            return LoopEnd::Stopped;
        if (drained.deviceGone || (drained.size == 0 && (events & kGone) != 0))
            return LoopEnd::HungUp;
    }
}

void runReader(int fd, int wakeFd, std::shared_ptr<Shared> shared)
{
    const LoopEnd end = readUntilStopped(fd, wakeFd, shared);
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

int SerialReader::start(int fd)
{
    stop();
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0)
        return errno;
    auto shared = std::make_shared<Shared>();
    shared->post = m_postToOwner;
    shared->callbacks = m_callbacks;
    try {
        m_thread = std::thread(runReader, fd, wakeFd, shared);
    } catch (const std::system_error& failure) {
        ::close(wakeFd);
        return failure.code().value();
    }
    m_shared = std::move(shared);
    m_wakeFd = wakeFd;
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
    const std::uint64_t wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &wake, sizeof wake);
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
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
