// The COM port on Windows: its device names, the records written at open (line settings and
// flags, time-outs), what a failed open says, the port list's fallback, and, where the test
// runner maps a COM port to the simulated module (QUARLINK_TEST_COM_PORT, such as COM5), an
// exchange over the port itself.
#include "os/SerialDevice.h"
#include "os/SystemSerialPorts.h"
#include "os/win32/CommSettings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace quarlink::os {
namespace {

using namespace std::chrono_literals;

TEST(Win32SerialDevice, PortNamesOpenAsDevicePathsAboveCom9Too)
{
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "\\\\.\\COM1"},          {"COM7:", "\\\\.\\COM7"}, {"COM12", "\\\\.\\COM12"},
        {"\\\\.\\COM12", "\\\\.\\COM12"}, {"//./COM3", "//./COM3"}, {"CNCA0", "\\\\.\\CNCA0"},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(devicePathFor(name), path) << name;
    // What is printed is the name users know.
    EXPECT_EQ(portNameOf(devicePathFor("COM12")), "COM12");
    EXPECT_EQ(portNameOf("//./COM3"), "COM3");
}

TEST(Win32SerialDevice, TheControlBlockCarriesTheLineSettingsAndTheLinksFlags)
{
    for (int baud : {1200, 9600, 57600, 115200})
        for (int parity : {kParityNone, kParityOdd, kParityEven})
            for (int dataBits : {7, 8})
                for (int stopBits : {1, 2}) {
                    const LineSettings settings{baud, parity, dataBits, stopBits};
                    SCOPED_TRACE(std::to_string(baud) + " " + std::to_string(parity) + " " +
                                 std::to_string(dataBits) + " " + std::to_string(stopBits));
                    DCB control{};
                    control.DCBlength = sizeof control;
                    control.fOutxCtsFlow = control.fOutxDsrFlow = TRUE;
                    control.fDtrControl = DTR_CONTROL_HANDSHAKE;
                    control.fRtsControl = RTS_CONTROL_HANDSHAKE;
                    control.fOutX = control.fInX = control.fNull = control.fErrorChar = TRUE;
                    control.fAbortOnError = control.fDsrSensitivity = TRUE;
                    control.fTXContinueOnXoff = TRUE;
                    control.XonLim = 77;
                    ASSERT_TRUE(win32::applyLineSettings(control, settings));
                    EXPECT_EQ(control.BaudRate, static_cast<DWORD>(baud));
                    EXPECT_EQ(control.ByteSize, dataBits);
                    EXPECT_EQ(control.Parity, parity); // the list index is the system's code
                    EXPECT_EQ(control.StopBits, stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT);
                    EXPECT_TRUE(control.fBinary);
                    EXPECT_TRUE(control.fParity) << "parity checking stays on without parity";
                    EXPECT_FALSE(control.fOutxCtsFlow || control.fOutxDsrFlow ||
                                 control.fDsrSensitivity || control.fOutX || control.fInX ||
                                 control.fErrorChar || control.fNull || control.fAbortOnError);
                    EXPECT_EQ(control.fDtrControl, DTR_CONTROL_DISABLE);
                    EXPECT_EQ(control.fRtsControl, RTS_CONTROL_DISABLE);
                    EXPECT_TRUE(control.fTXContinueOnXoff); // left as the port had it
                    EXPECT_EQ(control.XonLim, 77);
                }
    DCB untouched{};
    untouched.BaudRate = 4800;
    EXPECT_FALSE(win32::applyLineSettings(untouched, LineSettings{12345, kParityNone, 8, 1}));
    EXPECT_EQ(untouched.BaudRate, 4800u);
}

