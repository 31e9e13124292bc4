// Benchmark: a 512 KiB firmware image through the serial sender (its thread, a progress
// hand-over to a Qt event loop whenever the percentage changes, the port's timed writes) to a
// pseudo-terminal, against a bare write() loop of the same bytes in the same blocks to the
// same kind of pseudo-terminal. The far end drains the master in both. Prints best and median
// of interleaved runs and their ratio.
#include "bench/RunTimes.h"
#include "firmware/FirmwareSender.h"
#include "firmware/TransferOwner.h"
#include "os/SerialDevice.h"
#include "serial/CommandFrames.h"
#include "serial/LineSettings.h"
#include "serial/SettingsItems.h"
#include "tests/serial/PtyPair.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace quarlink;
using serial::testing::PtyPair;
using Clock = std::chrono::steady_clock;
using bench::Seconds;

constexpr int kRuns = 11;
constexpr serial::LineSettings kLine{115200, serial::kParityNone, 8, 1};

// Reads the master until `size` bytes have come; returns the count read.
std::size_t drain(const PtyPair& pty, std::size_t size)
{
    return pty.readFromMaster(size, std::chrono::seconds(10)).size();
}

// The bytes on the line: ESC '~' 'G', the header frame, the image.
std::size_t streamSize(const std::vector<std::uint8_t>& image)
{
    return 3 + firmware::header::Size + image.size();
}

std::optional<Seconds> bareWrites(const std::vector<std::uint8_t>& image)
{
    PtyPair pty;
    if (!pty.ok())
        return std::nullopt;
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const auto go = serial::commandFrame(serial::kGoLetter);
    const auto header = firmware::headerFrame(static_cast<std::uint32_t>(image.size()),
                                              firmware::imageChecksum(image));
    const auto start = Clock::now();
    std::size_t received = 0;
    std::thread farEnd([&] { received = drain(pty, streamSize(image)); });
    const auto writeAll = [fd](const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    };
    bool ok = writeAll(go.data(), go.size()) && writeAll(header.data(), header.size());
    for (std::size_t offset = 0; ok && offset < image.size(); offset += firmware::kBlockSize)
        ok = writeAll(image.data() + offset, std::min(firmware::kBlockSize, image.size() - offset));
    farEnd.join();
    const auto elapsed = Clock::now() - start;
    ::close(fd);
    if (!ok || received != streamSize(image))
        return std::nullopt;
    return elapsed;
}

class Owner : public firmware::TransferOwner
{
public:
    explicit Owner(QEventLoop& loop) : m_loop(loop) {}
    void transferProgress(int percent) override { lastPercent = percent; }
    void transferFinished() override
    {
        finished = true;
        m_loop.quit();
    }
    void transferFailed(firmware::TransferFailure) override { m_loop.quit(); }

    int lastPercent = -1;
    bool finished = false;

private:
    QEventLoop& m_loop;
};

std::optional<Seconds> throughSender(const std::vector<std::uint8_t>& image)
{
    PtyPair pty;
    os::SerialDevice port;
    if (!pty.ok() || !port.open(pty.slavePath(), kLine).ok())
        return std::nullopt;
    QEventLoop loop;
    Owner owner(loop);
    firmware::SenderTiming timing;
    timing.goPause = std::chrono::milliseconds(0); // the pause is the module's, not ours
    firmware::FirmwareSender sender(
        [](std::function<void()> work) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work),
                                      Qt::QueuedConnection);
        },
        owner, timing);
    firmware::TransferJob job;
    job.image = image;
    job.checksum = firmware::imageChecksum(image);
    job.serial = firmware::serialLineOf(port);
    QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);

    const auto start = Clock::now();
    std::size_t received = 0;
    std::thread farEnd([&] { received = drain(pty, streamSize(image)); });
    sender.start(job);
    loop.exec();
    farEnd.join();
    const auto elapsed = Clock::now() - start;
    sender.cancel();
    if (!owner.finished || owner.lastPercent != 100 || received != streamSize(image))
        return std::nullopt;
    return elapsed;
}

using bench::Times;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto image = serial::testing::testPattern(firmware::kMaxImageSize);
    Times bare;
    Times sender;
    for (int run = 0; run < kRuns; ++run) {
        const auto reference = bareWrites(image);
        const auto ours = throughSender(image);
        if (!reference || !ours) {
            std::fprintf(stderr, "bench_firmware: a run did not deliver the whole stream\n");
            return 1;
        }
        bare.runs.push_back(*reference);
        sender.runs.push_back(*ours);
    }
    std::printf("firmware stream, 512 KiB to a pseudo-terminal, %d interleaved runs\n", kRuns);
    std::printf("  %-34s %11s  %11s\n", "", "best", "median");
    std::printf("  %-34s %8.3f ms  %8.3f ms\n", "bare write() loop, 2048-byte blocks",
                bare.best().count() * 1e3, bare.median().count() * 1e3);
    std::printf("  %-34s %8.3f ms  %8.3f ms\n", "serial sender + progress hand-over",
                sender.best().count() * 1e3, sender.median().count() * 1e3);
    std::printf("  %-34s %8.2fx    %8.2fx\n", "ratio", sender.best() / bare.best(),
                sender.median() / bare.median());
    std::printf("  (target: at most 1.2x)\n");
    return 0;
}
