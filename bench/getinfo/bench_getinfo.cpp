// Times whole Get Info sequences: the real form and sequence engine reading every setting from
// the simulated module over a pseudo-terminal. Prints the time per sequence and its ratio to
// the 30 ms budget of an operator's click.
#include "common/FakePortList.h"
#include "common/RecordingPrompter.h"
#include "form/CQuarlinkView.h"
#include "resources/ControlIds.h"
#include "sim/SimulatedModule.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quarlink;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    constexpr double kBudgetMs = 30.0;

    std::string error;
    auto module = sim::SimulatedModule::start({}, error);
    if (!module) {
        std::fprintf(stderr, "cannot start the simulated module: %s\n", error.c_str());
        return 1;
    }
    testing::RecordingPrompter prompter;
    testing::FakePortList ports;
    ports.entries = std::vector<platform::PortEntry>{{QString::fromStdString(module->devicePath()), {}}};
    form::CQuarlinkView view(&ports);
    view.OnInitialUpdate();
    view.control<QAbstractButton>(ids::IDC_OPEN)->click();
    if (!view.isPortOpen()) {
        std::fprintf(stderr, "cannot open %s\n", module->devicePath().c_str());
        return 1;
    }

    std::vector<double> times;
    QWidget* setInfo = view.control(ids::IDC_SET_INFO);
    for (int i = 0; i < rounds; ++i) {
        setInfo->setEnabled(false);
        QElapsedTimer clock;
        clock.start();
        view.OnGetInfo();
        while (!setInfo->isEnabled() && prompter.messages.empty() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        if (!prompter.messages.empty() || !setInfo->isEnabled()) {
            std::fprintf(stderr, "Get Info failed: %s\n",
                         qPrintable(prompter.texts().join(QStringLiteral("; "))));
            return 1;
        }
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("Get Info sequences: %d, 34 frames each\n", rounds);
    std::printf("  best   %7.2f ms\n  median %7.2f ms\n  worst  %7.2f ms\n", times.front(), median,
                times.back());
    std::printf("  median / %.0f ms budget = %.2f\n", kBudgetMs, median / kBudgetMs);
    return 0;
}
