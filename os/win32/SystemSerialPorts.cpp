// The COM ports from the registry key the system keeps them in (RegOpenKeyExA, RegEnumValueA),
// each with the description SetupAPI has for the device of that port name.
#include "os/SystemSerialPorts.h"

#include "os/win32/Text.h"

#include <windows.h>

// initguid.h before devguid.h, so that the port class's GUID is defined here.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <map>

namespace quarlink::os {

const char kSystemPortSource[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

namespace {

constexpr DWORD kTextSize = 255; // each value name and value text

std::wstring wideProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property)
{
    wchar_t text[512] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                             reinterpret_cast<BYTE*>(text), sizeof text - 2,
                                             nullptr) ||
        type != REG_SZ)
        return {};
    return text;
}

// "USB Serial Port (COM3)" names the port it is about; the list shows the name before it.
std::wstring withoutPortSuffix(std::wstring text, const std::wstring& port)
{
    const std::wstring suffix = L" (" + port + L")";
    if (text.size() > suffix.size() &&
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
        text.resize(text.size() - suffix.size());
    return text;
}

// The description of every present port device, by its port name (COM3).
std::map<std::string, std::string> portDescriptions()
{
    std::map<std::string, std::string> descriptions;
    const HDEVINFO devices =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return descriptions;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const HKEY key =
            ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t port[64] = {};
        DWORD size = sizeof port - 2;
        DWORD type = 0;
        const LONG read = ::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                             reinterpret_cast<BYTE*>(port), &size);
        ::RegCloseKey(key);
        if (read != ERROR_SUCCESS || type != REG_SZ || port[0] == L'\0')
            continue;
        std::wstring text =
            withoutPortSuffix(wideProperty(devices, device, SPDRP_FRIENDLYNAME), port);
        if (text.empty())
            text = wideProperty(devices, device, SPDRP_DEVICEDESC);
        if (!text.empty())
            descriptions[win32::utf8FromWide(port)] = win32::utf8FromWide(text);
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return descriptions;
}

} // namespace

std::optional<std::vector<SystemPort>> systemSerialPorts(const std::string& source)
{
    // Read access is all the list needs; asking for more fails for a user without
    // administrator rights, who would then be offered COM1 to COM9 instead of the real ports.
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, source.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<SystemPort> ports;
    bool readable = true;
    for (DWORD index = 0;; ++index) {
        char name[kTextSize + 1] = {};
        BYTE data[kTextSize + 1] = {};
        DWORD nameSize = kTextSize;
        DWORD dataSize = kTextSize;
        DWORD type = 0;
        const LONG result =
            ::RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS) {
            if (index == 0) {
                readable = false;
                break;
            }
            continue; // a later value that cannot be read is skipped
        }
        const std::string port(reinterpret_cast<const char*>(data),
                               strnlen(reinterpret_cast<const char*>(data), dataSize));
        if (type == REG_SZ && !port.empty())
            ports.push_back({port, {}, {}});
    }
    ::RegCloseKey(key);
    if (!readable)
        return std::nullopt;
    const auto descriptions = portDescriptions();
    for (SystemPort& port : ports) {
        const auto found = descriptions.find(port.name);
        if (found != descriptions.end())
            port.description = found->second;
        port.details = port.description.empty() ? port.name : port.description;
    }
    return ports;
}

} // namespace quarlink::os
