// Validation rules of a record about to be written.
#include "netmgmt/RecordChecks.h"

#include "netmgmt/ProductIds.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quarlink::netmgmt {

namespace {

constexpr std::uint8_t kMuxCod = 2;
constexpr std::uint8_t kMuxU2s = 3;
constexpr std::uint8_t kMuxUnchecked = 4;
// io_settings: flag word at 0, Modbus/TCP port at 8, the two I/O addresses at 12 and 14.
constexpr std::uint32_t kIoMacrosInUse = 1u << 1;
constexpr std::uint32_t kIoModbusOff = 1u << 3;
constexpr std::size_t kIoModbusPort = 8;
constexpr std::size_t kIoFirstAddress = 12;
constexpr std::size_t kIoSecondAddress = 14;
constexpr std::uint32_t kWebPortCheck = 1u << 20;

std::uint32_t hostOrder(const Ipv4Bytes& address)
{
    return static_cast<std::uint32_t>(address[0]) << 24 |
           static_cast<std::uint32_t>(address[1]) << 16 |
           static_cast<std::uint32_t>(address[2]) << 8 | address[3];
}

// The class network mask of `ip`; 0 for classes D and E, which rule 3 refuses anyway.
std::uint32_t classMask(std::uint32_t ip)
{
    if ((ip >> 31) == 0)
        return 0xFF000000u;
    if ((ip >> 30) == 0b10)
        return 0xFFFF0000u;
    if ((ip >> 29) == 0b110)
        return 0xFFFFFF00u;
    return 0;
}

std::vector<std::uint16_t> portsUnderTest(const ModuleRecord& record)
{
    std::vector<std::uint16_t> ports;
    for (const ChannelEntry& entry : record.channel)
        if (entry.present == 1 && entry.mux_type != kMuxCod && entry.mux_type != kMuxUnchecked)
            ports.push_back(entry.local_port);
    return ports;
}

bool anyPortIs(const std::vector<std::uint16_t>& ports, std::uint16_t value)
{
    return std::find(ports.begin(), ports.end(), value) != ports.end();
}

bool isDigit07(char c)
{
    return c >= '0' && c <= '7';
}
bool isInputLetter(char c)
{
    return c == 'i' || c == 'I';
}
bool isOperator(char c)
{
    return c == '+' || c == '*';
}

} // namespace

bool checkIpSettings(const ModuleRecord& record)
{
    const std::uint32_t ip = hostOrder(record.local_ip);
    const std::uint32_t mask = hostOrder(record.subnet_mask);
    if (const std::uint32_t net = classMask(ip); net != 0) {
        if (ip == (ip & net) || ip == (ip | ~net))
            return false;
    }
    const std::uint32_t host = ip & ~mask;
    if (host == 0 || host == ~mask)
        return false;
    const std::uint32_t first = ip >> 24;
    return ip != 0 && first != 255 && first != 127 && ip < 0xE0000000u;
}

int checkPorts(const ModuleRecord& record)
{
    const auto ports = portsUnderTest(record);
    for (std::size_t i = 0; i < ports.size(); ++i)
        for (std::size_t j = i + 1; j < ports.size(); ++j)
            if (ports[i] == ports[j] && ports[i] != 0)
                return -100;
    if (anyPortIs(ports, 23))
        return -101;
    if (isIoProduct(record)) {
        const std::uint32_t ioFlags = loadLe32(record.io_settings.data());
        if ((ioFlags & kIoModbusOff) == 0 &&
            anyPortIs(ports, loadLe16(record.io_settings.data() + kIoModbusPort)))
            return -102;
        if ((record.option_flags & kWebPortCheck) != 0 &&
            anyPortIs(ports, loadLe16(record.web_settings.data())))
            return -103;
    }
    for (const ChannelEntry& entry : record.channel) {
        if (entry.present != 1 || entry.mux_type != kMuxU2s)
            continue;
        if (entry.local_port == 50005)
            return -104;
        if (entry.local_port == 50006)
            return -105;
    }
    return 0;
}

bool isValidMacro(std::span<const std::uint8_t> macro)
{
    std::string s;
    for (std::uint8_t byte : macro)
        if (byte != ' ' && byte != 0)
            s.push_back(static_cast<char>(byte));
    const std::size_t n = s.size();
    constexpr std::string_view kAllowed = "+*/()iI01234567";
    for (std::size_t p = 0; p < n; ++p) {
        const char c = s[p];
        if (kAllowed.find(c) == std::string_view::npos)
            return false;
        if (isInputLetter(c) && (p + 1 >= n || !isDigit07(s[p + 1])))
            return false;
        if (isDigit07(c) && (p == 0 || !isInputLetter(s[p - 1])))
            return false;
    }
    int openings = 0;
    int closings = 0;
    for (std::size_t p = 0; p < n; ++p) {
        const char c = s[p];
        const char before = p == 0 ? s[0] : s[p - 1];
        const bool last = p + 1 == n;
        if (c == '(') {
            if (!isOperator(before) && before != '/' && before != '(')
                return false;
            ++openings;
        } else if (c == ')') {
            if (!isDigit07(before))
                return false;
            ++closings;
        } else if (isOperator(c)) {
            if ((!isDigit07(before) && before != ')') || last)
                return false;
        } else if (c == '/') {
            if (p != 0 && !isOperator(before) && before != '(')
                return false;
            if (last || (s[p + 1] != '(' && !isInputLetter(s[p + 1])))
                return false;
        }
    }
    return openings == closings;
}

int checkMacros(const ModuleRecord& record)
{
    if (!isIoProduct(record) || (loadLe32(record.io_settings.data()) & kIoMacrosInUse) == 0)
        return 0;
    for (std::size_t j = 0; j < record.macro.size(); ++j)
        if (!isValidMacro(record.macro[j]))
            return static_cast<int>(j + 1);
    return 0;
}

bool checkIoAddresses(const ModuleRecord& record)
{
    const int a = loadLe16(record.io_settings.data() + kIoFirstAddress);
    const int b = loadLe16(record.io_settings.data() + kIoSecondAddress);
    const int distance = std::abs(a - b);
    if (productIs(record, {16}, {32, 33}))
        return distance >= 8;
    if (productIs(record, {34}, {34}))
        return distance >= 4;
    return true;
}

} // namespace quarlink::netmgmt
