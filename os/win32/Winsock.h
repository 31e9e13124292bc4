// Windows Sockets for the os/ sources: started once per process, on first use.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include "os/NativeHandle.h"
#include "os/UdpSocket.h"

namespace quarlink::os::win32 {

// Starts Windows Sockets 2.2 the first time it is called; false (with WSAGetLastError telling
// why) when that failed. Later calls answer from the first.
bool startWinsock();

// The socket address of an IPv4 address (first octet first) and port.
sockaddr_in socketAddress(const Ipv4& address, std::uint16_t port);

// Makes `socket` non-blocking and keeps it from child processes.
bool makeNonBlocking(SOCKET socket);
void keepFromChildren(SOCKET socket);

} // namespace quarlink::os::win32
