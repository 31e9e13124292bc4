// Line settings of a serial port (baud rate, parity, data bits, stop bits) and their translation
// into a raw-mode termios record.
#pragma once

#include <optional>

#include <termios.h>

namespace quarlink::serial {

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

// The termios speed constant of a baud rate; nothing for rates the system has no constant for.
std::optional<speed_t> speedForBaudRate(int baudRate);

// Puts `settings` into `attributes`: raw mode (no line editing, echo, signals or output
// processing), receiver on, modem status lines ignored, no hardware or software flow control,
// and input parity checking on even without parity, so a character with a framing error is
// not passed on as if it were good. Every other flag stays as the port reported it.
// Returns false, leaving `attributes` untouched, when a setting is out of range.
bool applyLineSettings(termios& attributes, const LineSettings& settings);

} // namespace quarlink::serial
