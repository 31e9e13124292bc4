// Process and console on Windows: the console's UTF-8 code page and binary streams, console
// control events, the wide command line.
#include "os/Process.h"

#include "os/win32/Text.h"

#include <windows.h>

#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

namespace quarlink::os {

namespace {

void (*g_stopHandler)() = nullptr;

BOOL WINAPI onConsoleControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (g_stopHandler)
            g_stopHandler();
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void prepareConsoleOutput()
{
    // The program writes UTF-8; the console shows it as such. Binary mode keeps "\n" as it is
    // and lets no byte be translated on the way to a file or pipe.
    ::SetConsoleOutputCP(CP_UTF8);
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

void onStopRequest(void (*handler)())
{
    g_stopHandler = handler;
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
    prepareConsoleOutput();
}

bool isTerminal(std::FILE* stream)
{
    return ::_isatty(::_fileno(stream)) != 0;
}

int currentProcessId()
{
    return static_cast<int>(::GetCurrentProcessId());
}

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                        : std::vector<std::string>();
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(win32::utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

std::FILE* openFileStream(const std::string& path, const char* mode)
{
    return ::_wfopen(win32::wideFromUtf8(path).c_str(), win32::wideFromUtf8(mode).c_str());
}

std::tm localTime(std::time_t moment)
{
    std::tm local{};
    ::localtime_s(&local, &moment);
    return local;
}

std::string setVariableCommand(const std::string& name, const std::string& value)
{
    return "set " + name + "=" + value;
}

std::string unsetVariableCommand(const std::string& name)
{
    return "set " + name + "=";
}

std::vector<std::string> environmentEntries()
{
    std::vector<std::string> entries;
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block)
        return entries;
    // NAME=VALUE strings one after another, ended by an empty one; the ones starting with '='
    // are the drives' current folders, no variables.
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1)
        if (*entry != L'=')
            entries.push_back(win32::utf8FromWide(entry));
    ::FreeEnvironmentStringsW(block);
    return entries;
}

} // namespace quarlink::os