TEST(Win32SerialDevice, TimeOutsAreTheLinksWhateverThePortHad)
{
    COMMTIMEOUTS current{1, 2, 3, 4, 5};
    const COMMTIMEOUTS set = win32::linkTimeouts(current);
    EXPECT_EQ(set.ReadIntervalTimeout, 0xFFFFu);
    EXPECT_EQ(set.ReadTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(set.ReadTotalTimeoutConstant, 10u);
    EXPECT_EQ(set.WriteTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(set.WriteTotalTimeoutConstant, 0u);
}

TEST(Win32SerialDevice, AFailedOpenSaysWhyInTheUsersWords)
{
    struct Case
    {
        DWORD error;
        OpenProblem problem;
        const char* reason;
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, OpenProblem::NotPresent, "not present"},
        {ERROR_SHARING_VIOLATION, OpenProblem::InUse, "in use by another program"},
        {ERROR_ACCESS_DENIED, OpenProblem::InUse, "in use by another program (access denied)"},
        {ERROR_GEN_FAILURE, OpenProblem::Other, nullptr},
    };
    for (const Case& c : cases) {
        const OpenResult result = OpenResult::failure(OpenStep::Open, static_cast<int>(c.error));
        EXPECT_EQ(result.problem, c.problem) << c.error;
        EXPECT_FALSE(result.reason.empty()) << c.error;
        if (c.reason) {
            EXPECT_EQ(result.reason, c.reason);
        }
    }
    // The system's own message for anything else, without its line end.
    const std::string text = OpenResult::failure(OpenStep::Configure, ERROR_GEN_FAILURE).reason;
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');

    SerialDevice port;
    const OpenResult missing = port.open("COM250", LineSettings{});
    EXPECT_EQ(missing.step, OpenStep::Open);
    EXPECT_EQ(missing.problem, OpenProblem::NotPresent) << missing.reason;
    EXPECT_FALSE(port.isOpen());
}

TEST(Win32SystemSerialPorts, AKeyThatCannotBeReadGivesNothingSoTheCallerOffersCom1ToCom9)
{
    EXPECT_FALSE(systemSerialPorts("SOFTWARE\\quarlink\\no such key").has_value());
    const auto listed = systemSerialPorts(kSystemPortSource);
    if (listed)
        for (const SystemPort& port : *listed) {
            EXPECT_FALSE(port.name.empty());
            EXPECT_FALSE(port.details.empty());
        }
}

// The port the test runner maps to the simulated module's line, or nothing.
const char* mappedPort()
{
    const char* port = std::getenv("QUARLINK_TEST_COM_PORT");
    return port && *port ? port : nullptr;
}

// Reads until `size` bytes have come or the line stays quiet for a while.
std::vector<std::uint8_t> readAnswer(const SerialDevice& port, std::size_t size)
{
    std::vector<std::uint8_t> answer;
    StopSignal giveUp;
    std::thread timer([&] {
        if (!giveUp.waitFor(5s))
            giveUp.request();
    });
    std::vector<std::uint8_t> buffer(256);
    while (answer.size() < size && port.waitForInput(giveUp) == InputWait::Input) {
        const InputRead read = port.readAvailable(buffer);
        answer.insert(answer.end(), buffer.begin(), buffer.begin() + read.size);
        if (read.gone)
            break;
    }
    giveUp.request();
    timer.join();
    return answer;
}

TEST(Win32SerialDevice, TheMappedPortCarriesAnExchangeAndIsHeldExclusively)
{
    const char* name = mappedPort();
    if (!name)
        GTEST_SKIP() << "QUARLINK_TEST_COM_PORT names no COM port mapped to the simulated module";
    SerialDevice port;
    const OpenResult opened = port.open(name, LineSettings{});
    ASSERT_TRUE(opened.ok()) << opened.reason;

    SerialDevice second;
    const OpenResult refused = second.open(name, LineSettings{});
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.problem, OpenProblem::InUse) << refused.reason;

    // The identity request; the module answers ESC '~' 'C' and its 16-byte identity record.
    const std::vector<std::uint8_t> identify{0x1B, 0x7E, 0x43};
    ASSERT_EQ(port.write(identify, nullptr), WriteResult::Written);
    EXPECT_EQ(port.drain(nullptr), WriteResult::Written);
    const auto answer = readAnswer(port, 19);
    ASSERT_GE(answer.size(), 3u);
    EXPECT_EQ(std::vector<std::uint8_t>(answer.begin(), answer.begin() + 3), identify);
    EXPECT_EQ(answer.size(), 19u);

    // A stop ends the reader's wait on a quiet line at once.
    StopSignal stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop.request();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.waitForInput(stop), InputWait::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    stopper.join();

    port.close();
    EXPECT_TRUE(second.open(name, LineSettings{}).ok());
}

} // namespace
} // namespace quarlink::os
