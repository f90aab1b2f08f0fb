#include <filesystem>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/clirun.h"
#include "core/torrentfile.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::RunCliArgs;

std::string MultiFileTorrent()
{
    TTorrentFile t;
    t.Announce = "http://tracker/announce";
    t.BackupTrackers = {"http://backup/announce"};
    t.Name = "Caf\xE9"; // Windows-1252 bytes
    t.Comment = "hello";
    t.MultiFile = true;
    t.PieceLength = 65536;
    t.Files.emplace_back("x.bin", "sub\\", 5000000000, 0);
    t.Files.emplace_back("\xC3\xA9.txt", "", 3, 0);
    return t.SaveToString(std::vector<TTorrentPiece>(3));
}

TEST(CliShow, TextShowsWhatTheEditPageShows)
{
    test::TSandbox box;
    const auto path = box.Write("t.torrent", MultiFileTorrent());
    TTorrentFile loaded;
    loaded.Load(test::ReadFile(path));
    const auto r = RunCliArgs({"show", path.string()});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_NE(r.Out.find("Announce:        http://tracker/announce\n"), std::string::npos) << r.Out;
    EXPECT_NE(
        r.Out.find("Backup trackers: http://tracker/announce\n                 http://backup/announce\n"),
        std::string::npos);
    EXPECT_NE(r.Out.find("Name:            Caf\xC3\xA9\n"), std::string::npos);
    EXPECT_NE(r.Out.find("Hash:            " + loaded.InfoHashText + "\n"), std::string::npos);
    EXPECT_NE(r.Out.find("Creation date:   N/A\n"), std::string::npos);
    EXPECT_NE(r.Out.find("  sub\\x.bin  5000000000\n  \xC3\xA9.txt  3\n"), std::string::npos);
}

TEST(CliShow, JsonHasEveryKey)
{
    test::TSandbox box;
    const auto path = box.Write("t.torrent", MultiFileTorrent());
    const auto r = RunCliArgs({"show", "--json", path.string()});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const auto j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["announce"], "http://tracker/announce");
    EXPECT_EQ(j["backup_trackers"].size(), 2u);
    EXPECT_EQ(j["name"], "Caf\xC3\xA9");
    EXPECT_EQ(j["info_hash"].template get<std::string>().size(), 40u);
    EXPECT_EQ(j["comment"], "hello created with Brisolt v2.1 - Orl Edition Public Beta RC1");
    EXPECT_TRUE(j["creation_date"].is_null());
    EXPECT_EQ(j["piece_length"], 65536);
    EXPECT_EQ(j["piece_count"], 3);
    EXPECT_EQ(j["multi_file"], true);
    EXPECT_EQ(j["total_length"], 5000000003);
    ASSERT_EQ(j["files"].size(), 2u);
    EXPECT_EQ(j["files"][0]["path"], "sub\\");
    EXPECT_EQ(j["files"][0]["name"], "x.bin");
    EXPECT_EQ(j["files"][1]["offset"], 5000000000);
    EXPECT_TRUE(j["errors"].empty());
}

// The JSON is written as it goes; its bytes are nlohmann's layout of the same
// document, escaping included, for the sample, foreign and hostile torrents.
TEST(CliShow, JsonBytesAreOneDocumentsLayout)
{
    test::TSandbox box;
    TTorrentFile odd;
    odd.Announce = "http://t/\x01\"";
    odd.Name = "q\"uote\\ \xFF\x7F";
    odd.Comment = "c\x1B[31m\t\n\r\b\f";
    odd.MultiFile = true;
    odd.PieceLength = 16384;
    odd.Files.emplace_back("\xF0\x9F\x98\x80\x1F", "\xED\xA0\x80\\", 1, 0);
    odd.Files.emplace_back("", "", 0, 0);
    std::vector<std::filesystem::path> paths = {
        box.Write("odd.torrent", odd.SaveToString(std::vector<TTorrentPiece>(1))),
        box.Write("garbage.torrent", "not bencode"),
        test::DataDir() / ".." / ".." / "samples" / "sample.torrent",
    };
    for (const auto& entry : std::filesystem::directory_iterator(test::DataDir() / ".." / "fuzz" / "corpus" / "load"))
        paths.push_back(entry.path());
    for (const auto& path : paths)
    {
        const auto r = RunCliArgs({"show", "--json", path.string()});
        ASSERT_NE(r.Out, "") << path;
        EXPECT_EQ(r.Out, nlohmann::ordered_json::parse(r.Out).dump(2) + "\n") << path;
    }
}

