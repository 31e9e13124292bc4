// Process and console on POSIX: signals, isatty, argv as given.
#include "os/Process.h"

#include <csignal>

#include <unistd.h>

extern char** environ;

namespace quarlink::os {

namespace {

void (*g_stopHandler)() = nullptr;

extern "C" void onStopSignal(int)
{
    if (g_stopHandler)
        g_stopHandler();
}

} // namespace

void prepareConsoleOutput()
{
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe on standard output must not kill a session
}

void onStopRequest(void (*handler)())
{
    g_stopHandler = handler;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    prepareConsoleOutput();
}

bool isTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

int currentProcessId()
{
    return static_cast<int>(::getpid());
}

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

std::FILE* openFileStream(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::tm localTime(std::time_t moment)
{
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

std::string setVariableCommand(const std::string& name, const std::string& value)
{
    return "export " + name + "=" + value;
}

std::string unsetVariableCommand(const std::string& name)
{
    return "unset " + name;
}

std::vector<std::string> environmentEntries()
{
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

} // namespace quarlink::os
