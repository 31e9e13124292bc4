// The claim on a local management port: one holder per port at a time, released with its
// holder, and a bounded wait that says it is waiting.
#include "cli/ManagementPortLock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quarlink::cli {
namespace {

using namespace std::chrono_literals;

TEST(ManagementPortLock, OneHolderPerPortUntilReleased)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    std::string error;
    int waits = 0;
    const auto countWait = [&waits] { ++waits; };

    auto first = ManagementPortLock::claim(50005, folder, 0ms, countWait, error);
    ASSERT_TRUE(first) << error;
    EXPECT_FALSE(ManagementPortLock::claim(50005, folder, 0ms, countWait, error));
    EXPECT_EQ(error, "still in use after 0 s");
    EXPECT_EQ(waits, 0); // no time to wait, nothing said about waiting
    EXPECT_FALSE(ManagementPortLock::claim(50005, folder, 3 * ManagementPortLock::kPollPeriod,
                                           countWait, error));
    EXPECT_EQ(waits, 1);
    // Another port, and "any free port", are not shared with the first holder.
    EXPECT_TRUE(ManagementPortLock::claim(50006, folder, 0ms, countWait, error));
    EXPECT_TRUE(ManagementPortLock::claim(0, folder, 0ms, countWait, error));
    EXPECT_TRUE(ManagementPortLock::claim(0, folder, 0ms, countWait, error));

    first.reset();
    EXPECT_TRUE(ManagementPortLock::claim(50005, folder, 0ms, countWait, error)) << error;

    EXPECT_FALSE(ManagementPortLock::claim(50005, folder + "/missing", 0ms, countWait, error));
    EXPECT_NE(error.find("/missing/quarlink-mgmt-udp-50005.lock: "), std::string::npos) << error;
}

} // namespace
} // namespace quarlink::cli
