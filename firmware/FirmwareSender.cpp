#include "firmware/FirmwareSender.h"

#include "firmware/StreamTrace.h"
#include "firmware/TransferOwner.h"
#include "os/TcpClient.h"
#include "serial/CommandFrames.h"
#include "serial/FrameTrace.h"
#include "serial/SettingsItems.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace quarlink::firmware {

namespace detail {

// State shared by the sender thread and the closures it posts to the owner.
struct SenderShared
{
    std::mutex mutex;
    std::condition_variable handled;
    bool cancelled = false;     // set by cancel(): posted reports are dropped
    std::uint64_t posted = 0;   // reports posted so far
    std::uint64_t finished = 0; // highest report the owner has handled
    // Set once the last byte is written; taken by whichever delivers the finish first, the
    // posted report or cancel(), so that the owner hears of it exactly once.
    bool finishOwed = false;
    os::StopSignal stop;
    // Stays open after the last byte until the owner cancels, which it does when the transfer
    // dialog closes: the module sees the connection end only then.
    os::TcpClient connection;

    void oweFinish()
    {
        const std::lock_guard lock(mutex);
        finishOwed = true;
    }
    bool takeFinish()
    {
        const std::lock_guard lock(mutex);
        return std::exchange(finishOwed, false);
    }
};

} // namespace detail

SerialLine serialLineOf(const os::SerialDevice& port)
{
    return {[&port](std::span<const std::uint8_t> bytes, const os::StopSignal& stop) {
                return port.write(bytes, &stop);
            },
            [&port](const os::StopSignal& stop) { return port.drain(&stop); }};
}

namespace {

using Report = std::function<void(TransferOwner&)>;
using os::WriteResult;

// One transfer, run on the sender thread.
class SenderRun
{
public:
    SenderRun(std::shared_ptr<detail::SenderShared> shared, serial::PostToOwner post,
              TransferOwner* owner, SenderTiming timing, TransferJob job)
        : m_shared(std::move(shared)), m_post(std::move(post)), m_owner(owner), m_timing(timing),
          m_job(std::move(job))
    {
    }

    void run()
    {
        if (m_job.tcp)
            sendOverTcp(*m_job.tcp);
        else
            sendOverSerial();
    }

private:
    bool stopped() const { return m_shared->stop.requested(); }

    void traceHeader(trace::Link link, std::span<const std::uint8_t> header) const
    {
        if (m_job.trace)
            m_job.trace->record(headerEntry(link, header));
    }

    void traceBlock(trace::Link link, const std::vector<ImagePiece>& pieces, std::size_t i) const
    {
        if (m_job.trace)
            m_job.trace->record(blockEntry(
                link, m_job.image.subspan(pieces[i].offset, pieces[i].size), i + 1, pieces.size()));
    }

    void sendOverSerial()
    {
        const os::StopSignal& stop = m_shared->stop;
        // True when every byte went; a failure is reported, a stop (Cancel) is not.
        const auto went = [this](WriteResult result) {
            if (result == WriteResult::Failed)
                fail(TransferFailure::SerialWrite);
            return result == WriteResult::Written;
        };
        const auto write = [&](std::span<const std::uint8_t> bytes) {
            return went(m_job.serial.write ? m_job.serial.write(bytes, stop) : WriteResult::Failed);
        };
        const auto go = serial::commandFrame(serial::kGoLetter);
        if (m_job.trace)
            m_job.trace->record(serial::commandEntry(go));
        if (!write(go))
            return;
        if (m_shared->stop.waitFor(m_timing.goPause))
            return;
        if (!sendStream(trace::Link::Serial, write, [this] { return stopped(); }))
            return;
        // The wait for the verdict starts once the bytes have left the port, not when the driver
        // has queued them, which at a low baud rate is many seconds earlier.
        // A queue that does not empty in its time (a driver that miscounts, a stalled line) ends
        // the wait all the same: the driver has taken every byte, and a module that did not get
        // them is told by the verdict's time-out. A stop leaves the finish to cancel().
        const WriteResult drained =
            m_job.serial.drain ? m_job.serial.drain(stop) : WriteResult::Written;
        if (drained != WriteResult::Stopped)
            finish();
    }

    void sendOverTcp(const TcpTarget& target)
    {
        os::TcpClient& client = m_shared->connection;
        switch (
            client.connect(target.address, target.port, m_timing.connectLimit, m_shared->stop)) {
        case os::ConnectResult::Connected:
            break;
        case os::ConnectResult::SocketFailed:
            return fail(TransferFailure::CreateSocket);
        case os::ConnectResult::Failed:
            return fail(TransferFailure::Connect);
        case os::ConnectResult::Stopped:
            return;
        }
        const auto sendOrFail = [&](std::span<const std::uint8_t> bytes) {
            if (client.sendAll(bytes, m_shared->stop, m_timing.sendStallLimit))
                return true;
            if (!stopped())
                fail(TransferFailure::Send);
            return false;
        };
        if (sendStream(trace::Link::Tcp, sendOrFail,
                       [this] { return m_shared->stop.waitFor(m_timing.blockPause); }))
            finish();
    }

