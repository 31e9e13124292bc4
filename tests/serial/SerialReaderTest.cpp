// The reader thread and its hand-over: chunking, order, stop while a chunk waits, hang-up.
#include "serial/SerialConnection.h"
#include "tests/serial/OwnerQueue.h"
#include "tests/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace quarlink::serial {
namespace {

using namespace std::chrono_literals;

// A connection on a fresh pseudo-terminal whose owner is the test thread.
class SerialReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.ok());
        const os::OpenResult result = m_connection.open(m_pty.slavePath(), LineSettings{});
        ASSERT_TRUE(result.ok()) << result.reason;
    }

    ReaderCallbacks recordingCallbacks()
    {
        return {[this](std::span<const std::uint8_t> chunk) {
                    m_chunkSizes.push_back(chunk.size());
                    m_received.insert(m_received.end(), chunk.begin(), chunk.end());
                },
                [this] { ++m_hangUps; }};
    }

    // Sends `bytes` from the far end and lets the owner handle chunks until all have come.
    void sendAndReceive(const std::vector<std::uint8_t>& bytes)
    {
        std::thread farEnd([&] { EXPECT_TRUE(m_pty.writeToMaster(bytes)); });
        EXPECT_TRUE(receiveAtLeast(bytes.size()));
        farEnd.join();
    }

    // Lets the owner handle chunks until `size` bytes have come; false on a hang-up.
    bool receiveAtLeast(std::size_t size)
    {
        return m_owner.runUntil([&] { return m_received.size() >= size || m_hangUps > 0; }) &&
               m_hangUps == 0;
    }

    void expectReceivedInChunksOfAtMost2048(const std::vector<std::uint8_t>& bytes)
    {
        EXPECT_EQ(m_received.size(), bytes.size());
        EXPECT_TRUE(m_received == bytes) << "bytes lost, doubled or out of order";
        for (std::size_t size : m_chunkSizes) {
            EXPECT_GE(size, 1u);
            EXPECT_LE(size, SerialReader::kChunkSize);
        }
    }

    testing::PtyPair m_pty;
    testing::OwnerQueue m_owner;
    std::vector<std::uint8_t> m_received;
    std::vector<std::size_t> m_chunkSizes;
    int m_hangUps = 0;
    SerialConnection m_connection{m_owner.poster(), recordingCallbacks()};
};

TEST_F(SerialReaderTest, ABurstArrivesInOrderInChunksOfAtMost2048Bytes)
{
    for (std::size_t size : {std::size_t{5000}, std::size_t{512 * 1024}}) {
        SCOPED_TRACE(size);
        m_received.clear();
        m_chunkSizes.clear();
        const auto bytes = testing::testPattern(size);
        sendAndReceive(bytes);
        expectReceivedInChunksOfAtMost2048(bytes);
        EXPECT_GE(m_chunkSizes.size(),
                  (size + SerialReader::kChunkSize - 1) / SerialReader::kChunkSize);
    }
}

TEST_F(SerialReaderTest, TheReaderWaitsForTheOwnerBeforeReadingOn)
{
    constexpr std::size_t kOneHandOver =
        SerialReader::kChunkSize * SerialReader::kChunksPerHandOver;
    const auto bytes = testing::testPattern(kOneHandOver + 5000);
    std::thread farEnd([&] { EXPECT_TRUE(m_pty.writeToMaster(bytes)); });
    ASSERT_TRUE(m_owner.waitForPending(1));
    // More is waiting in the device, yet nothing more is posted until the owner has handled
    // what it was given.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(m_owner.pending(), 1u);
    m_owner.runPending();
    EXPECT_LE(m_received.size(), kOneHandOver);
    EXPECT_TRUE(receiveAtLeast(bytes.size()));
    farEnd.join();
    expectReceivedInChunksOfAtMost2048(bytes);
}

TEST_F(SerialReaderTest, AQuietDeviceKeepsTheReaderWaiting)
{
    for (int message = 0; message < 3; ++message) {
        m_received.clear();
        const auto bytes = testing::testPattern(19);
        ASSERT_TRUE(m_pty.writeToMaster(bytes));
        EXPECT_TRUE(receiveAtLeast(bytes.size()));
        EXPECT_EQ(m_received, bytes);
    }
    EXPECT_FALSE(m_connection.reader().hasEnded());
    EXPECT_EQ(m_hangUps, 0);
}

TEST_F(SerialReaderTest, CloseReturnsPromptlyWhileAHandOverIsPendingAndDropsThatChunk)
{
    ASSERT_TRUE(m_pty.writeToMaster(testing::testPattern(100)));
    ASSERT_TRUE(m_owner.waitForPending(1));

    const auto start = std::chrono::steady_clock::now();
    m_connection.close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(m_connection.isOpen());

    // The posted closure runs after the close and does nothing.
    m_owner.runPending();
    EXPECT_TRUE(m_received.empty());
    EXPECT_EQ(m_hangUps, 0);
}

TEST_F(SerialReaderTest, TheOwnerMayCloseWhileHandlingAChunk)
{
    SerialConnection* connection = &m_connection;
    int chunks = 0;
    SerialConnection closing(m_owner.poster(), {[&](std::span<const std::uint8_t>) {
                                                    ++chunks;
                                                    connection->close();
                                                },
                                                [] {}});
    m_connection.close();
    connection = &closing;
    ASSERT_TRUE(closing.open(m_pty.slavePath(), LineSettings{}).ok());
    ASSERT_TRUE(m_pty.writeToMaster(testing::testPattern(5000)));
    EXPECT_TRUE(m_owner.runUntil([&] { return chunks == 1; }));
    m_owner.runPending();
    EXPECT_EQ(chunks, 1) << "no chunk after the close";
    EXPECT_FALSE(closing.isOpen());
    EXPECT_TRUE(closing.reader().hasEnded());
}

TEST_F(SerialReaderTest, TheFarEndClosingEndsTheReaderWithOneHangUp)
{
    const auto bytes = testing::testPattern(300);
    ASSERT_TRUE(m_pty.writeToMaster(bytes));
    EXPECT_TRUE(m_owner.runUntil([&] { return m_received.size() >= bytes.size(); }));
    m_pty.closeMaster();

    EXPECT_TRUE(m_owner.runUntil([&] { return m_hangUps > 0; }));
    // The thread has left its loop: it cannot spin on the dead device.
    EXPECT_TRUE(m_connection.reader().hasEnded());
    EXPECT_TRUE(m_connection.isOpen()) << "the owner closes on the hang-up, not the reader";
    m_owner.runPending();
    EXPECT_EQ(m_hangUps, 1);
    EXPECT_EQ(m_received, bytes);
    m_connection.close();
    EXPECT_FALSE(m_connection.isOpen());
}

TEST_F(SerialReaderTest, NoHangUpIsReportedAfterClose)
{
    m_pty.closeMaster();
    ASSERT_TRUE(m_owner.waitForPending(1));
    m_connection.close();
    m_owner.runPending();
    EXPECT_EQ(m_hangUps, 0);
}

TEST_F(SerialReaderTest, ReopeningStartsAFreshReader)
{
    m_connection.close();
    ASSERT_TRUE(m_connection.open(m_pty.slavePath(), LineSettings{}).ok());
    const auto bytes = testing::testPattern(5000);
    sendAndReceive(bytes);
    expectReceivedInChunksOfAtMost2048(bytes);
}

} // namespace
} // namespace quarlink::serial
