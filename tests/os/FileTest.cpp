// Files, lock files and private files: what is written is read back whole, kinds and sizes are
// told apart, a lock has one holder at a time, and a private file replaces an older one whole.
#include "os/File.h"
#include "os/FileLock.h"
#include "os/PrivateFile.h"
#include "tests/os/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace quarlink::os {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes contentOf(const std::string& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Bytes a text-mode file would change: line ends, a Ctrl+Z, a zero byte.
const Bytes kBinary{'a', '\r', '\n', '\n', 0x1A, 0x00, 0xFF, 'z'};

TEST(File, WrittenBytesReadBackUnchangedAndTruncationCutsTheRest)
{
    testing::TemporaryFolder folder;
    const std::string path = folder.file("data.bin");
    {
        auto file = File::openForWriting(path);
        ASSERT_TRUE(file);
        const Bytes longer(100, 0x55);
        ASSERT_TRUE(file->writeAll(longer));
        ASSERT_TRUE(file->close());
    }
    {
        // Reopened for writing, the file keeps its bytes until written over and cut.
        auto file = File::openForWriting(path);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->writeAll(kBinary));
        ASSERT_TRUE(file->truncate(kBinary.size()));
        ASSERT_TRUE(file->close());
    }
    EXPECT_EQ(contentOf(path), kBinary);

    auto file = File::openForReading(path);
    ASSERT_TRUE(file);
    const auto info = file->info();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->kind, File::Kind::Regular);
    EXPECT_EQ(info->size, kBinary.size());
    Bytes read(kBinary.size() + 10);
    const auto got = file->readUpTo(read);
    ASSERT_TRUE(got);
    read.resize(*got);
    EXPECT_EQ(read, kBinary);
}

TEST(File, MissingFilesDoNotOpenAndFoldersAreNoRegularFiles)
{
    testing::TemporaryFolder folder;
    EXPECT_FALSE(File::openForReading(folder.file("missing")));
    EXPECT_FALSE(File::openForWriting(folder.file("missing/inner")));
    // A folder either does not open as a file at all, or says it is a folder.
    if (auto opened = File::openForReading(folder.path().string())) {
        const auto info = opened->info();
        ASSERT_TRUE(info);
        EXPECT_EQ(info->kind, File::Kind::Directory);
    }
}

TEST(FileLock, OneHolderAtATimeAlsoWithinOneProcess)
{
    testing::TemporaryFolder folder;
    const std::string path = folder.file("port.lock");
    std::string error;
    auto first = FileLock::open(path, error);
    auto second = FileLock::open(path, error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_EQ(first->tryLock(error), FileLock::Attempt::Locked) << error;
    EXPECT_EQ(second->tryLock(error), FileLock::Attempt::Busy);
    first.reset();
    EXPECT_EQ(second->tryLock(error), FileLock::Attempt::Locked) << error;

    EXPECT_FALSE(FileLock::open(folder.file("missing/port.lock"), error));
    EXPECT_EQ(error.rfind(folder.file("missing/port.lock") + ": ", 0), 0u) << error;
    EXPECT_FALSE(systemLockFolder().empty());
}

TEST(PrivateFile, ReplacesAnOlderFileWholeAndLeavesNothingElse)
{
    testing::TemporaryFolder folder;
    const std::string path = folder.file("backup.json");
    ASSERT_FALSE(writePrivateFile(path, Bytes(5000, 'x')));
    ASSERT_FALSE(writePrivateFile(path, kBinary));
    EXPECT_EQ(contentOf(path), kBinary);
    // The temporary file went with the rename.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);

    const auto failure = writePrivateFile(folder.file("missing/backup.json"), kBinary);
    ASSERT_TRUE(failure);
    EXPECT_STREQ(failure->step, "create a temporary file");
    EXPECT_NE(failure->error, 0);
}

} // namespace
} // namespace quarlink::os
