// The device control block and time-outs of the COM port.
#include "os/win32/CommSettings.h"

namespace quarlink::os::win32 {

bool applyLineSettings(DCB& control, const LineSettings& settings)
{
    if (!isValid(settings))
        return false;
    DCB dcb = control;
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    // The parity list's index is the system's code: 0 none, 1 odd, 2 even.
    dcb.Parity = static_cast<BYTE>(settings.parity == kParityOdd    ? ODDPARITY
                                   : settings.parity == kParityEven ? EVENPARITY
                                                                    : NOPARITY);
    dcb.StopBits = static_cast<BYTE>(settings.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT);
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    control = dcb;
    return true;
}

COMMTIMEOUTS linkTimeouts(const COMMTIMEOUTS& current)
{
    COMMTIMEOUTS timeouts = current;
    timeouts.ReadIntervalTimeout = 0xFFFF;
    timeouts.ReadTotalTimeoutMultiplier = 100;
    timeouts.ReadTotalTimeoutConstant = 10;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 0;
    return timeouts;
}

} // namespace quarlink::os::win32
