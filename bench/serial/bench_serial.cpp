// Benchmark: 512 KiB from a pseudo-terminal through the reader thread and its synchronous
// hand-over to an owner thread running a Qt event loop, against a plain read() loop of the
// same bytes from a pseudo-terminal. Prints both times and their ratio, for the best and the
// median of several interleaved runs (the machine is shared, so single runs vary).
#include "serial/SerialConnection.h"
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

using namespace quarlink::serial;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr std::size_t kBytes = 512 * 1024;
constexpr int kRuns = 15;

// Reference: the far end writes, this thread read()s chunks of the reader's size.
std::optional<Seconds> plainRead(const std::vector<std::uint8_t>& bytes)
{
    testing::PtyPair pty;
    if (!pty.ok())
        return std::nullopt;
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::vector<std::uint8_t> buffer(SerialReader::kChunkSize);
    std::size_t received = 0;
    const auto start = Clock::now();
    std::thread farEnd([&] { pty.writeToMaster(bytes); });
    while (received < bytes.size()) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        received += static_cast<std::size_t>(n);
    }
    const auto elapsed = Clock::now() - start;
    farEnd.join();
    ::close(fd);
    if (received != bytes.size())
        return std::nullopt;
    return elapsed;
}

// Ours: reader thread, queued hand-over into this thread's event loop, owner consumes.
std::optional<Seconds> throughReader(const std::vector<std::uint8_t>& bytes)
{
    testing::PtyPair pty;
    if (!pty.ok())
        return std::nullopt;
    QEventLoop loop;
    std::size_t received = 0;
    std::uint32_t checksum = 0; // the owner touches every byte, as the answer dispatch does
    SerialConnection connection(
        [](std::function<void()> closure) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(closure),
                                      Qt::QueuedConnection);
        },
        {[&](const std::uint8_t* data, std::size_t size) {
             for (std::size_t i = 0; i < size; ++i)
                 checksum += data[i];
             received += size;
             if (received >= bytes.size())
                 loop.quit();
         },
         [&] { loop.quit(); }});
    if (!connection.open(pty.slavePath(), LineSettings{115200, kParityNone, 8, 1}).ok())
        return std::nullopt;
    QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);
    const auto start = Clock::now();
    std::thread farEnd([&] { pty.writeToMaster(bytes); });
    loop.exec();
    const auto elapsed = Clock::now() - start;
    farEnd.join();
    connection.close();
    if (received != bytes.size())
        return std::nullopt;
    return elapsed;
}

Seconds median(std::vector<Seconds> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto bytes = testing::testPattern(kBytes);
    std::vector<Seconds> plainTimes;
    std::vector<Seconds> readerTimes;
    for (int run = 0; run < kRuns; ++run) {
        const auto plain = plainRead(bytes);
        const auto reader = throughReader(bytes);
        if (!plain || !reader) {
            std::fprintf(stderr, "bench_serial: a run did not deliver all %zu bytes\n", kBytes);
            return 1;
        }
        plainTimes.push_back(*plain);
        readerTimes.push_back(*reader);
    }
    const Seconds bestPlain = *std::min_element(plainTimes.begin(), plainTimes.end());
    const Seconds bestReader = *std::min_element(readerTimes.begin(), readerTimes.end());
    const Seconds medianPlain = median(plainTimes);
    const Seconds medianReader = median(readerTimes);
    std::printf("serial reader, 512 KiB from a pseudo-terminal, %d runs\n", kRuns);
    std::printf("                             best        median\n");
    std::printf("  plain read():              %8.3f ms  %8.3f ms\n", bestPlain.count() * 1e3,
                medianPlain.count() * 1e3);
    std::printf("  reader + hand-over to Qt:  %8.3f ms  %8.3f ms\n", bestReader.count() * 1e3,
                medianReader.count() * 1e3);
    std::printf("  ratio:                     %8.2fx    %8.2fx  (target at most 1.5x)\n",
                bestReader.count() / bestPlain.count(), medianReader.count() / medianPlain.count());
    return 0;
}
