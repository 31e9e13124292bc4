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

// A fresh pseudo-terminal whose slave the tests open as the port.
class SerialPortOnPty : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.ok()); }
    OpenResult openPort(SerialPort& port, const LineSettings& settings = {})
    {
        return port.open(m_pty.slavePath(), settings);
    }

    testing::PtyPair m_pty;
    SerialPort m_port;
};

TEST_F(SerialPortOnPty, RefusedLineSettingsLeaveThePortFreeForTheNextOpen)
{
    const OpenResult refused = openPort(m_port, LineSettings{12345, 0, 8, 1});
    EXPECT_EQ(refused.step, OpenStep::Configure);
    EXPECT_EQ(refused.error, EINVAL);
    EXPECT_FALSE(m_port.isOpen());
    EXPECT_TRUE(openPort(m_port).ok());
}

TEST_F(SerialPortOnPty, ASecondOpenFailsWhileThePortIsHeldAndSucceedsOnceReleased)
{
    ASSERT_TRUE(openPort(m_port).ok());
    SerialPort second;
    const OpenResult refused = openPort(second);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error, EBUSY) << refused.reason;
    EXPECT_FALSE(second.isOpen());

    m_port.close();
    EXPECT_TRUE(openPort(second).ok());
}

TEST_F(SerialPortOnPty, WritesReachTheFarEndExactly)
{
    ASSERT_TRUE(openPort(m_port).ok());
    const auto bytes = testing::testPattern(200'000); // more than the terminal buffers hold
    bool written = false;
    std::thread writer([&] { written = m_port.write(bytes); });
    const auto received = m_pty.readFromMaster(bytes.size());
    writer.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(m_port.write({}));
}

TEST_F(SerialPortOnPty, AWriteTheDeviceDoesNotTakeGivesUpAtItsDeadline)
{
    ASSERT_TRUE(openPort(m_port).ok());
    m_port.setWriteTimeoutPerByte(1us);

    // Nobody reads the far end: the terminal buffers fill and the rest cannot be written.
    const auto bytes = testing::testPattern(512 * 1024);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_port.write(bytes));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 5s);
    EXPECT_GE(elapsed, 400ms); // it waited for the device rather than giving up at once
}

TEST_F(SerialPortOnPty, WritesFailQuietlyWhenTheFarEndIsGoneOrThePortIsClosed)
{
    const std::uint8_t frame[] = {0x1B, 0x7E, 0x47};
    EXPECT_FALSE(m_port.write(frame));
    ASSERT_TRUE(openPort(m_port).ok());
    m_pty.closeMaster();
    EXPECT_FALSE(m_port.write(frame));
}

} // namespace
} // namespace quarlink::serial
