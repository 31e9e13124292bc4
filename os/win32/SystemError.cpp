// Error codes are Win32 and Winsock error numbers; their texts come from FormatMessage.
#include "os/SystemError.h"

#include <winsock2.h>

#include <windows.h>

namespace quarlink::os {

int lastSystemError()
{
    return static_cast<int>(::GetLastError());
}

int lastSocketError()
{
    return ::WSAGetLastError();
}

std::string systemErrorText(int code)
{
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text ? std::string(text, length) : std::string();
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    if (message.empty())
        message = "system error " + std::to_string(code);
    return message;
}

} // namespace quarlink::os
