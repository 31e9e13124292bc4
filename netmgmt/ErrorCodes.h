// Result codes of the network operations and the operator's message for each.
#pragma once

#include <string>

namespace quarlink::netmgmt {

namespace error_code {
inline constexpr int Success = 0;
inline constexpr int PasswordMismatch = -100;
inline constexpr int NoResponse = -200;
inline constexpr int LocalIpAddress = -300;
inline constexpr int MacroSyntax = -400;
inline constexpr int IoPortAddress = -500;
inline constexpr int LocalPortNumber = -600;
inline constexpr int Port23 = -601;
inline constexpr int ModbusPortDuplicated = -602;
inline constexpr int Port80 = -603;
inline constexpr int Port50005 = -604;
inline constexpr int Port50006 = -605;
inline constexpr int ProductIdMismatch = -700;
inline constexpr int UnknownError = -800;
inline constexpr int NothingToWrite = -900;
// The merged write payload does not fit in one datagram; nothing was sent.
inline constexpr int PayloadTooLarge = -1000;
} // namespace error_code

// The error table's text; "Invalid Error Code [%d]" for a code without one (the socket errors).
std::string messageForCode(int code);

// The result of a write answer's status byte: 0, -100, -700 or -800.
int codeForWriteStatus(unsigned status);

} // namespace quarlink::netmgmt
