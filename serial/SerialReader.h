// The reader thread of a serial port. It waits for bytes on the device, reads what the device
// holds and hands it synchronously to its owner thread as chunks of at most 2048 bytes: it
// posts the chunks and waits until the owner has handled them, or until stop() cancels the
// hand-over.
#pragma once

#include "os/SerialDevice.h"
#include "os/StopSignal.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <thread>

namespace quarlink::serial {

namespace detail {
struct ReaderShared;
} // namespace detail

// Runs a closure on the owner thread, later and asynchronously (for example a queued
// invocation in the owner's event loop). It must not run the closure on the calling thread.
using PostToOwner = std::function<void(std::function<void()>)>;

// What the reader reports, both always on the owner thread.
struct ReaderCallbacks
{
    // A chunk of 1 to kChunkSize received bytes, valid during the call only.
    std::function<void(std::span<const std::uint8_t> chunk)> onChunk;
    // The device has gone (far end closed, adapter unplugged, read error): the reader has
    // ended. Reported once, and never after stop().
    std::function<void()> onHangUp;
};

class SerialReader
{
public:
    static constexpr std::size_t kChunkSize = 2048;
    // Chunks already waiting in the device go over in one hand-over, which saves the owner
    // and the reader a wake-up each per chunk on a fast link.
    static constexpr std::size_t kChunksPerHandOver = 16;

    SerialReader(PostToOwner postToOwner, ReaderCallbacks callbacks);
    ~SerialReader(); // stops
    SerialReader(const SerialReader&) = delete;
    SerialReader& operator=(const SerialReader&) = delete;

    // Starts reading `device`, which must stay open until stop() has returned. Returns 0, or the
    // system's error code of the failure (then nothing runs). A running reader is stopped first.
    int start(const os::SerialDevice& device);

    // Cancels a pending hand-over (its chunks are dropped), wakes the thread and joins it.
    // Called on the owner thread; returns promptly whatever the owner has not yet handled.
    // Closures already posted do nothing when they run afterwards.
    void stop();

    // True between start() and stop(), even after the device has gone.
    bool isStarted() const { return m_thread.joinable(); }
    // True once the thread has left its loop (hang-up or stop).
    bool hasEnded() const;

private:
    PostToOwner m_postToOwner;
    ReaderCallbacks m_callbacks;
    std::shared_ptr<detail::ReaderShared> m_shared; // state of the running thread
    std::unique_ptr<os::StopSignal> m_wake;         // ends the running thread's wait
    std::thread m_thread;
};

} // namespace quarlink::serial
