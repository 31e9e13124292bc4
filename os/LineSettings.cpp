// The accepted line settings, the same on every system.
#include "os/LineSettings.h"

#include <algorithm>
#include <array>

namespace quarlink::os {

namespace {

constexpr std::array<int, 19> kBaudRates{50,    75,    110,    134,    150,   200,  300,
                                         600,   1200,  1800,   2400,   4800,  9600, 19200,
                                         38400, 57600, 115200, 230400, 460800};

} // namespace

std::span<const int> supportedBaudRates()
{
    return kBaudRates;
}

bool isSupportedBaudRate(int baudRate)
{
    return std::find(kBaudRates.begin(), kBaudRates.end(), baudRate) != kBaudRates.end();
}

bool isValid(const LineSettings& settings)
{
    const bool parityKnown = settings.parity == kParityNone || settings.parity == kParityOdd ||
                             settings.parity == kParityEven;
    return isSupportedBaudRate(settings.baudRate) && parityKnown && settings.dataBits >= 5 &&
           settings.dataBits <= 8 && (settings.stopBits == 1 || settings.stopBits == 2);
}

} // namespace quarlink::os
