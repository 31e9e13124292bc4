// On POSIX a private file is readable and writable by its owner alone, whatever the umask.
#include "os/PrivateFile.h"
#include "tests/os/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quarlink::os {
namespace {

TEST(PrivateFile, HasMode0600)
{
    testing::TemporaryFolder folder;
    const std::string path = folder.file("backup.json");
    const mode_t old = ::umask(0);
    const auto failure = writePrivateFile(path, std::vector<std::uint8_t>{'{', '}'});
    ::umask(old);
    ASSERT_FALSE(failure);
    struct stat status
    {
    };
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

} // namespace
} // namespace quarlink::os
