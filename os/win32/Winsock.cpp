// The one start of Windows Sockets, and helpers the socket sources share.
#include "os/win32/Winsock.h"

#include <cstring>

namespace quarlink::os::win32 {

bool startWinsock()
{
    // A function-local static is started once, thread-safely; the layer stays up until the
    // process ends, as every operation may need it.
    static const int result = [] {
        WSADATA data{};
        const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
        return started;
    }();
    if (result != 0)
        ::WSASetLastError(result);
    return result == 0;
}

sockaddr_in socketAddress(const Ipv4& address, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = ::htons(port);
    std::memcpy(&sa.sin_addr.s_addr, address.data(), address.size());
    return sa;
}

bool makeNonBlocking(SOCKET socket)
{
    u_long on = 1;
    return ::ioctlsocket(socket, FIONBIO, &on) == 0;
}

void keepFromChildren(SOCKET socket)
{
    ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
}

} // namespace quarlink::os::win32
