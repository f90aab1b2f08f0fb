#include <fstream>

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "core/torrentfile.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::RunCliArgs;
using test::TSandbox;

// A multi-file torrent of box/Movies made by the create command.
std::filesystem::path MakeTree(const TSandbox& box)
{
    box.Write("Movies/a.bin", test::RandomBytes(100000, 1));
    box.Write("Movies/sub/b.bin", test::RandomBytes(200000, 2));
    box.Write("Movies/sub/empty", "");
    box.Write("Movies/c.bin", test::RandomBytes(70000, 3));
    const auto torrent = box.Path() / "Movies.torrent";
    const auto r = RunCliArgs({"create", (box.Path() / "Movies").string(), "-a", "x", "-l", "64kb", "-q"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    return torrent;
}

TEST(CliVerify, MatchingContentPassesFileByFile)
{
    TSandbox box;
    const auto torrent = MakeTree(box);
    const auto r = RunCliArgs({"verify", torrent.string(), box.Path().string()});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "OK      a.bin\nOK      c.bin\nOK      sub\\b.bin\nOK      sub\\empty\n");
}

TEST(CliVerify, ChangedByteFailsOnlyTheFilesOfThatPiece)
{
    TSandbox box;
    const auto torrent = MakeTree(box);
    {
        std::fstream f(box.Path() / "Movies/c.bin", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(69999);
        f.put('\x55' ^ test::RandomBytes(70000, 3)[69999]);
    }
    // c.bin covers bytes 100,000-169,999: pieces 1 and 2; its last byte is in
    // piece 2, which it shares with sub\b.bin.
    const auto r = RunCliArgs({"verify", torrent.string(), box.Path().string(), "-q"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "FAILED  c.bin  (1 of 2 pieces differ)\nFAILED  sub\\b.bin  (1 of 4 pieces differ)\n");
}

TEST(CliVerify, MissingAndResizedFilesAreNamedAndOthersStillChecked)
{
    TSandbox box;
    const auto torrent = MakeTree(box);
    std::filesystem::remove(box.Path() / "Movies/a.bin");
    box.Write("Movies/sub/empty", "now not empty");
    const auto r = RunCliArgs({"verify", torrent.string(), box.Path().string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(
        r.Out,
        "FAILED  a.bin  (missing)\nFAILED  c.bin  (1 of 2 pieces differ)\nOK      sub\\b.bin\n"
        "FAILED  sub\\empty  (has 13 bytes, the torrent says 0)\n");
}

TEST(CliVerify, MissingContentIsNeitherReadNorHashed)
{
    TSandbox box;
    const auto made = MakeTree(box);
    TTorrentFile t;
    ASSERT_TRUE(t.Load(test::ReadFile(made)));
    // A petabyte that is not there: hashing zeros for it would take days.
    t.Files.emplace_back("huge.bin", "", int64_t{1} << 50, 0);
    const auto torrent = box.Write("huge.torrent", t.SaveToString(t.Pieces));
    const auto r = RunCliArgs({"verify", torrent.string(), box.Path().string(), "-q"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "FAILED  huge.bin  (missing)\nThe torrent lists 6 pieces; its files make 17179869190\n");
}

TEST(CliVerify, ContentIsFoundUnderTheNameEndingInDotTorrent)
{
    TSandbox box;
    const auto file = box.Write("one/show.torrent", test::RandomBytes(1000, 4));
    box.Write("two/Set.torrent/a.bin", test::RandomBytes(2000, 5));
    for (const auto& source : {file, box.Path() / "two/Set.torrent"})
    {
        const auto torrent = box.Path() / "made.torrent";
        ASSERT_EQ(RunCliArgs({"create", source.string(), "-a", "x", "-o", torrent.string(), "-q"}).Code, 0);
        const auto r = RunCliArgs({"verify", torrent.string(), source.parent_path().string()});
        EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
    }
}

TEST(CliVerify, SingleFileTorrentTakesTheFileOrItsFolder)
{
    TSandbox box;
    const auto source = box.Write("one/file.bin", test::RandomBytes(150000, 9));
    ASSERT_EQ(RunCliArgs({"create", source.string(), "-a", "x", "-q"}).Code, 0);
    const auto torrent = source.string() + ".torrent";
    EXPECT_EQ(RunCliArgs({"verify", torrent, source.string(), "--threads", "1"}).Out, "OK      file.bin\n");
    EXPECT_EQ(RunCliArgs({"verify", torrent, (box.Path() / "one").string()}).Code, 0);
}

TEST(CliVerify, BadTorrentsAreRefused)
{
    TSandbox box;
    auto r = RunCliArgs({"verify", (box.Path() / "none.torrent").string(), box.Path().string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(
        r.Err, "brisolt-cli: cannot open " + (box.Path() / "none.torrent").string() + ": No such file or directory\n");

    TTorrentFile t;
    t.Name = "..";
    t.MultiFile = true;
    t.PieceLength = 65536;
    t.Files.emplace_back("passwd", "", 10, 0);
    const auto unsafe = box.Write("unsafe.torrent", t.SaveToString({}));
    r = RunCliArgs({"verify", unsafe.string(), box.Path().string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "brisolt-cli: " + unsafe.string() + ": unsafe file path passwd\n");

    t.Name = "ok";
    t.PieceLength = 0;
    const auto zero = box.Write("zero.torrent", t.SaveToString({}));
    r = RunCliArgs({"verify", zero.string(), box.Path().string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "brisolt-cli: " + zero.string() + ": invalid piece length 0\n");

    t.PieceLength = 65536;
    t.Files[0].Length = -5; // read until the stream reached it, it never would
    const auto negative = box.Write("negative.torrent", t.SaveToString({}));
    r = RunCliArgs({"verify", negative.string(), box.Path().string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "brisolt-cli: " + negative.string() + ": invalid file length -5 of passwd\n");
}

} // namespace
} // namespace brisolt
