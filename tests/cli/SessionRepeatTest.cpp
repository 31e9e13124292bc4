// Many serial sessions one after another in one process, on one port of the simulated module:
// each session closes with a go-ahead whose answer may reach the next one, and every session
// must still end with its readout well within its answer time-outs.
#include "cli/SerialSession.h"
#include "sim/SimulatedModule.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace quarlink::cli::testing {
namespace {

TEST(SerialSessionRepeat, AThousandGetInfoSessionsInARowAllEndWithTheirReadout)
{
    constexpr int kSessions = 1000;
    // Generous for a loaded machine; one session left waiting runs into its 60 s limit.
    constexpr qint64 kTotalLimitMs = 100000;

    std::string error;
    const auto module = sim::SimulatedModule::start({}, error);
    ASSERT_TRUE(module) << error;
    LineChoice choice;
    choice.port = QString::fromStdString(module->devicePath());

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kSessions; ++i) {
        SerialSession session;
        ModuleReadout readout;
        ASSERT_TRUE(session.open(choice)) << "session " << i;
        ASSERT_TRUE(session.readSettings(readout)) << "session " << i;
        ASSERT_EQ(readout.items.size(), serial::kSettingsItems.size()) << "session " << i;
    }
    EXPECT_LT(clock.elapsed(), kTotalLimitMs);
}

} // namespace
} // namespace quarlink::cli::testing
