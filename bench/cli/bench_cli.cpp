// Times `quarlink-cli get --json` as a whole process (start, open, Get Info, JSON, exit) against
// the simulated module, beside the same Get Info sequence run in-process on the same engine,
// port and reader. Prints both medians and their ratio.
#include "cli/SerialSession.h"
#include "sim/SimulatedModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quarlink;

namespace {

// Median time of `rounds` runs in milliseconds; nothing when a run fails.
std::optional<double> medianMs(int rounds, const std::function<bool()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run())
            return std::nullopt;
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    std::string error;
    auto module = sim::SimulatedModule::start({}, error);
    if (!module) {
        std::fprintf(stderr, "cannot start the simulated module: %s\n", error.c_str());
        return 1;
    }
    const QString port = QString::fromStdString(module->devicePath());

    const auto process = medianMs(rounds, [&] {
        QProcess cli;
        cli.start(
            QStringLiteral(QUARLINK_CLI_PROGRAM),
            {QStringLiteral("get"), QStringLiteral("--json"), QStringLiteral("--port"), port});
        return cli.waitForFinished(10000) && cli.exitCode() == 0 &&
               cli.readAllStandardOutput().contains("\"mac\"");
    });

    cli::LineChoice choice;
    choice.port = port;
    const auto engine = medianMs(rounds, [&] {
        cli::SerialSession session;
        cli::ModuleReadout readout;
        return session.open(choice) && session.readSettings(readout);
    });

    if (!process || !engine) {
        std::fprintf(stderr, "Get Info failed\n");
        return 1;
    }
    std::printf("Get Info against the simulated module, median of %d runs:\n", rounds);
    std::printf("  quarlink-cli get --json, whole process  %7.2f ms\n", *process);
    std::printf("  same sequence in-process (open+close)   %7.2f ms\n", *engine);
    std::printf("  process / in-process = %.2f\n", *process / *engine);
    return 0;
}
