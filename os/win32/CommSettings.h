// The COM port's configuration records as the port is opened with them: the device control
// block with the line settings and the flags the link needs, the time-outs, and the queue sizes.
#pragma once

#include "os/LineSettings.h"

#include <windows.h>

namespace quarlink::os::win32 {

// Receive and transmit queues asked of the driver.
inline constexpr DWORD kQueueSize = 1024;

// Puts `settings` into `control`: baud rate, data bits, parity and stop bits; binary mode;
// parity checking on, also without parity; no CTS or DSR output flow control, DTR and RTS
// control disabled, no DSR sensitivity, no XON/XOFF either way, no error-character
// replacement, no NUL stripping, no abort on error. fTXContinueOnXoff and every other field stay
// as the port reported them. Returns false, leaving `control` untouched, when a setting is out
// of range.
bool applyLineSettings(DCB& control, const LineSettings& settings);

// `current` with the link's time-outs, in milliseconds: read interval 65535, read total 100 per
// byte plus 10, write total 100 per byte plus 0. A read of n bytes gives up after 100·n + 10 ms
// and a write of n bytes after 100·n ms.
COMMTIMEOUTS linkTimeouts(const COMMTIMEOUTS& current);

} // namespace quarlink::os::win32
