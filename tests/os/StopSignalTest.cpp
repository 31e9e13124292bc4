// The stop signal: a sleep that a request from another thread ends at once, and a request that
// stays.
#include "os/StopSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace quarlink::os {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(StopSignal, ASleepWithoutRequestLastsItsTime)
{
    StopSignal stop;
    ASSERT_TRUE(stop.isValid());
    const auto start = Clock::now();
    EXPECT_FALSE(stop.waitFor(30ms));
    EXPECT_GE(Clock::now() - start, 30ms);
    EXPECT_FALSE(stop.requested());
}

TEST(StopSignal, ARequestFromAnotherThreadEndsTheSleepAndStays)
{
    StopSignal stop;
    std::thread requester([&] {
        std::this_thread::sleep_for(20ms);
        stop.request();
    });
    const auto start = Clock::now();
    EXPECT_TRUE(stop.waitFor(60s));
    EXPECT_LT(Clock::now() - start, 10s);
    requester.join();
    EXPECT_TRUE(stop.requested());
    EXPECT_TRUE(stop.waitFor(0ms)); // once requested, every later wait ends at once
    stop.request();                 // a second request changes nothing
    EXPECT_TRUE(stop.waitFor(60s));
}

} // namespace
} // namespace quarlink::os
