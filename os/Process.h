// This process and its console: output as bytes that a closed pipe cannot stop, stop requests
// from the user (Ctrl+C, a termination signal), whether a stream is a terminal, the command
// line in UTF-8, files opened as C streams by UTF-8 paths, and the local time.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace quarlink::os {

// Readies standard output and error for a command-line program: a closed pipe makes writes
// fail instead of ending the process; on Windows the console shows UTF-8, and no byte is
// translated on the way (output is UTF-8 with "\n" line ends, as on Linux).
void prepareConsoleOutput();

// Calls `handler` when the user or the system asks the process to stop: SIGINT, SIGTERM or
// SIGHUP on POSIX (from a signal handler: `handler` may only request stops); Ctrl+C, Ctrl+Break
// or the console closing on Windows (from a thread of the system's). Also readies the console
// output as above.
void onStopRequest(void (*handler)());

// Whether `stream` goes to a terminal (a console window).
bool isTerminal(std::FILE* stream);

int currentProcessId();

// The arguments after the program name, in UTF-8 (on Windows from the wide command line, so
// that file names in any script arrive whole).
std::vector<std::string> commandLineArguments(int argc, char** argv);

// std::fopen for a UTF-8 path.
std::FILE* openFileStream(const std::string& path, const char* mode);

// The local calendar time of `moment`, safely from any thread.
std::tm localTime(std::time_t moment);

// The process's environment as NAME=VALUE entries in UTF-8, in the system's order.
std::vector<std::string> environmentEntries();

// The command that sets, or removes, a variable in the user's shell, for fixes shown to the
// user: "export NAME=VALUE" and "unset NAME"; on Windows "set NAME=VALUE" and "set NAME=".
std::string setVariableCommand(const std::string& name, const std::string& value);
std::string unsetVariableCommand(const std::string& name);

} // namespace quarlink::os