TEST(CliShow, CreationDateAsStoredSeconds)
{
    test::TSandbox box;
    const auto path = box.Write("t.torrent", "d13:creation datei1000000000e4:infod6:lengthi1e4:name1:aee");
    const auto r = RunCliArgs({"show", "--json", path.string()});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(nlohmann::json::parse(r.Out)["creation_date"], 1000000000);
    const auto text = RunCliArgs({"show", path.string()});
    EXPECT_EQ(text.Out.find("N/A"), std::string::npos);
}

TEST(CliShow, NoFileEntryFailsWithTheLoaderLines)
{
    test::TSandbox box;
    const auto path = box.Write("t.torrent", "d8:announce1:ue");
    auto r = RunCliArgs({"show", path.string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "Corrupt File: Missing \"info\" segment\n");

    const auto garbage = box.Write("g.torrent", "not bencode");
    r = RunCliArgs({"show", "--json", garbage.string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(
        nlohmann::json::parse(r.Out)["errors"][0], "Error parsing file; does not appear to be valid bencoded metainfo");
}

TEST(CliShow, UnreadableFileAndUsageErrors)
{
    test::TSandbox box;
    auto r = RunCliArgs({"show", (box.Path() / "missing.torrent").string()});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("cannot open"), std::string::npos);
    EXPECT_NE(r.Err.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(RunCliArgs({"show"}).Code, 2);
    EXPECT_EQ(RunCliArgs({}).Code, 2);
    EXPECT_EQ(RunCliArgs({"frobnicate"}).Code, 2);
    r = RunCliArgs({"show", "--help"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_NE(r.Out.find("--json"), std::string::npos);
}

// show, verify and edit refuse a FIFO or a folder at once: nothing waits for a
// writer that never comes.
TEST(CliShow, SpecialFilesAreRefusedAtOnce)
{
    BRISOLT_LINUX_ONLY("FIFOs");
    test::TSandbox box;
    const auto fifo = test::MakeFifo(box.Path() / "p.torrent").string();
    const auto folder = box.Path().string();

    const struct
    {
        std::vector<std::string> Args;
        std::string Err;
    } cases[] = {
        {{"show", fifo}, "cannot open " + fifo + ": Keine reguläre Datei."},
        {{"show", folder}, "cannot open " + folder + ": Is a directory"},
        {{"verify", fifo, folder}, "cannot open " + fifo + ": Keine reguläre Datei."},
        {{"edit", fifo, "--name", "x"}, "Datei " + fifo + " kann nicht geöffnet werden. Keine reguläre Datei."},
        {{"edit", folder, "--name", "x"}, "Datei " + folder + " kann nicht geöffnet werden. Is a directory"},
    };

    for (const auto& c : cases)
    {
        test::TCliRun r{};
        EXPECT_TRUE(test::ReturnsWithoutWaiting(fifo, [&] { r = RunCliArgs(c.Args); })) << c.Args[0];
        EXPECT_EQ(r.Code, 1) << c.Args[0];
        EXPECT_EQ(r.Err, "brisolt-cli: " + c.Err + "\n");
    }
}

TEST(CliShow, ShippedSampleLoads)
{
    const auto r = RunCliArgs({"show", (test::DataDir() / ".." / ".." / "samples" / "sample.torrent").string()});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Name:            Sample\n"), std::string::npos);
}

} // namespace
} // namespace brisolt
