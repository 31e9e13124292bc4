// Benchmark: 512 KiB from a pseudo-terminal through the reader thread and its synchronous
// hand-over to an owner thread running a Qt event loop, against a plain read() loop of the
// same bytes from a pseudo-terminal, once with the port's line settings and once with
// cfmakeraw alone. Prints the times and ratios, best and median of several interleaved runs
// (the machine is shared, so single runs vary).
#include "bench/RunTimes.h"
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
using quarlink::bench::Seconds;

constexpr std::size_t kBytes = 512 * 1024;
constexpr int kRuns = 15;

std::uint32_t sumOf(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t sum = 0;
    for (std::uint8_t byte : bytes)
        sum += byte;
    return sum;
}

constexpr LineSettings kLine{115200, kParityNone, 8, 1};

enum class ReferenceLine
{
    SameAsPort, // the port's own settings, parity checking included
    BareRaw,    // cfmakeraw only: the line discipline's fast path
};

// Reference: the far end writes, this thread read()s chunks of the reader's size and
// consumes them as the owner does.
std::optional<Seconds> plainRead(const std::vector<std::uint8_t>& bytes, ReferenceLine line)
{
    testing::PtyPair pty;
    if (!pty.ok())
        return std::nullopt;
    quarlink::os::SerialDevice port;
    int fd = -1;
    if (line == ReferenceLine::SameAsPort) {
        if (!port.open(pty.slavePath(), kLine).ok())
            return std::nullopt;
        fd = port.nativeHandle();
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(SerialReader::kChunkSize);
    std::size_t received = 0;
    std::uint32_t checksum = 0;
    const auto start = Clock::now();
    std::thread farEnd([&] { pty.writeToMaster(bytes); });
    while (received < bytes.size()) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        received += static_cast<std::size_t>(n);
        for (ssize_t i = 0; i < n; ++i)
            checksum += buffer[static_cast<std::size_t>(i)];
    }
    const auto elapsed = Clock::now() - start;
    farEnd.join();
    if (line == ReferenceLine::BareRaw)
        ::close(fd);
    if (received != bytes.size() || checksum != sumOf(bytes))
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
    std::uint32_t checksum = 0; // the owner consumes every byte, as the answer dispatch does
    SerialConnection connection(
        [](std::function<void()> closure) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(closure),
                                      Qt::QueuedConnection);
        },
        {[&](std::span<const std::uint8_t> chunk) {
             for (std::uint8_t byte : chunk)
                 checksum += byte;
             received += chunk.size();
             if (received >= bytes.size())
                 loop.quit();
         },
         [&] { loop.quit(); }});
    if (!connection.open(pty.slavePath(), kLine).ok())
        return std::nullopt;
    QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);
    const auto start = Clock::now();
    std::thread farEnd([&] { pty.writeToMaster(bytes); });
    loop.exec();
    const auto elapsed = Clock::now() - start;
    farEnd.join();
    connection.close();
    if (received != bytes.size() || checksum != sumOf(bytes))
        return std::nullopt;
    return elapsed;
}

using quarlink::bench::Times;

void printLine(const char* what, const Times& times)
{
    std::printf("  %-34s %8.3f ms  %8.3f ms\n", what, times.best().count() * 1e3,
                times.median().count() * 1e3);
}

void printRatio(const char* what, const Times& ours, const Times& reference)
{
    std::printf("  %-34s %8.2fx    %8.2fx\n", what, ours.best() / reference.best(),
                ours.median() / reference.median());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto bytes = testing::testPattern(kBytes);
    Times sameLine;
    Times bareRaw;
    Times reader;
    for (int run = 0; run < kRuns; ++run) {
        const auto plain = plainRead(bytes, ReferenceLine::SameAsPort);
        const auto raw = plainRead(bytes, ReferenceLine::BareRaw);
        const auto ours = throughReader(bytes);
        if (!plain || !raw || !ours) {
            std::fprintf(stderr, "bench_serial: a run did not deliver all %zu bytes\n", kBytes);
            return 1;
        }
        sameLine.runs.push_back(*plain);
        bareRaw.runs.push_back(*raw);
        reader.runs.push_back(*ours);
    }
    std::printf("serial reader, 512 KiB from a pseudo-terminal, %d interleaved runs\n", kRuns);
    std::printf("  %-34s %11s  %11s\n", "", "best", "median");
    printLine("plain read(), same line settings", sameLine);
    printLine("plain read(), cfmakeraw only", bareRaw);
    printLine("reader + hand-over to Qt loop", reader);
    printRatio("ratio to read(), same settings", reader, sameLine);
    std::printf("  (target: at most 1.5x)\n");
    printRatio("ratio to read(), cfmakeraw only", reader, bareRaw);
    std::printf("  (parity checking, which the port turns on, takes the terminal's per-character\n"
                "   input path; cfmakeraw alone takes its fast path)\n");
    return 0;
}
