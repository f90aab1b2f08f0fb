#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "create/collect.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::TSandbox;

std::vector<std::string> Describe(const std::vector<TTorrentSubFile>& list)
{
    std::vector<std::string> lines;
    for (const auto& f : list)
        lines.push_back(f.Path + "|" + f.Name + "|" + std::to_string(f.Length));
    return lines;
}

TEST(MatchesGlob, StarsByPathElements)
{
    const struct
    {
        const char* Pattern;
        const char* Text;
        bool IgnoreCase;
        bool Matches;
    } cases[] = {
        {"*.mkv", "a.mkv", false, true},
        {"*.mkv", "Sample/a.mkv", false, false},
        {"Sample/*", "Sample/a.mkv", false, true},
        {"Sample/*", "Sample/deep/a.mkv", false, false},
        {"Sample/**", "Sample/deep/a.mkv", false, true},
        {"**/a.mkv", "a.mkv", false, true},
        {"**/a.mkv", "x/y/a.mkv", false, true},
        {"**/a.mkv", "x/ya.mkv", false, false},
        {"a/**/b", "a/b", false, true},
        {"a/**/b", "a/x/y/b", false, true},
        {"?.mkv", "/.mkv", false, false},
        {"[a-c]/x", "b/x", false, true},
        {"[!a]*", "a", false, false},
        {"x[/]y", "x/y", false, false},
        {"[ab", "[ab", false, true},
        {"*.NFO", "info.nfo", false, false},
        {"*.NFO", "info.nfo", true, true},
        {"SAMPLE/[A-Z]*", "sample/s.mkv", true, true},
        {"", "", false, true},
        {"**", "", false, true},
        {"*", "a/b", false, false},
    };

    for (const auto& c : cases)
        EXPECT_EQ(MatchesGlob(c.Pattern, c.Text, c.IgnoreCase), c.Matches) << c.Pattern << " " << c.Text;
    // Work stays polynomial: many stars against a long text that fails at its end.
    EXPECT_FALSE(MatchesGlob("*a*a*a*a*a*a*a*a*a*a*b", std::string(3000, 'a'), false));
}

TEST(MatchesPattern, ShellStyle)
{
    const struct
    {
        const char* Pattern;
        const char* Text;
        bool Matches;
    } cases[] = {
        {"*.nfo", "a.nfo", true},
        {"*.nfo", "a.nfo.txt", false},
        {"*.nfo", ".nfo", true},
        {"Sample/*", "Sample/x/y.mkv", true},
        {"Sample/*", "sample/x", false},
        {".DS_Store", ".DS_Store", true},
        {"?.txt", "ab.txt", false},
        {"?.txt", "a.txt", true},
        {"[a-c]*", "b1", true},
        {"[!a-c]*", "b1", false},
        {"[!a-c]*", "d", true},
        {"[]]", "]", true},
        {"[a", "[a", true},
        {"*a*b", "xaxxab", true},
        {"*a*b", "xaxxa", false},
        {"", "", true},
        {"*", "", true},
        {"a", "", false},
        {"**x", "yyx", true},
        {"a*", "a\xff", true},
    };

    for (const auto& c : cases)
        EXPECT_EQ(MatchesPattern(c.Pattern, c.Text), c.Matches) << c.Pattern << " " << c.Text;
    // Name or path below the top folder, with either form of folder path.
    const std::vector<std::string> patterns{"*.nfo", "Sample/*"};
    EXPECT_TRUE(IsExcluded({"x.nfo", "deep\\er", 1, 0}, patterns));
    EXPECT_TRUE(IsExcluded({"s.mkv", "Sample", 1, 0}, patterns));
    EXPECT_TRUE(IsExcluded({"s.mkv", "Sample\\", 1, 0}, patterns));
    EXPECT_FALSE(IsExcluded({"s.mkv", "sub\\Sample", 1, 0}, patterns));
    EXPECT_FALSE(IsExcluded({"Sample", "", 1, 0}, patterns));
}

