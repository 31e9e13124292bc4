// The window "Modules on the LAN" over 256 simulated LAN modules, 13 of them silent, with the
// production waits (2 s search and read, 3 s write): a search, then "Apply Settings..." of one
// key to every row (the preview), then "Write" with backups. A 1 ms timer on the window's thread
// measures how long that thread went without turning its event loop; the longest stall of each
// phase is printed against the 50 ms goal within which a window must answer input, with the
// processor time the thread spent in it (on a busy machine the rest is a wait for a processor).
#include "common/RecordingPrompter.h"
#include "lanwindow/LanModulesWindow.h"
#include "sim/SimulatedLan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>

using namespace quarlink;

namespace {

constexpr std::size_t kModules = 256;
constexpr std::size_t kSilentEvery = 19; // 13 of 256
constexpr double kGoalMs = 50.0;

// The thread's processor time so far: on a machine that other programs keep busy, a thread may
// wait for a processor without working; this tells the window's own work from that wait.
qint64 threadCpuNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Between two turns of the thread's event loop while it runs: the longest time, and the most
// processor time the thread spent.
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuNanoseconds();
            m_longest = std::max(m_longest, now - m_last);
            m_busiest = std::max(m_busiest, cpu - m_lastCpu);
            m_last = now;
            m_lastCpu = cpu;
        });
    }
    void start()
    {
        m_longest = m_busiest = 0;
        m_clock.start();
        m_last = 0;
        m_lastCpu = threadCpuNanoseconds();
        m_timer.start();
    }
    // The longest stall and the busiest turn, in milliseconds.
    std::pair<double, double> stop()
    {
        m_timer.stop();
        return {static_cast<double>(m_longest) / 1e6, static_cast<double>(m_busiest) / 1e6};
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longest = 0;
    qint64 m_busiest = 0;
};

struct Phase
{
    const char* name;
    double seconds = 0;
    double stallMs = 0;
    double busyMs = 0;
};

// Clicks `button` and turns the event loop until the window's work has ended.
Phase run(const char* name, lanwindow::LanModulesWindow& window, const char* button,
          StallWatch& watch)
{
    Phase phase{name};
    QElapsedTimer clock;
    clock.start();
    watch.start();
    window.findChild<QPushButton*>(button)->click();
    while (window.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    QCoreApplication::processEvents();
    std::tie(phase.stallMs, phase.busyMs) = watch.stop();
    phase.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return phase;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    sim::LanConfig config;
    config.port = 0;
    for (std::size_t i = 0; i < kModules; ++i)
        config.modules.push_back(
            {sim::defaultLanModule({127, 0, static_cast<std::uint8_t>(160 + i / 200),
                                    static_cast<std::uint8_t>(2 + i % 200)},
                                   static_cast<unsigned>(i + 1)),
             {}});
    std::string error;
    auto lan = sim::SimulatedLan::start(config, error);
    if (!lan) {
        std::fprintf(stderr, "cannot start the LAN modules: %s\n", error.c_str());
        return 1;
    }
    QTemporaryDir dir;
    QFile document(dir.filePath("settings.json"));
    document.open(QIODevice::WriteOnly);
    document.write(R"({"userClassId": "bench"})");
    document.close();

    testing::RecordingPrompter prompter;
    prompter.dialogAnswer = [&](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("documentPath")->setText(document.fileName());
        return int(QDialog::Accepted);
    };
    netmgmt::ManagementParameters parameters;
    parameters.modulePort = lan->port();
    parameters.localPort = 0;
    parameters.broadcastAddress = {127, 255, 255, 255};
    lanwindow::LanModulesWindow window(parameters);
    window.setBackupRoot(dir.filePath("backups"));
    window.show();

    StallWatch watch;
    std::vector<Phase> phases;
    phases.push_back(run("search", window, "searchButton", watch));
    const int found = window.modules().rowCount();
    // Switched off once found: their reads go unanswered.
    sim::LanFaults silent;
    silent.silent = true;
    for (std::size_t i = 0; i < kModules; ++i)
        if ((i + 1) % kSilentEvery == 0)
            lan->runner().setFaults(i, silent);
    window.table()->selectAll();
    phases.push_back(run("preview", window, "applyButton", watch));
    const QString preview = window.summary();
    phases.push_back(run("write", window, "writeButton", watch));

    std::printf("Modules on the LAN: %d modules found, %zu silent, one key applied to every row, "
                "waits 2 s / 3 s\n",
                found, kModules / kSilentEvery);
    std::printf("  %s\n  %s\n", preview.toUtf8().constData(),
                window.summary().toUtf8().constData());
    double longest = 0;
    double busiest = 0;
    std::printf("  phase      time   longest stall of the window's thread (of it working)\n");
    for (const Phase& phase : phases) {
        std::printf("  %-8s %6.2f s   %6.1f ms  (%5.1f ms)\n", phase.name, phase.seconds,
                    phase.stallMs, phase.busyMs);
        longest = std::max(longest, phase.stallMs);
        busiest = std::max(busiest, phase.busyMs);
    }
    std::printf("  longest stall %.1f ms / goal %.0f ms = %.2f (%s); the window's own work at most "
                "%.1f ms of it, the rest waiting for a processor\n",
                longest, kGoalMs, longest / kGoalMs,
                longest <= kGoalMs ? "within the goal" : "over the goal", busiest);
    return 0;
}
