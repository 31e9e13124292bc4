// The firmware sender over the serial link and TCP: the stream's bytes, the progress reports,
// cancellation between pieces, the finish once the line has drained and after a late cancel,
// and the failures it reports.
#include "common/LoopbackListener.h"
#include "firmware/FirmwareSender.h"
#include "firmware/TransferOwner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace quarlink::firmware {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::LoopbackListener;

Bytes pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 256);
    return bytes;
}

Bytes concat(std::initializer_list<std::span<const std::uint8_t>> parts)
{
    Bytes out;
    for (auto part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

const Bytes kGoFrame{0x1B, 0x7E, 0x47};

class Sender : public ::testing::Test, public TransferOwner
{
protected:
    static SenderTiming fast()
    {
        SenderTiming timing;
        timing.goPause = std::chrono::milliseconds(0);
        timing.blockPause = std::chrono::milliseconds(0);
        return timing;
    }

    void transferProgress(int percent) override
    {
        percents.push_back(percent);
        if (onProgress)
            onProgress();
    }
    void transferFinished() override
    {
        ++finished;
        takenAtFinish = taken;
    }
    void transferFailed(TransferFailure f) override { failure = f; }

    TransferJob job(const Bytes& image)
    {
        TransferJob j;
        j.image = image;
        j.checksum = imageChecksum(image);
        j.serial.write = [this](std::span<const std::uint8_t> bytes, const os::StopSignal&) {
            if (writesLeft-- == 0)
                return os::WriteResult::Failed;
            line.insert(line.end(), bytes.begin(), bytes.end());
            written += bytes.size();
            if (!slowFarEnd)
                taken = written.load();
            return os::WriteResult::Written;
        };
        // The bytes leave the line as the far end takes them.
        j.serial.drain = [this](const os::StopSignal& stop) {
            while (taken < written) {
                if (stop.waitFor(std::chrono::milliseconds(1)))
                    return os::WriteResult::Stopped;
            }
            return os::WriteResult::Written;
        };
        return j;
    }

    // Runs the owner's loop until the sender has reported its end, or stopped after a cancel.
    void runToEnd(bool expectEnd = true)
    {
        QElapsedTimer clock;
        clock.start();
        while (!finished && !failure && clock.elapsed() < (expectEnd ? 10000 : 200))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        sender.cancel(); // joins, so the line is settled
    }

    // Plays a far end that takes the line's bytes while `farEndReads`, 256 a millisecond.
    void startSlowFarEnd()
    {
        slowFarEnd = true;
        farEnd = std::jthread([this](std::stop_token quit) {
            while (!quit.stop_requested()) {
                if (farEndReads)
                    taken = std::min(written.load(), taken.load() + 256);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }

    std::vector<int> percents;
    int finished = 0;
    std::optional<TransferFailure> failure;
    std::function<void()> onProgress;
    Bytes line;
    int writesLeft = 1 << 30;
    bool slowFarEnd = false;
    std::atomic<bool> farEndReads = true;
    std::atomic<std::size_t> written = 0; // bytes the line has taken
    std::atomic<std::size_t> taken = 0;   // bytes the far end has taken from the line
    std::size_t takenAtFinish = 0;
    std::jthread farEnd;
    FirmwareSender sender{[](std::function<void()> work) {
                              QMetaObject::invokeMethod(QCoreApplication::instance(),
                                                        std::move(work), Qt::QueuedConnection);
                          },
                          *this, fast()};
};

TEST_F(Sender, SerialStreamAndReports)
{
    struct Case
    {
        std::size_t size;
        std::vector<int> percents;
    };
    for (const Case& c :
         {Case{0, {}}, Case{3, {100}}, Case{2049, {99, 100}}, Case{4096, {50, 100}}}) {
        const Bytes image = pattern(c.size);
        line.clear();
        percents.clear();
        finished = false;
        sender.start(job(image));
        runToEnd();
        const auto header = headerFrame(static_cast<std::uint32_t>(c.size), imageChecksum(image));
        EXPECT_EQ(line, concat({kGoFrame, header, image})) << c.size;
        EXPECT_EQ(percents, c.percents) << c.size;
        EXPECT_TRUE(finished) << c.size;
    }
}

TEST_F(Sender, CancelBetweenBlocksStopsTheStream)
{
    const Bytes image = pattern(3 * kBlockSize);
    onProgress = [this] { sender.cancel(); };
    sender.start(job(image));
    runToEnd(false);
    const auto header = headerFrame(static_cast<std::uint32_t>(image.size()), imageChecksum(image));
    EXPECT_EQ(line, concat({kGoFrame, header, std::span(image).first(kBlockSize)}));
    EXPECT_EQ(percents, std::vector<int>{33});
    EXPECT_FALSE(finished);
    EXPECT_FALSE(failure);
}

TEST_F(Sender, TheFinishWaitsUntilTheLastByteHasLeftTheLine)
{
    startSlowFarEnd();
    const Bytes image = pattern(8 * kBlockSize);
    sender.start(job(image));
    runToEnd();
    ASSERT_EQ(finished, 1);
    EXPECT_EQ(takenAtFinish, kGoFrame.size() + header::Size + image.size());
}

TEST_F(Sender, ACancelAfterTheLastWriteStillFinishesOnce)
{
    // The far end takes the stream (the finish is on its way to the owner when the cancel comes),
    // or stops taking it (the sender still waits for the last bytes to leave).
    for (const bool farEndStalls : {false, true}) {
        SCOPED_TRACE(farEndStalls ? "stalled" : "reading");
        startSlowFarEnd();
        farEndReads = !farEndStalls;
        finished = 0;
        written = 0;
        taken = 0;
        const Bytes image = pattern(2 * kBlockSize);
        sender.start(job(image));
        QElapsedTimer clock;
        clock.start();
        while (written < kGoFrame.size() + header::Size + image.size() && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        clock.restart();
        sender.cancel();
        EXPECT_LT(clock.elapsed(), 500);
        EXPECT_EQ(finished, 1);
        clock.restart();
        while (clock.elapsed() < 50)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_EQ(finished, 1);
    }
}

TEST_F(Sender, SerialWriteFailureIsReported)
{
    writesLeft = 3; // 'G', header, first block
    const Bytes image = pattern(3 * kBlockSize);
    sender.start(job(image));
    runToEnd();
    EXPECT_EQ(failure, TransferFailure::SerialWrite);
    EXPECT_FALSE(finished);
    EXPECT_EQ(percents, std::vector<int>{33});
}

TEST_F(Sender, TcpStreamHasNothingBeforeTheHeader)
{
    LoopbackListener module;
    const Bytes image = pattern(kBlockSize + 1);
    TransferJob j = job(image);
    j.tcp = TcpTarget{LoopbackListener::kAddress, module.port()};
    sender.start(j);
    QElapsedTimer clock;
    clock.start();
    while (!finished && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_TRUE(finished);
    // The connection outlives the stream: the owner ends it when its dialog closes.
    clock.restart();
    while (!module.connectionEnded() && clock.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_FALSE(module.connectionEnded());
    sender.cancel();
    EXPECT_EQ(percents, (std::vector<int>{99, 100}));
    const auto header = headerFrame(static_cast<std::uint32_t>(image.size()), imageChecksum(image));
    EXPECT_EQ(module.received(), concat({header, image}));
    EXPECT_TRUE(line.empty()); // nothing on the serial link
}

TEST_F(Sender, TcpFailures)
{
    struct Case
    {
        LoopbackListener::Peer peer;
        TransferFailure failure;
    };
    for (const Case& c : {Case{LoopbackListener::Peer::NeverListens, TransferFailure::Connect},
                          Case{LoopbackListener::Peer::ResetsAfterHeader, TransferFailure::Send}}) {
        LoopbackListener module(c.peer);
        const Bytes image = pattern(64 * kBlockSize);
        TransferJob j = job(image);
        j.tcp = TcpTarget{LoopbackListener::kAddress, module.port()};
        failure.reset();
        finished = false;
        SenderTiming paced = fast();
        paced.blockPause = std::chrono::milliseconds(5); // lets the reset arrive
        FirmwareSender tcp(
            [](std::function<void()> work) {
                QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work),
                                          Qt::QueuedConnection);
            },
            *this, paced);
        tcp.start(j);
        QElapsedTimer clock;
        clock.start();
        while (!finished && !failure && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_EQ(failure, c.failure);
        EXPECT_FALSE(finished);
        EXPECT_EQ(failureText(TransferFailure::Connect), "Fail to connect to server");
    }
}

} // namespace
} // namespace quarlink::firmware
