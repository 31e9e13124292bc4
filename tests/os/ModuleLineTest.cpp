// The simulated module's line on POSIX, a pseudo-terminal: the chosen line settings are what a
// program opening the device sees, including the one rate beyond the form's table the
// simulator offers.
#include "os/ModuleLine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace quarlink::os {
namespace {

termios attributesOf(const std::string& device)
{
    termios tio{};
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << device;
    if (fd >= 0) {
        EXPECT_EQ(tcgetattr(fd, &tio), 0);
        ::close(fd);
    }
    return tio;
}

// Speed and stop bits; the kernel's pseudo-terminals keep 8 data bits without parity whatever
// is asked for, so those two are not seen.
TEST(ModuleLine, ProgramSeesTheLineSettings)
{
    struct Case
    {
        LineSettings line;
        speed_t speed;
    };
    const Case cases[] = {
        {{57600, kParityNone, 8, 1}, B57600},
        {{9600, kParityEven, 7, 2}, B9600},
        {{460800, kParityOdd, 5, 1}, B460800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.baudRate);
        std::string error;
        const auto pty = ModuleLine::open(c.line, {}, error);
        ASSERT_TRUE(pty) << error;
        const termios tio = attributesOf(pty->devicePath());
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ(cfgetispeed(&tio), c.speed);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.line.stopBits == 2);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    }
}

TEST(ModuleLine, UnsupportedSettingsOpenNothing)
{
    const LineSettings cases[] = {
        {12345, kParityNone, 8, 1},
        {57600, 3, 8, 1},
        {57600, kParityNone, 9, 1},
        {57600, kParityNone, 8, 3},
    };
    for (const LineSettings& line : cases) {
        std::string error;
        EXPECT_FALSE(ModuleLine::open(line, {}, error));
        EXPECT_EQ(error, "unsupported line settings");
    }
    EXPECT_TRUE(isSupportedBaudRate(460800));
    EXPECT_TRUE(isSupportedBaudRate(50));
    EXPECT_FALSE(isSupportedBaudRate(921600));
}

} // namespace
} // namespace quarlink::os
