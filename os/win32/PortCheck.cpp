// What Windows tells about a port: an open of the COM port says whether it is there and free,
// the hold object whether another of this program's processes has it; which program holds a
// COM port Windows does not tell. The owner of a UDP port comes from the IP helper's table.
#include "os/PortCheck.h"

#include "os/win32/Winsock.h"

#include "os/win32/SerialDeviceState.h"
#include "os/win32/Text.h"

#include <iphlpapi.h>

#include <filesystem>
#include <vector>

namespace quarlink::os {

const char kSerialPortFine[] = "can be opened, free";

namespace {

bool heldByThisProgram(const std::string& path)
{
    const HANDLE hold = ::OpenMutexA(SYNCHRONIZE, FALSE, win32::holdName(path).c_str());
    if (!hold)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // there, and another user's
    ::CloseHandle(hold);
    return true;
}

} // namespace

std::vector<PortProblem> serialPortProblems(const std::string& path, PortOrigin origin)
{
    // Opened as the program opens it, and closed again at once: nothing is written.
    const HANDLE port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    const DWORD error = port == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    if (port != INVALID_HANDLE_VALUE)
        ::CloseHandle(port);
    const std::string name = portNameOf(path);
    if (error == 0 && heldByThisProgram(path))
        return {{name + ": held by another quarlink program",
                 "close the other quarlink window or quarlink-cli that has the port open"}};
    if (error == 0)
        return {};
    const OpenResult failed = OpenResult::failure(OpenStep::Open, static_cast<int>(error));
    switch (failed.problem) {
    case OpenProblem::NotPresent:
        return {{name + ": no such device", missingPortFix(origin)}};
    case OpenProblem::InUse:
        return {{name + ": " + failed.reason + "; Windows does not tell which",
                 "close the program that has the port open: a terminal program, another "
                 "quarlink, or the adapter maker's tool"}};
    default:
        return {{name + ": cannot be opened: " + failed.reason,
                 "look at the port in the Device Manager (its driver), or unplug the adapter "
                 "and plug it in again"}};
    }
}

std::string noSerialPortFix()
{
    return "connect the printer's cable; its COM port then shows in the Device Manager under "
           "Ports (COM & LPT)";
}

std::string openFailureText(const std::string&, const OpenResult& result)
{
    switch (result.problem) {
    case OpenProblem::NotPresent:
        return "no such device";
    case OpenProblem::AccessDenied:
        return "permission denied";
    case OpenProblem::InUse:
        return "busy (" + result.reason + ")";
    default:
        return "cannot open: " + result.reason;
    }
}

std::optional<int> udpPortHolder(std::uint16_t port)
{
    ULONG size = 0;
    ::GetExtendedUdpTable(nullptr, &size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || ::GetExtendedUdpTable(buffer.data(), &size, FALSE, AF_INET,
                                           UDP_TABLE_OWNER_PID, 0) != NO_ERROR)
        return std::nullopt;
    const auto* table = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(buffer.data());
    const DWORD self = ::GetCurrentProcessId();
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_UDPROW_OWNER_PID& row = table->table[i];
        if (::ntohs(static_cast<u_short>(row.dwLocalPort)) == port && row.dwOwningPid != self)
            return static_cast<int>(row.dwOwningPid);
    }
    return std::nullopt;
}

std::string processName(int pid)
{
    const HANDLE process =
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return {};
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = ::QueryFullProcessImageNameW(process, 0, image, &size) != 0;
    ::CloseHandle(process);
    if (!named)
        return {};
    return win32::utf8FromWide(std::filesystem::path(std::wstring(image, size)).stem().wstring());
}

} // namespace quarlink::os
