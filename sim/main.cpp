// quarlink-sim: the simulated module on a pseudo-terminal, for the demo and for tests.
#include "sim/DefaultSettings.h"
#include "sim/ModuleRunner.h"
#include "sim/PseudoTerminal.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace quarlink::sim;

ModuleRunner* g_runner = nullptr;

extern "C" void onStopSignal(int)
{
    if (g_runner)
        g_runner->requestStop();
}

void installStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "quarlink-sim: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "quarlink-sim: %s\nTry 'quarlink-sim --help'.\n",
                     parsed.error.c_str());
        return 2;
    }
    const SimOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(simHelpText().c_str(), stdout);
        return 0;
    }

    ModuleSettings settings = defaultModuleSettings();
    if (!options.stateFile.empty()) {
        StateLoad load = loadStateFile(options.stateFile, settings);
        if (load.status == StateLoad::Status::Invalid)
            return fail("cannot load the state: " + load.error);
        settings = load.settings;
    }

    RunnerConfig config;
    config.faults = options.faults;
    config.stateFile = options.stateFile;
    config.firmwareVerdict = options.firmwareVerdict;
    config.firmwareFlashTime = options.firmwareFlashTime;
    config.firmwareAddress = options.firmwareAddress;
    config.firmwarePort = options.firmwarePort;
    if (options.logPath) {
        auto log = LineLog::open(*options.logPath);
        if (!log)
            return fail("cannot open the log " + *options.logPath);
        config.log = std::move(*log);
    }

    std::string error;
    const auto pty = PseudoTerminal::open(options.line, error);
    if (!pty)
        return fail("cannot open a pseudo-terminal: " + error);
    std::unique_ptr<DeviceLink> link;
    if (!options.linkPath.empty()) {
        link = DeviceLink::create(options.linkPath, pty->slavePath(), error);
        if (!link)
            return fail("cannot make the link: " + error);
    }

    ModuleRunner runner(pty->masterFd(), settings, std::move(config));
    if (!runner.openFirmwareListener(error))
        return fail("cannot listen for firmware: " + error);
    g_runner = &runner;
    installStopHandlers();

    std::printf("%s\n", pty->slavePath().c_str());
    if (const FirmwareListener* listener = runner.firmwareListener())
        std::printf("%s:%u\n", listener->address().c_str(), listener->port());
    std::fflush(stdout);

    const int result = runner.run();
    g_runner = nullptr;
    return result;
}