TEST(CompareNames, OrdersBytesOrdinally)
{
    EXPECT_EQ(CompareNames("B.txt", "a.txt"), -1);
    EXPECT_EQ(CompareNames("a.txt", "B.txt"), 1);
    EXPECT_EQ(CompareNames("Z", "_"), -1);
    EXPECT_EQ(CompareNames("_", "a"), -1);
    EXPECT_EQ(CompareNames("a", "a"), 0);
    EXPECT_EQ(CompareNames("a", "ab"), -1);
    // Bytes above 0x7F sort after every ASCII letter, as unsigned bytes.
    EXPECT_EQ(CompareNames("\xE9", "z"), 1);
}

TEST(SortNames, OrdersLikeAFileListAndKeepsEachNameOnce)
{
    EXPECT_EQ(
        SortNames({"b.txt", "\xE9", "B.txt", "a.txt", "b.txt", "B.txt"}),
        (std::vector<std::string>{"B.txt", "a.txt", "b.txt", "\xE9"}));
    EXPECT_EQ(SortNames({}), std::vector<std::string>{});
}

TEST(IsThumbsDb, FoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(IsThumbsDb("thumbs.db"));
    EXPECT_TRUE(IsThumbsDb("Thumbs.db"));
    EXPECT_TRUE(IsThumbsDb("THUMBS.DB"));
    EXPECT_FALSE(IsThumbsDb("thumbs.db "));
    EXPECT_FALSE(IsThumbsDb("thumbs.dbx"));
    EXPECT_FALSE(IsThumbsDb("Thumbs.db.txt"));
    EXPECT_FALSE(IsThumbsDb("thumbs_db"));
}

TEST(CollectFolder, SortsEachFolderAndDescendsDepthFirst)
{
    TSandbox box;
    box.Write("root/b.txt", "bb");
    box.Write("root/A.txt", "a");
    box.Write("root/sub/z.txt", "zzz");
    box.Write("root/sub/deeper/y", "");
    box.Write("root/_x", "x");
    std::filesystem::create_directories(box.Path() / "root/empty");
    std::vector<TTorrentSubFile> list;
    int64_t total = 0;
    ASSERT_FALSE(CollectFolder(list, total, box.Path() / "root", "", true, true));
    const std::vector<std::string> expected{"|A.txt|1", "|_x|1", "|b.txt|2", "sub\\deeper|y|0", "sub|z.txt|3"};
    EXPECT_EQ(Describe(list), expected);
    EXPECT_EQ(total, 7);
    EXPECT_EQ(list[0].FullPath, (box.Path() / "root/A.txt").make_preferred().string());
    EXPECT_EQ(list[3].FullPath, (box.Path() / "root/sub/deeper/y").make_preferred().string());
}

TEST(CollectFolder, ThumbsDbIsLeftOutOnlyWhenAsked)
{
    TSandbox box;
    box.Write("root/Thumbs.db", "t");
    box.Write("root/sub/thumbs.db", "t");
    box.Write("root/.hidden", "h");
    std::vector<TTorrentSubFile> skipped;
    int64_t total = 0;
    ASSERT_FALSE(CollectFolder(skipped, total, box.Path() / "root", "", true, true));
    EXPECT_EQ(Describe(skipped), (std::vector<std::string>{"|.hidden|1"}));
    std::vector<TTorrentSubFile> kept;
    ASSERT_FALSE(CollectFolder(kept, total, box.Path() / "root", "", true, false));
    EXPECT_EQ(Describe(kept), (std::vector<std::string>{"|.hidden|1", "|Thumbs.db|1", "sub|thumbs.db|1"}));
}

TEST(CollectFolder, FollowsLinksAndRefusesALoop)
{
    BRISOLT_LINUX_ONLY("symlinks");
    TSandbox box;
    box.Write("outside/data.bin", "12345");
    box.Write("root/sub/f", "f");
    std::filesystem::create_symlink(box.Path() / "outside/data.bin", box.Path() / "root/link.bin");
    std::vector<TTorrentSubFile> list;
    int64_t total = 0;
    ASSERT_FALSE(CollectFolder(list, total, box.Path() / "root", "", true, false));
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"|link.bin|5", "sub|f|1"}));

    std::filesystem::create_directory_symlink(box.Path() / "root", box.Path() / "root/sub/back");
    list.clear();
    EXPECT_EQ(
        CollectFolder(list, total, box.Path() / "root", "", true, false).Message(),
        "Ordner " + (box.Path() / "root/sub/back").string()
            + " kann nicht gelesen werden. Too many levels of symbolic links");
}

