// Line settings of a serial port (baud rate, parity, data bits, stop bits) and the rules every
// system's translation of them shares: which values are accepted.
#pragma once

#include <span>

namespace quarlink::os {

// Parity by the selection index of the form's Parity list.
inline constexpr int kParityNone = 0;
inline constexpr int kParityOdd = 1;
inline constexpr int kParityEven = 2;

struct LineSettings
{
    int baudRate = 57600;
    int parity = kParityNone; // kParityNone, kParityOdd or kParityEven
    int dataBits = 8;         // 5 to 8; the form offers 7 and 8
    int stopBits = 1;         // 1 or 2
};

// The baud rates a port may be opened at, lowest first: the form's eight and the usual others
// from 50 to 460800 baud.
std::span<const int> supportedBaudRates();
bool isSupportedBaudRate(int baudRate);

// Whether every setting is in range: a supported rate, a known parity, 5 to 8 data bits and
// 1 or 2 stop bits. A port refuses anything else before it touches the device.
bool isValid(const LineSettings& settings);

} // namespace quarlink::os
