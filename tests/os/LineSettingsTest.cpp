// The line settings every system accepts, and what it refuses before touching a device.
#include "os/LineSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace quarlink::os {
namespace {

std::string describe(const LineSettings& s)
{
    return std::to_string(s.baudRate) + " parity " + std::to_string(s.parity) + " " +
           std::to_string(s.dataBits) + " bits " + std::to_string(s.stopBits) + " stop";
}

TEST(LineSettings, TheFormsRatesAndTheUsualOthersAreSupported)
{
    for (int rate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 50, 230400, 460800})
        EXPECT_TRUE(isSupportedBaudRate(rate)) << rate;
    for (int rate : {0, -9600, 12345, 57601, 921600, 1000000})
        EXPECT_FALSE(isSupportedBaudRate(rate)) << rate;
    const auto rates = supportedBaudRates();
    EXPECT_TRUE(std::is_sorted(rates.begin(), rates.end()));
}

TEST(LineSettings, EverySettingIsCheckedForItsRange)
{
    struct Case
    {
        LineSettings settings;
        bool valid;
    };
    const Case cases[] = {
        {{57600, kParityNone, 8, 1}, true},  {{9600, kParityEven, 7, 2}, true},
        {{460800, kParityOdd, 5, 1}, true},  {{12345, kParityNone, 8, 1}, false},
        {{57600, 3, 8, 1}, false},           {{57600, -1, 8, 1}, false},
        {{57600, kParityNone, 9, 1}, false}, {{57600, kParityNone, 4, 1}, false},
        {{57600, kParityNone, 8, 0}, false}, {{57600, kParityNone, 8, 3}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValid(c.settings), c.valid) << describe(c.settings);
}

} // namespace
} // namespace quarlink::os