TEST(CollectFolder, SelfLinkIsAFileThatCannotBeOpened)
{
    BRISOLT_LINUX_ONLY("symlinks");
    TSandbox box;
    std::filesystem::create_directories(box.Path() / "root");
    std::filesystem::create_symlink("self", box.Path() / "root/self");
    std::vector<TTorrentSubFile> list;
    int64_t total = 0;
    EXPECT_EQ(
        CollectFolder(list, total, box.Path() / "root", "", true, false).Message(),
        "Datei " + (box.Path() / "root/self").string()
            + " kann nicht geöffnet werden. Too many levels of symbolic links");
}

TEST(CollectFolder, MissingFolderNamesTheFolder)
{
    std::vector<TTorrentSubFile> list;
    int64_t total = 0;
    const TError failed = CollectFolder(list, total, "/nonexistent/brisolt", "", true, false);
    EXPECT_EQ(failed.Code(), ENOENT);
    EXPECT_EQ(failed.Path(), "/nonexistent/brisolt");
}

TEST(CollectFolder, KeepsNamesThatAreNotUtf8)
{
    BRISOLT_LINUX_ONLY("file names that are not UTF-8");
    TSandbox box;
    box.Write("root/caf\xE9.txt", "x");
    std::vector<TTorrentSubFile> list;
    int64_t total = 0;
    ASSERT_FALSE(CollectFolder(list, total, box.Path() / "root", "", true, false));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Name, "caf\xE9.txt");
}

std::string SizeError(const std::filesystem::path& path)
{
    const TResult<int64_t> size = FileSizeOf(path);
    return size ? "no error" : size.Error().Message();
}

TEST(FileSizeOf, GivesTheSizeOrTheExactMessage)
{
    TSandbox box;
    EXPECT_EQ(FileSizeOf(box.Write("f", "12345")).Value(), 5);
    const auto missing = box.Path() / "missing";
    EXPECT_EQ(
        SizeError(missing), "Datei " + missing.string() + " kann nicht geöffnet werden. No such file or directory");
    EXPECT_EQ(SizeError(box.Path()), "Datei " + box.Path().string() + " kann nicht geöffnet werden. Is a directory");
#ifndef _WIN32
    const auto fifo = box.Path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(SizeError(fifo), "Datei " + fifo.string() + " kann nicht geöffnet werden. Keine reguläre Datei.");
#endif
}

TEST(FileSizeOf, RefusesAFileAnotherProgramHoldsLocked)
{
    BRISOLT_LINUX_ONLY("flock");
#ifndef _WIN32
    TSandbox box;
    const auto path = box.Write("locked", "x");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(
        SizeError(path),
        "Datei " + path.string() + " kann nicht geöffnet werden. Sie ist von einem anderen Programm gesperrt.");
    ::close(fd);
    EXPECT_EQ(FileSizeOf(path).Value(), 1);
#endif
}

TEST(FileSizeOf, UnreadableFileIsRefused)
{
    BRISOLT_LINUX_ONLY("permission bits");
    if (test::RunningAsRoot())
        GTEST_SKIP() << "root reads every file";
    TSandbox box;
    const auto path = box.Write("secret", "x");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    EXPECT_EQ(SizeError(path), "Datei " + path.string() + " kann nicht geöffnet werden. Permission denied");
}

TEST(ListFolderFiles, ListsVisibleRegularFilesSorted)
{
    TSandbox box;
    box.Write("d/b", "");
    box.Write("d/A", "");
    box.Write("d/.hidden", "");
    box.Write("d/sub/x", "");
    EXPECT_EQ(ListFolderFiles(box.Path() / "d").Value(), (std::vector<std::string>{"A", "b"}));
    auto entries = ListFolderEntries(box.Path() / "d").Value();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{".hidden", "A", "b", "sub"}));
}

} // namespace
} // namespace brisolt
