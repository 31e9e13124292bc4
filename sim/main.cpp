// quarlink-sim: the simulated module on a pseudo-terminal (on Windows one end of a COM port
// pair), and simulated modules on the LAN, for the demo and for tests.
#include "netmgmt/ManagementParameters.h"
#include "os/ModuleLine.h"
#include "os/Process.h"
#include "sim/DefaultSettings.h"
#include "sim/LanRunner.h"
#include "sim/LanStateFile.h"
#include "sim/ModuleRunner.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quarlink::sim;

ModuleRunner* g_runner = nullptr;
LanRunner* g_lan = nullptr;

void stopServing()
{
    if (g_runner)
        g_runner->requestStop();
    if (g_lan)
        g_lan->requestStop();
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "quarlink-sim: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseSimOptions(quarlink::os::commandLineArguments(argc, argv));
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

    std::vector<LanModuleState> savedLan;
    if (!options.stateFile.empty()) {
        LanStateLoad load = loadLanModules(options.stateFile);
        if (!load.ok)
            return fail("cannot load the state: " + load.error);
        savedLan = std::move(load.modules);
    }
    std::unique_ptr<LanRunner> lan;
    if (auto modules = buildLanModules(savedLan, options.lanModules); !modules.empty()) {
        LanConfig lanConfig;
        lanConfig.modules = std::move(modules);
        lanConfig.port = options.lanPort;
        lanConfig.broadcastAddress = options.lanBroadcast;
        lanConfig.key = options.managementKey;
        if (!options.stateFile.empty())
            lanConfig.onCommit = [path = options.stateFile](const auto& states) {
                std::string error;
                if (!saveLanModules(path, states, error))
                    std::fprintf(stderr, "quarlink-sim: cannot save the state: %s\n",
                                 error.c_str());
            };
        lan = std::make_unique<LanRunner>(std::move(lanConfig));
        std::string error;
        if (!lan->open(error))
            return fail("cannot serve the LAN modules: " + error);
        if (!options.stateFile.empty() && !saveLanModules(options.stateFile, lan->modules(), error))
            return fail("cannot save the state: " + error);
    }

    RunnerConfig config;
    config.faults = options.faults;
    config.stateFile = options.stateFile;
    config.firmwareVerdict = options.firmwareVerdict;
    config.firmwareFlashTime = options.firmwareFlashTime;
    config.firmwareAddress = options.firmwareAddress;
    config.firmwarePort = options.firmwarePort;
    config.lineBaud = options.line.baudRate;
    if (options.logPath) {
        auto log = LineLog::open(*options.logPath);
        if (!log)
            return fail("cannot open the log " + *options.logPath);
        config.log = std::move(*log);
    }

    std::string error;
    const auto line = quarlink::os::ModuleLine::open(options.line, options.portName, error);
    if (!line)
        return fail("cannot open the line: " + error);
    std::unique_ptr<quarlink::os::DeviceLink> link;
    if (!options.linkPath.empty()) {
        link = quarlink::os::DeviceLink::create(options.linkPath, line->devicePath(), error);
        if (!link)
            return fail("cannot make the link: " + error);
    }

    ModuleRunner runner(*line, settings, std::move(config));
    if (!runner.openFirmwareListener(error))
        return fail("cannot listen for firmware: " + error);
    g_runner = &runner;
    g_lan = lan.get();
    quarlink::os::onStopRequest(stopServing);

    std::printf("%s\n", line->devicePath().c_str());
    if (const FirmwareListener* listener = runner.firmwareListener())
        std::printf("firmware %s:%u\n", listener->address().c_str(), listener->port());
    if (lan) {
        for (const LanModuleState& module : lan->modules())
            std::printf("lan %s:%u %s\n", quarlink::netmgmt::formatIpv4(module.address).c_str(),
                        lan->port(), toCompactHex(module.mac).c_str());
    }
    std::fflush(stdout);

    std::thread lanThread;
    int lanResult = 0;
    if (lan)
        lanThread = std::thread([&lan, &lanResult] { lanResult = lan->run(); });
    int result = runner.run();
    if (lan) {
        lan->requestStop();
        lanThread.join();
        result = result != 0 ? result : lanResult;
    }
    g_runner = nullptr;
    g_lan = nullptr;
    return result;
}
