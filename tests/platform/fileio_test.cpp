#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileio.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

TEST(FileIo, ReadWholeFileWithinTheBound)
{
    test::TSandbox box;
    const auto path = box.Write("a.bin", std::string("x\0y", 3));
    std::string data;
    std::string reason;
    EXPECT_EQ(ReadWholeFile(path, 3, data, reason), TReadResult::Ok);
    EXPECT_EQ(data, std::string("x\0y", 3));
    EXPECT_EQ(ReadWholeFile(path, 2, data, reason), TReadResult::TooLarge);
    EXPECT_TRUE(data.empty());
}

TEST(FileIo, ReadWholeFileFailuresSayWhy)
{
    test::TSandbox box;
    std::string data;
    std::string reason;
    EXPECT_EQ(ReadWholeFile(box.Path() / "missing", 100, data, reason), TReadResult::Failed);
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_EQ(ReadWholeFile(box.Path(), 100, data, reason), TReadResult::Failed);
    EXPECT_EQ(reason, "Is a directory");
}

TEST(FileIo, AtomicWriteReplacesAndLeavesNoTemporary)
{
    test::TSandbox box;
    const auto path = box.Write("out.torrent", "old");
    ::chmod(path.c_str(), 0640);
    std::string reason;
    ASSERT_TRUE(WriteFileAtomic(path, "new content", reason)) << reason;
    EXPECT_EQ(test::ReadFile(path), "new content");

    struct stat st
    {
    };

    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.Path()), {}), 1);
}

TEST(FileIo, AtomicWriteFailureKeepsTheOldFile)
{
    if (::geteuid() == 0)
    {
        // root writes into read-only folders; a missing folder fails for everyone.
        test::TSandbox box;
        std::string reason;
        EXPECT_FALSE(WriteFileAtomic(box.Path() / "no" / "such" / "x", "data", reason));
        EXPECT_EQ(reason, "No such file or directory");
        return;
    }
    test::TSandbox box;
    const auto path = box.Write("ro/out.torrent", "old");
    ::chmod((box.Path() / "ro").c_str(), 0555);
    std::string reason;
    EXPECT_FALSE(WriteFileAtomic(path, "new", reason));
    EXPECT_EQ(reason, "Permission denied");
    EXPECT_EQ(test::ReadFile(path), "old");
}

TEST(FileIo, AtomicWriteOverAFolderFailsAndRemovesTheTemporary)
{
    test::TSandbox box;
    std::filesystem::create_directories(box.Path() / "target" / "inside");
    std::string reason;
    EXPECT_FALSE(WriteFileAtomic(box.Path() / "target", "data", reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.Path()), {}), 1);
}

TEST(FileIo, NativeRelativePathFromBackslashes)
{
    EXPECT_EQ(NativeRelativePath("a\\b\\", "c.txt"), std::filesystem::path("a/b/c.txt"));
    EXPECT_EQ(NativeRelativePath("a\\b", "c.txt"), std::filesystem::path("a/b/c.txt"));
    EXPECT_EQ(NativeRelativePath("", "c.txt"), std::filesystem::path("c.txt"));
    EXPECT_EQ(NativeRelativePath("\\a\\", "c"), std::filesystem::path("a/c"));
}

} // namespace
} // namespace brisolt