    // Sends the header frame, then the image piece by piece, each once `stopBeforePiece` has
    // returned false, with a progress report after each. True when all went and was shown.
    // Once the last byte has gone the finish is owed: a stop after that still delivers it.
    template <class Send, class StopBeforePiece>
    bool sendStream(trace::Link link, const Send& send, const StopBeforePiece& stopBeforePiece)
    {
        const std::size_t length = m_job.image.size();
        const auto header = headerFrame(static_cast<std::uint32_t>(length), m_job.checksum);
        traceHeader(link, header);
        if (!send(header))
            return false;
        if (length == 0)
            m_shared->oweFinish();
        const auto pieces = imagePieces(length);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const ImagePiece& piece = pieces[i];
            if (stopBeforePiece())
                return false;
            traceBlock(link, pieces, i);
            if (!send(m_job.image.subspan(piece.offset, piece.size)))
                return false;
            if (piece.offset + piece.size == length)
                m_shared->oweFinish();
            if (!report(piece.percent))
                return false;
        }
        return true;
    }

    // Hands the progress to the owner and waits until it is shown; false once cancelled. A
    // value the owner already shows is not handed over again: the display would not change.
    bool report(int percent)
    {
        if (percent == m_shownPercent)
            return !stopped();
        m_shownPercent = percent;
        const std::uint64_t number =
            post([percent](TransferOwner& o) { o.transferProgress(percent); });
        std::unique_lock lock(m_shared->mutex);
        m_shared->handled.wait(lock,
                               [&] { return m_shared->finished >= number || m_shared->cancelled; });
        return !m_shared->cancelled;
    }

    // Hands over the finish that oweFinish() recorded, unless cancel() has delivered it.
    void finish()
    {
        post([shared = m_shared](TransferOwner& o) {
            if (shared->takeFinish())
                o.transferFinished();
        });
    }

    void fail(TransferFailure failure)
    {
        post([failure](TransferOwner& o) { o.transferFailed(failure); });
    }

    std::uint64_t post(Report report)
    {
        std::uint64_t number = 0;
        {
            const std::lock_guard lock(m_shared->mutex);
            number = ++m_shared->posted;
        }
        m_post([shared = m_shared, owner = m_owner, report = std::move(report), number] {
            {
                const std::lock_guard lock(shared->mutex);
                if (shared->cancelled)
                    return;
            }
            report(*owner);
            {
                const std::lock_guard lock(shared->mutex);
                shared->finished = std::max(shared->finished, number);
            }
            shared->handled.notify_all();
        });
        return number;
    }

    std::shared_ptr<detail::SenderShared> m_shared;
    serial::PostToOwner m_post;
    TransferOwner* m_owner;
    SenderTiming m_timing;
    TransferJob m_job;
    int m_shownPercent = -1;
};

} // namespace

std::string failureText(TransferFailure failure)
{
    switch (failure) {
    case TransferFailure::CreateSocket:
        return "Fail to create socket";
    case TransferFailure::Connect:
        return "Fail to connect to server";
    case TransferFailure::Send:
        return "Fail to send to server";
    case TransferFailure::SerialWrite:
        return "Fail to write to the serial port";
    }
    return {};
}

FirmwareSender::FirmwareSender(serial::PostToOwner postToOwner, TransferOwner& owner,
                               SenderTiming timing)
    : m_postToOwner(std::move(postToOwner)), m_owner(owner), m_timing(timing)
{
}

FirmwareSender::~FirmwareSender()
{
    cancel();
}

void FirmwareSender::start(const TransferJob& job)
{
    cancel();
    m_shared = std::make_shared<detail::SenderShared>();
    m_thread = std::thread([run = SenderRun(m_shared, m_postToOwner, &m_owner, m_timing,
                                            job)]() mutable { run.run(); });
}

void FirmwareSender::cancel()
{
    if (!m_shared)
        return;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->cancelled = true;
    }
    m_shared->handled.notify_all();
    m_shared->stop.request();
    if (m_thread.joinable())
        m_thread.join();
    m_shared->connection.close();
    // The last byte went before this cancel was handled: the finish still takes effect.
    if (m_shared->takeFinish())
        m_owner.transferFinished();
}

} // namespace quarlink::firmware
