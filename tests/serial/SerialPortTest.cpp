// The port: device paths, failed and exclusive opens, writes to the far end.
#include "serial/SerialPort.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <unistd.h>

namespace quarlink::serial {
namespace {

using namespace std::chrono_literals;

TEST(SerialPort, DevicePathOfPortNames)
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

TEST(SerialPort, FailedOpensTellTheStepAndTheSystemsReason)
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
        SerialPort port;
        const OpenResult result = port.open(c.name, LineSettings{});
        EXPECT_EQ(result.step, c.step) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.reason, std::strerror(c.error)) << c.name;
        EXPECT_FALSE(port.isOpen());
    }
    ::unlink(fileName);
}

TEST(SerialPort, RefusedLineSettingsLeaveThePortFreeForTheNextOpen)
{
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialPort port;
    const OpenResult refused = port.open(pty.slavePath(), LineSettings{12345, 0, 8, 1});
    EXPECT_EQ(refused.step, OpenStep::Configure);
    EXPECT_EQ(refused.error, EINVAL);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.open(pty.slavePath(), LineSettings{}).ok());
}

TEST(SerialPort, ASecondOpenFailsWhileThePortIsHeldAndSucceedsOnceReleased)
{
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialPort holder;
    ASSERT_TRUE(holder.open(pty.slavePath(), LineSettings{}).ok());

    SerialPort second;
    const OpenResult refused = second.open(pty.slavePath(), LineSettings{});
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error, EBUSY) << refused.reason;
    EXPECT_FALSE(second.isOpen());

    holder.close();
    EXPECT_TRUE(second.open(pty.slavePath(), LineSettings{}).ok());
}

TEST(SerialPort, WritesReachTheFarEndExactly)
{
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath(), LineSettings{}).ok());

    const auto bytes = testing::testPattern(200'000); // more than the terminal buffers hold
    bool written = false;
    std::thread writer([&] { written = port.write(bytes); });
    const auto received = pty.readFromMaster(bytes.size());
    writer.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(port.write({}));
}

TEST(SerialPort, AWriteTheDeviceDoesNotTakeGivesUpAtItsDeadline)
{
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath(), LineSettings{}).ok());
    port.setWriteTimeoutPerByte(1us);

    // Nobody reads the far end: the terminal buffers fill and the rest cannot be written.
    const auto bytes = testing::testPattern(512 * 1024);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.write(bytes));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 5s);
    EXPECT_GE(elapsed, 400ms); // it waited for the device rather than giving up at once
}

TEST(SerialPort, WritesFailQuietlyWhenTheFarEndIsGoneOrThePortIsClosed)
{
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SerialPort port;
    const std::uint8_t frame[] = {0x1B, 0x7E, 0x47};
    EXPECT_FALSE(port.write(frame));
    ASSERT_TRUE(port.open(pty.slavePath(), LineSettings{}).ok());
    pty.closeMaster();
    EXPECT_FALSE(port.write(frame));
}

} // namespace
} // namespace quarlink::serial
