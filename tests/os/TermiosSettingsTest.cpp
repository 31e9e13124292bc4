// Line settings: the termios record the port writes, and what a pseudo-terminal keeps of it.
#include "os/posix/TermiosSettings.h"
#include "os/SerialDevice.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace quarlink::os {
namespace {

constexpr std::array<std::pair<int, speed_t>, 8> kFormBaudRates{{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
}};

std::string describe(const LineSettings& s)
{
    return std::to_string(s.baudRate) + " parity " + std::to_string(s.parity) + " " +
           std::to_string(s.dataBits) + " bits " + std::to_string(s.stopBits) + " stop";
}

// Every combination the form's lists offer.
template <typename Check> void forEachFormSetting(Check check)
{
    for (const auto& [baud, speed] : kFormBaudRates)
        for (int parity : {kParityNone, kParityOdd, kParityEven})
            for (int dataBits : {7, 8})
                for (int stopBits : {1, 2}) {
                    const LineSettings settings{baud, parity, dataBits, stopBits};
                    SCOPED_TRACE(describe(settings));
                    check(settings, speed);
                }
}

void expectRawWithoutFlowControl(const termios& t)
{
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_NE(t.c_iflag & INPCK, 0u) << "parity checking stays on, also without parity";
}

TEST(LineSettings, EveryFormSettingGivesTheMatchingTermiosRecord)
{
    forEachFormSetting([](const LineSettings& settings, speed_t speed) {
        termios t{};
        t.c_iflag = IXON | ICRNL;
        t.c_lflag = ICANON | ECHO;
        t.c_cflag = CRTSCTS | CS5;
        ASSERT_TRUE(applyLineSettings(t, settings));
        EXPECT_EQ(cfgetispeed(&t), speed);
        EXPECT_EQ(cfgetospeed(&t), speed);
        EXPECT_EQ(t.c_cflag & CSIZE, settings.dataBits == 7 ? tcflag_t{CS7} : tcflag_t{CS8});
        EXPECT_EQ((t.c_cflag & PARENB) != 0, settings.parity != kParityNone);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, settings.parity == kParityOdd);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, settings.stopBits == 2);
        expectRawWithoutFlowControl(t);
        // A read of an empty non-blocking port fails with EAGAIN rather than returning 0,
        // which the reader takes for a hang-up.
        EXPECT_EQ(t.c_cc[VMIN], 1);
        EXPECT_EQ(t.c_cc[VTIME], 0);
    });
}

TEST(LineSettings, OutOfRangeSettingsAreRefusedAndLeaveTheRecordAlone)
{
    const LineSettings refused[] = {
        {12345, kParityNone, 8, 1}, {0, kParityNone, 8, 1},     {57600, 3, 8, 1},
        {57600, -1, 8, 1},          {57600, kParityNone, 9, 1}, {57600, kParityNone, 4, 1},
        {57600, kParityNone, 8, 0}, {57600, kParityNone, 8, 3},
    };
    for (const LineSettings& settings : refused) {
        SCOPED_TRACE(describe(settings));
        termios t{};
        t.c_cflag = CS6;
        EXPECT_FALSE(applyLineSettings(t, settings));
        EXPECT_EQ(t.c_cflag, tcflag_t{CS6});
    }
}

// A pseudo-terminal keeps speed, stop bits, the odd-parity choice and every input, output and
// local flag; its driver itself forces eight data bits and no parity generation, which is why
// those two are checked on the record above.
TEST(LineSettings, OpeningAPortLeavesTheSettingsOnTheDevice)
{
    serial::testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    forEachFormSetting([&](const LineSettings& settings, speed_t speed) {
        SerialDevice port;
        const OpenResult result = port.open(pty.slavePath(), settings);
        ASSERT_TRUE(result.ok()) << result.reason;
        termios t{};
        ASSERT_EQ(::tcgetattr(port.nativeHandle(), &t), 0);
        EXPECT_EQ(cfgetispeed(&t), speed);
        EXPECT_EQ(cfgetospeed(&t), speed);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, settings.stopBits == 2);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, settings.parity == kParityOdd);
        expectRawWithoutFlowControl(t);
    });
}

} // namespace
} // namespace quarlink::os
