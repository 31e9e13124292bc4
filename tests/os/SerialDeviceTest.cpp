// The POSIX serial device: device paths, failed and exclusive opens, writes to the far end, one
// at a time and stoppable.
#include "os/SerialDevice.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace quarlink::os {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Waits until the far end has bytes to read: a write has begun.
bool farEndHasBytes(const serial::testing::PtyPair& pty)
{
    pollfd readable{pty.master(), POLLIN, 0};
    return ::poll(&readable, 1, 5000) > 0;
}

TEST(SerialDevice, DevicePathOfPortNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"ttyUSB0:", "/dev/ttyUSB0"},
        {"ttyS1", "/dev/ttyS1"},
        {"pts/7", "/dev/pts/7"},
        {"/dev/pts/7", "/dev/pts/7"},
        {"/dev/pts/7:", "/dev/pts/7"},
        {"/tmp/quarlink-sim", "/tmp/quarlink-sim"},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(devicePathFor(name), path) << name;
}

TEST(SerialDevice, FailedOpensTellTheStepAndTheSystemsReason)
{
    char fileName[] = "/tmp/quarlink-not-a-tty-XXXXXX";
    const int file = ::mkstemp(fileName);
    ASSERT_GE(file, 0);
    ::close(file);

    struct Case
    {
        std::string name;
        OpenStep step;
        int error;
    };
    const Case cases[] = {
        {"/dev/quarlink-no-such-port", OpenStep::Open, ENOENT},
        {"quarlink-no-such-port:", OpenStep::Open, ENOENT},
        {fileName, OpenStep::Configure, ENOTTY},
    };
    for (const Case& c : cases) {
        SerialDevice port;
        const OpenResult result = port.open(c.name, LineSettings{});
        EXPECT_EQ(result.step, c.step) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.reason, std::strerror(c.error)) << c.name;
        EXPECT_FALSE(port.isOpen());
    }
    ::unlink(fileName);
}

// A fresh pseudo-terminal whose slave the tests open as the port.
class SerialDeviceOnPty : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.ok()); }
    OpenResult openPort(SerialDevice& port, const LineSettings& settings = {})
    {
        return port.open(m_pty.slavePath(), settings);
    }

    serial::testing::PtyPair m_pty;
    SerialDevice m_port;
};

TEST_F(SerialDeviceOnPty, RefusedLineSettingsLeaveThePortFreeForTheNextOpen)
{
    const OpenResult refused = openPort(m_port, LineSettings{12345, 0, 8, 1});
    EXPECT_EQ(refused.step, OpenStep::Configure);
    EXPECT_EQ(refused.error, EINVAL);
    EXPECT_FALSE(m_port.isOpen());
    EXPECT_TRUE(openPort(m_port).ok());
}

TEST_F(SerialDeviceOnPty, ASecondOpenFailsWhileThePortIsHeldAndSucceedsOnceReleased)
{
    ASSERT_TRUE(openPort(m_port).ok());
    SerialDevice second;
    const OpenResult refused = openPort(second);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error, EBUSY) << refused.reason;
    EXPECT_FALSE(second.isOpen());

    m_port.close();
    EXPECT_TRUE(openPort(second).ok());
}

TEST_F(SerialDeviceOnPty, WritesReachTheFarEndExactly)
{
    ASSERT_TRUE(openPort(m_port).ok());
    const auto bytes = serial::testing::testPattern(200'000); // more than the terminal buffers hold
    bool written = false;
    std::thread writer([&] { written = m_port.write(bytes); });
    const auto received = m_pty.readFromMaster(bytes.size());
    writer.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(m_port.write({}));
}

TEST_F(SerialDeviceOnPty, AWriteTheDeviceDoesNotTakeGivesUpAtItsDeadline)
{
    ASSERT_TRUE(openPort(m_port).ok());
    m_port.setWriteTimeoutPerByte(1us);

    // Nobody reads the far end: the terminal buffers fill and the rest cannot be written.
    const auto bytes = serial::testing::testPattern(512 * 1024);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_port.write(bytes));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 5s);
    EXPECT_GE(elapsed, 400ms); // it waited for the device rather than giving up at once
}

TEST_F(SerialDeviceOnPty, WritesFailQuietlyWhenTheFarEndIsGoneOrThePortIsClosed)
{
    const std::uint8_t frame[] = {0x1B, 0x7E, 0x47};
    EXPECT_FALSE(m_port.write(frame));
    ASSERT_TRUE(openPort(m_port).ok());
    m_pty.closeMaster();
    EXPECT_FALSE(m_port.write(frame));
}

TEST_F(SerialDeviceOnPty, AStalledWriteEndsOnItsStopAndThePortStaysUsable)
{
    ASSERT_TRUE(openPort(m_port).ok());
    // Nobody reads the far end; without its stop the block would wait minutes.
    const auto block = serial::testing::testPattern(64 * 1024);
    StopSignal stop;
    std::atomic<bool> ended = false;
    WriteResult result = WriteResult::Written;
    std::thread writer([&] {
        result = m_port.write(block, &stop);
        ended = true;
    });
    EXPECT_TRUE(farEndHasBytes(m_pty));
    // Meanwhile a command from another thread waits for the line only as long as its own
    // deadline allows (3 bytes at 100 ms), rather than for the whole block.
    const std::uint8_t frame[] = {0x1B, 0x7E, 0x53};
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_port.write(frame));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(ended);

    start = std::chrono::steady_clock::now();
    stop.request();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(result, WriteResult::Stopped);

    // The far end reads again: what the block left queued, then the next command whole.
    EXPECT_FALSE(m_pty.readFromMaster(block.size(), 300ms).empty());
    EXPECT_TRUE(m_port.write(frame));
    EXPECT_EQ(m_pty.readFromMaster(sizeof frame), Bytes(std::begin(frame), std::end(frame)));
}

TEST_F(SerialDeviceOnPty, WritesFromTwoThreadsNeverInterleave)
{
    ASSERT_TRUE(openPort(m_port).ok());
    m_port.setWriteTimeoutPerByte(1s); // generous: the command may wait for the whole block
    const auto block = serial::testing::testPattern(200'000); // many partial writes on a terminal
    const Bytes frame{0x1B, 0x7E, 0x43};
    bool blockWritten = false;
    std::thread blockWriter([&] { blockWritten = m_port.write(block); });
    // The command goes while the block is being written, before the far end reads any of it.
    EXPECT_TRUE(farEndHasBytes(m_pty));
    Bytes received;
    std::thread farEnd([&] { received = m_pty.readFromMaster(block.size() + frame.size()); });
    EXPECT_TRUE(m_port.write(frame));
    blockWriter.join();
    farEnd.join();
    EXPECT_TRUE(blockWritten);
    Bytes expected = block;
    expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(received, expected);
}

} // namespace
} // namespace quarlink::os
