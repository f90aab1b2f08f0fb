#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#endif

#include "cli/clirun.h"
#include "core/torrentfile.h"
#include "create/createsupport.h"
#include "support/testsupport.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace brisolt
{
namespace
{

using test::CheckWithLibtorrent;
using test::FilesIn;
using test::RunCliArgs;
using test::TSandbox;

TTorrentFile Load(const std::filesystem::path& path)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load(test::ReadFile(path))) << path;
    return t;
}

TEST(CliCreate, SingleFileGoesBesideItsSource)
{
    TSandbox box;
    const auto source = box.Write("movie.avi", test::RandomBytes(300000, 1));
    const auto r = RunCliArgs({"create", source.string(), "-a", "http://t/announce", "-l", "64kb"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const auto output = box.Path() / "movie.avi.torrent";
    EXPECT_EQ(r.Out, output.string() + ": 1 file, 300000 bytes, 5 pieces of 65536 bytes\n");
    const auto t = Load(output);
    EXPECT_EQ(t.Announce, "http://t/announce");
    EXPECT_EQ(t.Name, "movie.avi");
    EXPECT_FALSE(t.MultiFile);
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(output, source), "ok 5\n");
}

// l/../f is other/f when l leads to other/x: ".." is the system's, not text.
TEST(CliCreate, DotDotAfterALinkFollowsTheLink)
{
    BRISOLT_LINUX_ONLY("symlinks");
    TSandbox box;
    box.Write("f", "beside the link");
    const auto real = box.Write("other/f", "where the link leads");
    std::filesystem::create_directories(box.Path() / "other/x");
    std::filesystem::create_symlink("other/x", box.Path() / "l");
    const auto output = box.Path() / "out.torrent";
    const auto r =
        RunCliArgs({"create", (box.Path() / "l/../f").string(), "-a", "http://t/a", "-o", output.string(), "-q"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(output, real), "ok 1\n");
}

TEST(CliCreate, OutputThatIsTheSourceLeavesItUntouched)
{
    TSandbox box;
    const auto source = box.Write("p.txt", "precious");
    const auto r = RunCliArgs({"create", "-a", "U", "-o", source.string(), source.string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(
        r.Err,
        "brisolt-cli: Datei " + source.string() + " kann nicht erstellt werden. Sie gehört zum Inhalt des Torrents.\n");
    EXPECT_EQ(test::ReadFile(source), "precious");
}

TEST(CliCreate, EmptyPathsGetPlainMessages)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"create", "-a", "U", ""}, "brisolt-cli create: an empty SOURCE names no file or folder\n"},
        {{"verify", "", "."}, "brisolt-cli verify: an empty TORRENT names no file or folder\n"},
        {{"verify", "x.torrent", ""}, "brisolt-cli verify: an empty CONTENT names no file or folder\n"},
    };
    for (const auto& [args, err] : cases)
    {
        const auto r = RunCliArgs(args);
        EXPECT_EQ(r.Code, 2) << err;
        EXPECT_EQ(r.Err, err);
    }
}

