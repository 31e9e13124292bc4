// The system's last error code and its own text for a code: errno and strerror on POSIX,
// GetLastError / WSAGetLastError and FormatMessage on Windows.
#pragma once

#include <string>

namespace quarlink::os {

// The calling thread's last error of a system call (not of a socket call on Windows).
int lastSystemError();
// The calling thread's last error of a socket call (errno on POSIX).
int lastSocketError();
// The system's text for an error code of either kind, without a trailing full stop or line end.
std::string systemErrorText(int code);

} // namespace quarlink::os
