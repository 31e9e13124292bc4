// Line settings as a raw-mode termios record.
#pragma once

#include "os/LineSettings.h"

#include <optional>

#include <termios.h>

namespace quarlink::os {

// The termios speed constant of a baud rate; nothing for rates the system has no constant for.
std::optional<speed_t> speedForBaudRate(int baudRate);
// The baud rate of a termios speed constant; 0 for a constant outside the supported rates.
int baudRateForSpeed(speed_t speed);

// Puts `settings` into `attributes`: raw mode (no line editing, echo, signals or output
// processing), receiver on, modem status lines ignored, no hardware or software flow control,
// and input parity checking on even without parity, so a character with a framing error is
// not passed on as if it were good. Every other flag stays as the port reported it.
// Returns false, leaving `attributes` untouched, when a setting is out of range.
bool applyLineSettings(termios& attributes, const LineSettings& settings);

} // namespace quarlink::os
