// The platform layer: window timers by id and the lock key reader.
#include "platform/LockKeyState.h"
#include "platform/WindowTimers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quarlink::platform {
namespace {

using namespace std::chrono_literals;

TEST(WindowTimers, SetRestartsKillStopsAndExpiryCallsTheHandlerWithTheId)
{
    std::vector<int> fired;
    WindowTimers timers([&](int id) { fired.push_back(id); });
    EXPECT_FALSE(timers.isActive(1));
    timers.setTimer(1, 2000ms);
    timers.setTimer(2, 5ms);
    EXPECT_TRUE(timers.isActive(1));
    EXPECT_EQ(timers.period(1), 2000ms);

    QElapsedTimer clock;
    clock.start();
    while (fired.empty() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    ASSERT_FALSE(fired.empty());
    EXPECT_EQ(fired.front(), 2);

    timers.killTimer(1);
    timers.killTimer(2);
    timers.killTimer(7); // never set: harmless
    EXPECT_FALSE(timers.isActive(1));
    EXPECT_FALSE(timers.isActive(2));
}

void writeLed(const QDir& root, const QString& name, const char* value)
{
    root.mkpath(name);
    QFile f(root.filePath(name + "/brightness"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(value);
}

TEST(LockKeyState, ReadsKeyboardLedsAndReportsNothingWhereThereAreNone)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    EXPECT_FALSE(lockKeyState(LockKey::Caps, dir.path()).has_value());

    writeLed(root, "input3::capslock", "1\n");
    writeLed(root, "input3::numlock", "0\n");
    writeLed(root, "input9::numlock", "1\n"); // a second keyboard shows Num Lock on
    EXPECT_EQ(lockKeyState(LockKey::Caps, dir.path()), true);
    EXPECT_EQ(lockKeyState(LockKey::Num, dir.path()), true);
    EXPECT_FALSE(lockKeyState(LockKey::Scroll, dir.path()).has_value());
}

} // namespace
} // namespace quarlink::platform
