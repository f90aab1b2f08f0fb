#include <chrono>
#include <csignal>
#include <thread>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

#include "cli/clirun.h"
#include "core/torrentfile.h"
#include "create/editsupport.h"
#include "support/testsupport.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace brisolt
{
namespace
{

using namespace test;

TTorrentFile LoadSaved(const std::filesystem::path& path)
{
    TTorrentFile t;
    t.Load(ReadFile(path));
    return t;
}

// The command prints "PATH: INFOHASH"; libtorrent must read that hash.
void ExpectReportedHash(const TCliRun& run, const std::filesystem::path& saved, std::size_t files, int64_t total)
{
    const std::string prefix = saved.string() + ": ";
    ASSERT_EQ(run.Out.rfind(prefix, 0), 0u) << run.Out;
    const std::string hash = run.Out.substr(prefix.size(), 40);
    EXPECT_EQ(run.Out.size(), prefix.size() + 41);
    EXPECT_ORACLE_EQ(LibtorrentView(saved), hash + " " + std::to_string(files) + " " + std::to_string(total));
}

class CliEdit : public ::testing::Test
{
protected:
    TSandbox Box;
    std::filesystem::path Multi = Box.Write(
        "multi.torrent",
        Metainfo(
            MultiInfo("top", {{{"old", "f.bin"}, 5}, {{"g.bin"}, 6}}),
            "http://t/a",
            {{"announce-list", BList({BList({BStr("http://t/a")}), BList({BStr("http://b/a")})})},
             {"comment", BStr("line1\nline2")}}));
    std::filesystem::path Single = Box.Write("single.torrent", Metainfo(SingleInfo("one.bin", 9)));
};

TEST_F(CliEdit, InPlaceChangesOnlyWhatIsAsked)
{
    const auto run = RunCliArgs({"edit", Multi.string(), "--announce", "http://new/announce"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    ExpectReportedHash(run, Multi, 2, 11);
    const TTorrentFile t = LoadSaved(Multi);
    EXPECT_EQ(t.Announce, "http://new/announce");
    EXPECT_EQ(t.Name, "top");
    EXPECT_EQ(t.BackupTrackers, (std::vector<std::string>{"http://new/announce", "http://t/a", "http://b/a"}));
    EXPECT_EQ(t.Comment, "line1\r\nline2" + std::string(kCommentSuffix));
}

TEST_F(CliEdit, ToOutputLeavesTheInputAlone)
{
    const std::string before = ReadFile(Single);
    const auto out = Box.Path() / "out.torrent";
    const auto run = RunCliArgs(
        {"edit", Single.string(), "-o", out.string(), "--name", "two.bin", "--comment", "a\nb", "--reset-date"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(ReadFile(Single), before);
    ExpectReportedHash(run, out, 1, 9);
    const TTorrentFile t = LoadSaved(out);
    EXPECT_EQ(t.Name, "two.bin");
    EXPECT_EQ(t.Comment, "a\r\nb" + std::string(kCommentSuffix));
    EXPECT_NE(t.CreationDate, 0.0);
}

TEST_F(CliEdit, RenamesAndBackupList)
{
    const auto run = RunCliArgs(
        {"edit",
         Multi.string(),
         "--rename",
         "0=sub/new.bin",
         "--rename",
         "1=x\\y.bin",
         "--backup",
         "http://c/a",
         "--backup",
         "http://t/a"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    ExpectReportedHash(run, Multi, 2, 11);
    const TTorrentFile t = LoadSaved(Multi);
    EXPECT_EQ(t.Files[0].Path + "|" + t.Files[0].Name, "sub\\|new.bin");
    EXPECT_EQ(t.Files[1].Path + "|" + t.Files[1].Name, "x\\|y.bin");
    // The announce URL itself gets no tier of its own.
    EXPECT_EQ(t.BackupTrackers, (std::vector<std::string>{"http://t/a", "http://c/a"}));
}

TEST_F(CliEdit, RenameWithoutFolderKeepsTheOldFolder)
{
    ASSERT_EQ(RunCliArgs({"edit", Multi.string(), "--rename", "0=n.bin"}).Code, 0);
    const TTorrentFile t = LoadSaved(Multi);
    EXPECT_EQ(t.Files[0].Path + t.Files[0].Name, "old\\n.bin");
}

TEST_F(CliEdit, NoBackupRemovesTheAnnounceList)
{
    ASSERT_EQ(RunCliArgs({"edit", Multi.string(), "--no-backup"}).Code, 0);
    EXPECT_EQ(ReadFile(Multi).find("announce-list"), std::string::npos);
}

TEST_F(CliEdit, UsageErrors)
{
    EXPECT_EQ(RunCliArgs({"edit", Multi.string(), "--backup", "http://x", "--no-backup"}).Code, 2);
    EXPECT_EQ(RunCliArgs({"edit", Multi.string(), "--rename", "zero=a"}).Code, 2);
    EXPECT_EQ(RunCliArgs({"edit", Multi.string(), "--rename", "1"}).Code, 2);
    EXPECT_EQ(RunCliArgs({"edit"}).Code, 2);
}

TEST_F(CliEdit, RenameFailuresWriteNothing)
{
    const std::string before = ReadFile(Multi);
    const auto beyond = RunCliArgs({"edit", Multi.string(), "--rename", "2=a"});
    EXPECT_EQ(beyond.Code, 1);
    EXPECT_EQ(beyond.Err, "brisolt-cli: no file entry 2 (the torrent has 2)\n");
    EXPECT_EQ(ReadFile(Multi), before);
    const auto single = RunCliArgs({"edit", Single.string(), "--rename", "0=a"});
    EXPECT_EQ(single.Code, 1);
    EXPECT_NE(single.Err.find("--name"), std::string::npos);
}

TEST_F(CliEdit, TorrentWithoutInfoFails)
{
    const auto path = Box.Write("noinfo.torrent", BDict({{"announce", BStr("http://t/a")}}));
    const auto run = RunCliArgs({"edit", path.string(), "--name", "x"});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Err, "brisolt-cli: " + path.string() + " did not load:\nCorrupt File: Missing \"info\" segment\n");
}

TEST_F(CliEdit, MissingFileFails)
{
    const auto path = Box.Path() / "none.torrent";
    const auto run = RunCliArgs({"edit", path.string()});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(
        run.Err, "brisolt-cli: Datei " + path.string() + " kann nicht geöffnet werden. No such file or directory\n");
}

TEST_F(CliEdit, UnwritableOutputFails)
{
    const auto out = Box.Path() / "missing" / "out.torrent";
    const auto run = RunCliArgs({"edit", Single.string(), "-o", out.string()});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Err, "brisolt-cli: Fehler beim Schreiben " + out.string() + ": No such file or directory\n");
}

// A read-only torrent is not replaced, by the superuser neither.
TEST_F(CliEdit, ReadOnlyTorrentIsLeftAlone)
{
    const std::string before = ReadFile(Single);
    std::filesystem::permissions(Single, std::filesystem::perms::owner_read);
    const auto run = RunCliArgs({"edit", Single.string(), "--name", "x"});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Err, "brisolt-cli: Fehler beim Schreiben " + Single.string() + ": Permission denied\n");
    EXPECT_EQ(ReadFile(Single), before);
}

// A torrent of BitTorrent v2 alone: the loader's line, then why.
TEST_F(CliEdit, V2OnlyTorrentSaysWhy)
{
    const auto path = Box.Write(
        "v2.torrent",
        BDict(
            {{"announce", BStr("http://t/a")},
             {"info",
              BDict(
                  {{"file tree", BDict({{"a.bin", BDict({{"", BDict({{"length", BInt(5)}})}})}})},
                   {"meta version", BInt(2)},
                   {"name", BStr("a.bin")},
                   {"piece length", BInt(16384)}})}}));
    for (const auto& args : {std::vector<std::string>{"edit", path.string()}, {"verify", path.string(), "."}})
    {
        const auto run = RunCliArgs(args);
        EXPECT_EQ(run.Code, 1) << args[0];
        EXPECT_NE(run.Err.find("Corrupt File: Missing"), std::string::npos) << run.Err;
        EXPECT_TRUE(run.Err.ends_with(
            "\nbrisolt-cli: v2-only torrents (BitTorrent v2 without v1 pieces) cannot be edited or verified yet\n"))
            << run.Err;
    }
}

// -o over a special file is refused and leaves it as it was.
TEST_F(CliEdit, OutputThatIsNoRegularFileIsRefused)
{
    for (const auto kind : {TNodeKind::Fifo, TNodeKind::Socket, TNodeKind::CharDevice})
    {
        const auto node = Box.Path() / ("node" + std::to_string(static_cast<int>(kind)));
        if (!MakeNode(node, kind))
            continue;
        const auto run = RunCliArgs({"edit", Single.string(), "-o", node.string()});
        EXPECT_EQ(run.Code, 1);
        EXPECT_EQ(run.Err, "brisolt-cli: Fehler beim Schreiben " + node.string() + ": Keine reguläre Datei.\n");
        EXPECT_FALSE(std::filesystem::is_regular_file(node));
    }
}

#ifndef _WIN32
// The real program as a child: brisolt-cli edit FILE args, paused after its
// read while the file pause exists (the program's test hook); its standard
// error goes to err.
class TEditChild
{
public:
    TEditChild(
        const std::filesystem::path& file,
        const std::vector<std::string>& args,
        const std::filesystem::path& pause,
        const std::filesystem::path& err)
    {
        std::vector<std::string> texts{BRISOLT_CLI_PATH, "edit", file.string()};
        texts.insert(texts.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        std::vector<std::string> env{"BRISOLT_TEST_EDIT_PAUSE=" + pause.string()};
        for (char** e = environ; *e != nullptr; ++e)
            env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& text : env)
            envp.push_back(text.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::posix_spawn(&Pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    // The exit status, once the child ended (within a minute; else it is killed: -1).
    int Wait()
    {
        int status = 0;
        for (int i = 0; i < 600; ++i)
        {
            if (::waitpid(Pid, &status, WNOHANG) == Pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, &status, 0);
        return -1;
    }

    pid_t Pid = 0;
};

// Whether path appears within a minute.
bool Appears(const std::filesystem::path& path)
{
    for (int i = 0; i < 600 && !std::filesystem::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return std::filesystem::exists(path);
}
#endif

// An edit paused between its read and its write meets another writer: a
// second edit waits for it and keeps both changes; a change by another program
// makes it write nothing; a signal ends it without a write or a leftover.
TEST_F(CliEdit, EditsThatMeetLoseNothing)
{
    BRISOLT_LINUX_ONLY("posix_spawn and signals");
#ifndef _WIN32
    const std::string foreign = Metainfo(SingleInfo("other.bin", 3));

    const struct
    {
        const char* Meet; // "edit", "foreign" or a signal's number
        int Signal;
        int Code;
        const char* Err;
    } cases[] = {
        {"edit", 0, 0, ""},
        {"foreign", 0, 1, " wurde inzwischen von einem anderen Programm geändert. Nichts wurde geschrieben.\n"},
        {"SIGHUP", SIGHUP, 1, "Operation abgebrochen!\n"},
        {"SIGINT", SIGINT, 1, "Operation abgebrochen!\n"},
        {"SIGTERM", SIGTERM, 1, "Operation abgebrochen!\n"},
    };

    for (const auto& c : cases)
    {
        const auto folder = Box.Path() / c.Meet;
        const auto file = Box.Write(std::filesystem::path(c.Meet) / "m.torrent", ReadFile(Multi));
        const auto pause = Box.Write(std::filesystem::path(c.Meet) / "pause", "");
        TEditChild first(file, {"--comment", "AAA"}, pause, folder / "first.err");
        ASSERT_TRUE(Appears(folder / "pause.read")) << c.Meet << ": " << ReadFile(folder / "first.err");
        std::optional<TEditChild> second;
        if (c.Signal != 0)
            ::kill(first.Pid, c.Signal);
        else if (std::string(c.Meet) == "edit")
            second.emplace(
                file, std::vector<std::string>{"--announce", "http://BBB/a"}, folder / "none", folder / "second.err");
        else
            Box.Write(std::filesystem::path(c.Meet) / "m.torrent", foreign);
        std::filesystem::remove(pause);
        EXPECT_EQ(first.Wait(), c.Code) << c.Meet;
        const std::string err = ReadFile(folder / "first.err");
        EXPECT_TRUE(c.Code == 0 ? err.empty() : err.ends_with(c.Err)) << c.Meet << ": " << err;
        // The second edit may still be at work once the first has ended.
        const int secondCode = second ? second->Wait() : 0;
        const TTorrentFile t = LoadSaved(file);
        if (second)
        {
            EXPECT_EQ(secondCode, 0);
            EXPECT_EQ(t.Announce, "http://BBB/a");
            EXPECT_EQ(t.Comment.rfind("AAA", 0), 0u) << t.Comment;
        }
        else
            EXPECT_EQ(ReadFile(file), c.Signal != 0 ? ReadFile(Multi) : foreign) << c.Meet;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), second ? 5 : 3)
            << c.Meet << ": a temporary was left behind";
    }
#endif
}

} // namespace
} // namespace brisolt
