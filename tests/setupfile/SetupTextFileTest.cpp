// The setup variables file: size checks before a read, whole reads only, saves that leave no
// stale bytes, and the texts of the operator's messages.
#include "setupfile/SetupTextFile.h"
#include "SetupFileTestSupport.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace quarlink::testing {
namespace {

using setupfile::FileStatus;

TEST(SetupTextFile, ReadTakesOnlyFilesThatFitBeforeTheTerminatingZero)
{
    const struct
    {
        std::size_t size;
        FileStatus status;
        std::string message;
    } cases[] = {
        {0, FileStatus::Ok, ""},
        {5, FileStatus::Ok, ""},
        {2047, FileStatus::Ok, ""},
        {2048, FileStatus::TooLarge,
         "Setup file too large: 2048 bytes, a setup text holds at most 2047. The setup text is "
         "unchanged."},
        {524288, FileStatus::TooLarge,
         "Setup file too large: 524288 bytes, a setup text holds at most 2047. The setup text "
         "is unchanged."},
        {524289, FileStatus::Overflow,
         "[Warnning] File size error ====================> Overflow : 1 BYTE\r\n"},
    };
    TempFiles files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = files.path(std::to_string(c.size) + ".bin");
        const Bytes content = textBytes(c.size);
        TempFiles::write(path, content);
        SetupBuffer buffer = setupBufferWith(std::string(900, 'p'));
        const SetupBuffer before = buffer;

        const auto outcome = setupfile::loadSetupFile(path, buffer);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.message(), c.message);
        EXPECT_FALSE(outcome.hasErrorCaption());
        if (!outcome.ok()) {
            EXPECT_EQ(buffer, before);
            continue;
        }
        // The file replaces the previous text entirely: nothing of it remains after the file.
        EXPECT_TRUE(std::equal(content.begin(), content.end(), buffer.begin()));
        EXPECT_TRUE(std::all_of(buffer.begin() + c.size, buffer.end(), [](auto b) { return !b; }));
    }
}

TEST(SetupTextFile, ReadRefusesWhatCannotBeOpenedOrReadWhole)
{
    TempFiles files;
    SetupBuffer buffer = setupBufferWith("kept");
    const SetupBuffer before = buffer;

    for (const std::string& path : {files.path("missing"), files.path("")}) {
        SCOPED_TRACE(path);
        const auto refused = setupfile::loadSetupFile(path, buffer);
        EXPECT_EQ(refused.status, FileStatus::NotFound);
        EXPECT_EQ(refused.message(), "File not found.");
        EXPECT_TRUE(refused.hasErrorCaption());
        EXPECT_EQ(buffer, before);
    }
#if !defined(_WIN32) // a named pipe in the file system, which Windows does not have
    const std::string pipe = files.path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(setupfile::loadSetupFile(pipe, buffer).status, FileStatus::Unreadable);
    EXPECT_EQ(buffer, before);
#endif
}

TEST(SetupTextFile, ZeroByteEndsTheTextThatIsSavedAndUploaded)
{
    TempFiles files;
    const std::string path = files.path("zero");
    TempFiles::write(path, Bytes{'a', 'b', 0, 'c', 'd'});
    SetupBuffer buffer{};
    ASSERT_TRUE(setupfile::loadSetupFile(path, buffer).ok());
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 6), (Bytes{'a', 'b', 0, 'c', 'd', 0}));
    EXPECT_EQ(setupfile::uploadPayload(buffer), (Bytes{'a', 'b', 0}));

    ASSERT_TRUE(setupfile::saveSetupFile(path, buffer).ok());
    EXPECT_EQ(TempFiles::read(path), (Bytes{'a', 'b'}));
}

TEST(SetupTextFile, SaveWritesExactlyTheTextOverWhatWasThere)
{
    TempFiles files;
    const std::string path = files.path("saved");
    for (std::size_t size : {std::size_t{300}, std::size_t{7}, std::size_t{0}, std::size_t{2047}}) {
        SCOPED_TRACE(size);
        const Bytes text = textBytes(size);
        SetupBuffer buffer{};
        std::copy(text.begin(), text.end(), buffer.begin());
        ASSERT_TRUE(setupfile::saveSetupFile(path, buffer).ok());
        EXPECT_EQ(TempFiles::read(path), text);
    }
    const auto outcome = setupfile::saveSetupFile(files.path("no/such/folder/x"), SetupBuffer{});
    EXPECT_EQ(outcome.status, FileStatus::NotFound);
    EXPECT_EQ(outcome.message(), "File not found.");
}

TEST(SetupTextFile, SuffixIsAlwaysAppended)
{
    EXPECT_EQ(setupfile::suffixedFileName("/tmp/printer1"), "/tmp/printer1_env_vars.bin");
    EXPECT_EQ(setupfile::suffixedFileName("a_env_vars.bin"), "a_env_vars.bin_env_vars.bin");
}

} // namespace
} // namespace quarlink::testing
