#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "core/torrentfile.h"
#include "create/editsupport.h"
#include "support/testsupport.h"

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

} // namespace
} // namespace brisolt
