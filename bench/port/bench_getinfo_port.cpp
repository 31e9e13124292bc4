// Times Get Info against a module on a serial port given by name, on the engine and session that
// quarlink-cli get uses: the whole sequence with the port opened and closed each time, and the
// sequence alone on a port kept open. bench/wine/getinfo runs it on Linux (the simulator's
// pseudo-terminal) and under Wine (the same terminal as a COM port) and sets the two side by side.
//   bench_getinfo_port PORT [ROUNDS]
// Prints two lines, "open+get+close MEDIAN BEST" and "get MEDIAN BEST", in milliseconds.
#include "RunTimes.h"
#include "cli/SerialSession.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace quarlink;

namespace {

bool timeRuns(int rounds, bench::Times& times, const std::function<bool()>& run)
{
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!run())
            return false;
        times.runs.push_back(std::chrono::steady_clock::now() - start);
    }
    return true;
}

void print(const char* what, const bench::Times& times)
{
    std::printf("%s %.3f %.3f\n", what, times.median().count() * 1e3, times.best().count() * 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_getinfo_port PORT [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    cli::LineChoice choice;
    choice.port = QString::fromLocal8Bit(argv[1]);

    bench::Times whole;
    const bool wholeOk = timeRuns(rounds, whole, [&] {
        cli::SerialSession session;
        cli::ModuleReadout readout;
        return session.open(choice) && session.readSettings(readout);
    });
    bench::Times sequence;
    cli::SerialSession session;
    const bool sequenceOk = wholeOk && session.open(choice) && timeRuns(rounds, sequence, [&] {
        cli::ModuleReadout readout;
        return session.readSettings(readout);
    });
    if (!sequenceOk) {
        std::fprintf(stderr, "Get Info on %s failed\n", argv[1]);
        return 1;
    }
    print("open+get+close", whole);
    print("get", sequence);
    return 0;
}
