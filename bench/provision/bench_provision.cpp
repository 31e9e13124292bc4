// Provisioning at scale. LAN: 256 simulated modules, 13 of them silent, one key changed on
// each, with the production waits (2 s read, 3 s write): the whole run with exchanges
// overlapped beside the same plan with one exchange at a time, in the same run. Serial: 8
// simulated modules on pseudo-terminals, quarlink-cli provision with --jobs 8 beside --jobs 1.
#include "fleet/ProvisionRun.h"
#include "sim/SimulatedLan.h"
#include "sim/SimulatedModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace quarlink;

namespace {

constexpr std::size_t kLanModules = 256;
constexpr std::size_t kSilentEvery = 19; // 13 of 256
constexpr int kSerialModules = 8;

class CountingHost final : public fleet::ProvisionHost
{
public:
    void moduleFinished(const fleet::ModuleResult& result) override { tally.add(result.outcome); }
    void progress(std::size_t, std::size_t) override {}
    fleet::Tally tally;
};

struct LanFigure
{
    double seconds = 0;
    fleet::Tally tally;
};

LanFigure runLan(std::uint16_t port, const std::vector<fleet::LanTarget>& targets,
                 std::size_t inFlight)
{
    fleet::RunRequest request;
    request.lan = targets;
    request.lanSettings.parameters.modulePort = port;
    request.lanSettings.parameters.localPort = 0;
    request.lanSettings.parameters.broadcastAddress = {127, 255, 255, 255};
    request.lanSettings.inFlight = inFlight;
    CountingHost host;
    QElapsedTimer clock;
    clock.start();
    const fleet::LanRunOutcome run = fleet::ProvisionRun(std::move(request), host).run();
    if (!run.ok) {
        std::fprintf(stderr, "LAN run failed: %s\n", run.message.c_str());
        std::exit(1);
    }
    return {static_cast<double>(clock.nsecsElapsed()) / 1e9, host.tally};
}

std::vector<fleet::LanTarget> lanTargets(const std::vector<sim::LanModuleState>& modules,
                                         const QString& userClass)
{
    std::vector<fleet::LanTarget> targets;
    for (const auto& module : modules)
        targets.push_back({module.mac, QJsonObject{{"userClassId", userClass}}, {}});
    return targets;
}

double runSerial(const QString& planPath, int jobs)
{
    QElapsedTimer clock;
    clock.start();
    QProcess cli;
    cli.start(QStringLiteral(QUARLINK_CLI_PROGRAM),
              {"provision", planPath, "--jobs", QString::number(jobs)});
    if (!cli.waitForFinished(120000) || cli.exitCode() != 0) {
        std::fprintf(stderr, "serial run failed: %s\n", cli.readAllStandardError().constData());
        std::exit(1);
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

void writePlan(const QString& path, const std::vector<std::unique_ptr<sim::SimulatedModule>>& sims,
               const QString& userClass)
{
    QJsonArray modules;
    for (const auto& module : sims)
        modules.append(QJsonObject{{"port", QString::fromStdString(module->devicePath())},
                                   {"userClassId", userClass}});
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QJsonDocument(QJsonObject{{"modules", modules}}).toJson());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string error;

    sim::LanConfig config;
    config.port = 0;
    for (std::size_t i = 0; i < kLanModules; ++i) {
        sim::LanFaults faults;
        faults.silent = (i + 1) % kSilentEvery == 0;
        config.modules.push_back(
            {sim::defaultLanModule({127, 0, static_cast<std::uint8_t>(150 + i / 200),
                                    static_cast<std::uint8_t>(2 + i % 200)},
                                   static_cast<unsigned>(i + 1)),
             faults});
    }
    auto lan = sim::SimulatedLan::start(config, error);
    if (!lan) {
        std::fprintf(stderr, "cannot start the LAN modules: %s\n", error.c_str());
        return 1;
    }
    const auto modules = lan->runner().modules();
    const LanFigure overlapped =
        runLan(lan->port(), lanTargets(modules, "fleet-A"), netmgmt::kDefaultExchangesInFlight);
    const LanFigure single = runLan(lan->port(), lanTargets(modules, "fleet-B"), 1);
    std::printf("LAN plan: %zu modules (%zu silent), one key changed on each, waits 2 s / 3 s\n",
                kLanModules, kLanModules / kSilentEvery);
    std::printf("  %zu in flight   %7.2f s  (%zu changed, %zu failed)\n",
                netmgmt::kDefaultExchangesInFlight, overlapped.seconds, overlapped.tally.changed,
                overlapped.tally.failed);
    std::printf("  one at a time  %7.2f s  (%zu changed, %zu failed)\n", single.seconds,
                single.tally.changed, single.tally.failed);
    std::printf("  one at a time / overlapped = %.1f\n", single.seconds / overlapped.seconds);

    std::vector<std::unique_ptr<sim::SimulatedModule>> sims;
    for (int i = 0; i < kSerialModules; ++i) {
        // Each with a MAC address of its own, as a run provisions no two modules that report one.
        sim::SimulatedModuleConfig module;
        auto identity = module.settings.identity();
        identity[serial::identity::Mac + 5] = static_cast<std::uint8_t>(0x70 + i);
        module.settings.setIdentity(identity);
        sims.push_back(sim::SimulatedModule::start(module, error));
        if (!sims.back()) {
            std::fprintf(stderr, "cannot start a serial module: %s\n", error.c_str());
            return 1;
        }
    }
    QTemporaryDir dir;
    const QString plan = dir.filePath("plan.json");
    writePlan(plan, sims, "serial-A");
    const double parallel = runSerial(plan, kSerialModules);
    writePlan(plan, sims, "serial-B");
    const double sequential = runSerial(plan, 1);
    std::printf("Serial plan: %d modules on pseudo-terminals, one key changed on each\n",
                kSerialModules);
    std::printf("  --jobs %d   %7.2f s\n", kSerialModules, parallel);
    std::printf("  --jobs 1   %7.2f s\n", sequential);
    std::printf("  --jobs 1 / --jobs %d = %.1f\n", kSerialModules, sequential / parallel);
    return 0;
}
