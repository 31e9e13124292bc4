// The hand-over with a Qt event loop as the owner, the way the form receives its chunks.
#include "serial/SerialConnection.h"
#include "tests/serial/PtyPair.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

namespace quarlink::serial {
namespace {

PostToOwner postToApplication()
{
    return [](std::function<void()> closure) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(closure),
                                  Qt::QueuedConnection);
    };
}

TEST(SerialQtHandOver, HalfAMegabyteReachesTheEventLoopInOrder)
{
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const auto bytes = testing::testPattern(512 * 1024);

    QEventLoop loop;
    std::vector<std::uint8_t> received;
    std::size_t largestChunk = 0;
    SerialConnection connection(postToApplication(),
                                {[&](std::span<const std::uint8_t> chunk) {
                                     largestChunk = std::max(largestChunk, chunk.size());
                                     received.insert(received.end(), chunk.begin(), chunk.end());
                                     if (received.size() >= bytes.size())
                                         loop.quit();
                                 },
                                 [&] { loop.quit(); }});
    ASSERT_TRUE(connection.open(pty.slavePath(), LineSettings{115200, kParityNone, 8, 1}).ok());

    std::thread farEnd([&] { EXPECT_TRUE(pty.writeToMaster(bytes)); });
    QTimer::singleShot(std::chrono::seconds(20), &loop, &QEventLoop::quit); // safety only
    loop.exec();
    farEnd.join();
    connection.close();

    EXPECT_LE(largestChunk, SerialReader::kChunkSize);
    EXPECT_EQ(received.size(), bytes.size());
    EXPECT_TRUE(received == bytes);
}

} // namespace
} // namespace quarlink::serial