TEST(CliCreate, FolderWithCommentBackupsAndKeptThumbs)
{
    TSandbox box;
    box.Write("Movies/b.txt", test::RandomBytes(1000, 1));
    box.Write("Movies/A.txt", test::RandomBytes(2000, 2));
    box.Write("Movies/sub/z.txt", test::RandomBytes(3000, 3));
    box.Write("Movies/sub/Thumbs.db", "t");
    const auto output = box.Path() / "out.torrent";
    const auto r = RunCliArgs(
        {"create",
         (box.Path() / "Movies/").string(),
         "-a",
         "http://t/a",
         "-o",
         output.string(),
         "-c",
         "line one\nline two",
         "-b",
         "http://b1/a",
         "-b",
         "http://b2/a",
         "--keep-thumbs",
         "--threads",
         "2",
         "-q"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    const auto t = Load(output);
    EXPECT_EQ(t.Name, "Movies");
    EXPECT_EQ(t.Comment, "line one\r\nline two\r\n created with Brisolt v2.1 - Orl Edition Public Beta RC1");
    EXPECT_EQ(t.BackupTrackers, (std::vector<std::string>{"http://t/a", "http://b1/a", "http://b2/a"}));
    std::vector<std::string> files;
    for (const auto& f : t.Files)
        files.push_back(f.Path + f.Name);
    EXPECT_EQ(files, (std::vector<std::string>{"A.txt", "b.txt", "sub\\Thumbs.db", "sub\\z.txt"}));
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(output, box.Path()), "ok 1\n");
}

TEST(CliCreate, ThumbsAreSkippedByDefault)
{
    TSandbox box;
    box.Write("d/a", "a");
    box.Write("d/thumbs.db", "t");
    const auto r = RunCliArgs({"create", (box.Path() / "d").string(), "-a", "x", "-q"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(Load(box.Path() / "d.torrent").Files.size(), 1u);
}

TEST(CliCreate, SeveralFilesOfOneFolderAreOrderedAndNamedAfterIt)
{
    TSandbox box;
    const auto b = box.Write("Holiday/b.avi", test::RandomBytes(5000, 1));
    const auto a = box.Write("Holiday/a.avi", test::RandomBytes(7000, 2));
    box.Write("Holiday/c.avi", "not selected");
    const auto r = RunCliArgs({"create", b.string(), a.string(), "-a", "x", "-q"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto t = Load(box.Path() / "Holiday.torrent");
    EXPECT_EQ(t.Name, "Holiday");
    ASSERT_EQ(t.Files.size(), 2u);
    EXPECT_EQ(t.Files[0].Name, "a.avi");
    EXPECT_EQ(t.Files[1].Name, "b.avi");
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(box.Path() / "Holiday.torrent", box.Path()), "ok 1\n");
}

TEST(CliCreate, PerEntryWritesIntoTheOutputFolder)
{
    TSandbox box;
    box.Write("src/a.avi", test::RandomBytes(1000, 1));
    box.Write("src/thumbs.db", "t");
    box.Write("src/Extras/x", test::RandomBytes(10, 2));
    std::filesystem::create_directories(box.Path() / "src/Empty");
    std::filesystem::create_directories(box.Path() / "out");
    const auto r = RunCliArgs(
        {"create", (box.Path() / "src").string(), "-a", "x", "--per-entry", "-O", (box.Path() / "out").string()});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "brisolt-cli: 3 torrents written, 1 entries skipped: Empty\n");
    EXPECT_EQ(
        FilesIn(box.Path() / "out"),
        (std::vector<std::string>{"Extras.torrent", "a.avi.torrent", "thumbs.db.torrent"}));
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 3);
    // A file with --per-entry is its own torrent, as in the window.
    const auto f = RunCliArgs(
        {"create",
         (box.Path() / "src/a.avi").string(),
         "-a",
         "x",
         "--per-entry",
         "-O",
         (box.Path() / "out").string(),
         "-q"});
    EXPECT_EQ(f.Code, 0) << f.Err;
}

TEST(CliCreate, UsageErrorsExitWithTwo)
{
    TSandbox box;
    const auto file = box.Write("d/a", "a");
    const auto other = box.Write("e/b", "b");
    const std::vector<std::vector<std::string>> cases{
        {"create", file.string()},                           // no announce URL
        {"create", file.string(), "-a", "x", "-l", "100kb"}, // not a listed size
        {"create", file.string(), "-a", "x", "--threads", "0"},
        {"create", (box.Path() / "d").string(), "-a", "x", "--per-entry"}, // no -O
        {"create", (box.Path() / "d").string(), "-a", "x", "-O", box.Path().string()},
        {"create", file.string(), other.string(), "-a", "x"},              // two folders
        {"create", file.string(), (box.Path() / "e").string(), "-a", "x"}, // a folder among several
    };
    for (const auto& args : cases)
    {
        const auto r = RunCliArgs(args);
        EXPECT_EQ(r.Code, 2) << args.back() << r.Err;
        EXPECT_NE(r.Err, "");
    }
    EXPECT_EQ(FilesIn(box.Path() / "d"), std::vector<std::string>{"a"});
}

TEST(CliCreate, FailuresExitWithOneAndAOneLineReason)
{
    TSandbox box;
    std::filesystem::create_directories(box.Path() / "empty");
    const auto file = box.Write("f", "abc");
    auto r = RunCliArgs({"create", (box.Path() / "missing").string(), "-a", "x"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "brisolt-cli: cannot use " + (box.Path() / "missing").string() + ": No such file or directory\n");
    const auto nowhere = box.Path() / "nowhere/f.torrent";
    r = RunCliArgs({"create", file.string(), "-a", "x", "-o", nowhere.string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(
        r.Err, "brisolt-cli: Datei " + nowhere.string() + " kann nicht erstellt werden. No such file or directory\n");
    r = RunCliArgs({"create", (box.Path() / "empty").string(), "-a", "x"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "brisolt-cli: Keine Dateien in " + (box.Path() / "empty").string() + ".\n");
    const auto zero = box.Write("zero", "");
    r = RunCliArgs({"create", zero.string(), "-a", "x"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "brisolt-cli: Keine Daten in " + zero.string() + ": der Inhalt ist 0 Bytes groß.\n");
    EXPECT_EQ(FilesIn(box.Path()), (std::vector<std::string>{"empty", "f", "zero"}));
}

TEST(CliCreate, FileOverFourGibibytes)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "digesting 4 GiB takes minutes under the sanitizers; the plain build covers it";
#endif
    TSandbox box;
    const int64_t size = (int64_t{4} << 30) + 1000;
    const auto source = box.Path() / "huge.bin";
    test::MakeSparse(source, size, test::RandomBytes(1000, 7));
    const auto r = RunCliArgs({"create", source.string(), "-a", "x", "-l", "16384kb", "-q"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto t = Load(box.Path() / "huge.bin.torrent");
    EXPECT_EQ(t.Length, size);
    EXPECT_EQ(t.Pieces.size(), 257u);
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(box.Path() / "huge.bin.torrent", source), "ok 257\n");
}

// Ctrl-C on the real program: it ends with status 1, writes nothing and
// leaves no temporary file.
#ifndef _WIN32
// Whether pid has a handler for sig, by its SigCgt mask in /proc; waits up to 60 s.
bool WaitUntilCatching(pid_t pid, int sig)
{
    const std::string statusPath = "/proc/" + std::to_string(pid) + "/status";
    for (int i = 0; i < 600; ++i)
    {
        std::ifstream status(statusPath);
        std::string line;
        while (std::getline(status, line))
        {
            if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1) & 1u) != 0)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}
#endif

TEST(CliCreate, InterruptWritesNothing)
{
    BRISOLT_LINUX_ONLY("signals, posix_spawn and /proc");
#ifndef _WIN32
    TSandbox box;
    const auto source = box.Path() / "big.bin";
    test::MakeSparse(source, int64_t{64} << 30, "x"); // far more than a second of hashing
    const std::string program = BRISOLT_CLI_PATH;
    const std::string sourceText = source.string();
    std::vector<const char*> argv{program.c_str(), "create", sourceText.c_str(), "-a", "x", "-q", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char**>(argv.data()), environ), 0);
    // Interrupt only once the program catches SIGINT; a slow start (sanitizers,
    // a loaded machine) would otherwise let the default action kill it.
    ASSERT_TRUE(WaitUntilCatching(pid, SIGINT)) << "the program never set up its Ctrl-C handler";
    ::kill(pid, SIGINT);
    int status = 0;
    bool ended = false;
    // Bounded: the run notices the flag after its next read.
    for (int i = 0; i < 300 && !ended; ++i)
    {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ended)
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the program did not end after Ctrl-C";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(FilesIn(box.Path()), std::vector<std::string>{"big.bin"});
#endif
}

} // namespace
} // namespace brisolt
