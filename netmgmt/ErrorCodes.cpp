// The error table.
#include "netmgmt/ErrorCodes.h"

#include "netmgmt/ManagementHeader.h"

#include <array>

namespace quarlink::netmgmt {

namespace {

struct ErrorText
{
    int code;
    const char* text;
};

static_assert(kMaxPayloadSize == 1428, "the too-large message names the limit");

constexpr std::array<ErrorText, 15> kErrorTexts{{
    {error_code::PasswordMismatch, "Password mismatch error occured."},
    {error_code::NoResponse, "No response from selected Vorbex."},
    {error_code::LocalIpAddress, "Local IP Address Error"},
    {error_code::MacroSyntax, "Macro Syntax Error"},
    {error_code::IoPortAddress, "I/O Port Address Error"},
    {error_code::LocalPortNumber, "Local Port Number Error"},
    {error_code::Port23, "Port Number 23 is not available"},
    {error_code::ModbusPortDuplicated, "Local and Modbus/TCP Port numbers are duplicated."},
    {error_code::Port80, "The port number 80 is not available for Local Port."},
    {error_code::Port50005, "The port number 50005 is not available for Local Port."},
    {error_code::Port50006, "The port number 50006 is not available for Local Port."},
    {error_code::ProductIdMismatch, "Product ID Mismatch"},
    {error_code::UnknownError, "Unknown Error"},
    {error_code::NothingToWrite, "There is no available information to write."},
    {error_code::PayloadTooLarge,
     "The settings to write do not fit in one datagram (at most 1428 bytes); nothing was sent."},
}};

} // namespace

std::string messageForCode(int code)
{
    for (const ErrorText& entry : kErrorTexts)
        if (entry.code == code)
            return entry.text;
    return "Invalid Error Code [" + std::to_string(code) + "]";
}

int codeForWriteStatus(unsigned status)
{
    switch (status) {
    case kWriteStatusSuccess:
        return error_code::Success;
    case kWriteStatusPasswordMismatch:
        return error_code::PasswordMismatch;
    case kWriteStatusProductMismatch:
        return error_code::ProductIdMismatch;
    default:
        return error_code::UnknownError;
    }
}

} // namespace quarlink::netmgmt
