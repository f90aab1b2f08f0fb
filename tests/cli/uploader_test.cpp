// What uploaders to private trackers ask for, through the command line: piece
// lengths for large content, metadata control, file filters, a new info hash
// on purpose. Every option is off unless given; bytes are read back by
// libtorrent.
#include <chrono>
#include <ctime>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/clirun.h"
#include "create/collect.h"
#include "create/createsupport.h"
#include "create/editsupport.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using namespace test;

class CliUploader : public ::testing::Test
{
protected:
    TSandbox Box;
    std::filesystem::path File = Box.Write("movie.mkv", RandomBytes(300000, 7));
    std::filesystem::path Made = Box.Path() / "made.torrent";

    // create SOURCE -a http://t/a -o Made, then the options.
    TCliRun Create(const std::filesystem::path& source, const std::vector<std::string>& options) const
    {
        std::vector<std::string> args{"create", source.string(), "-a", "http://t/a", "-o", Made.string()};
        args.insert(args.end(), options.begin(), options.end());
        return RunCliArgs(args);
    }
};

TEST_F(CliUploader, PieceLengthRules)
{
    const struct
    {
        std::vector<std::string> Options;
        int Pieces;
        int64_t Length;
    } cases[] = {
        {{}, 2, 262144},
        {{"--target-pieces", "4"}, 3, 131072},
        {{"--target-pieces", "1"}, 1, 524288},
        {{"--target-pieces", "1000000"}, 19, 16384},
        {{"--max-piece-length", "64kb"}, 5, 65536},
        {{"--target-pieces", "1", "--max-piece-length", "128KiB"}, 3, 131072},
        {{"-l", "65536kb"}, 1, 67108864},
        {{"-l", "32768kb"}, 1, 33554432},
    };

    for (const auto& c : cases)
    {
        const auto run = Create(File, c.Options);
        ASSERT_EQ(run.Code, 0) << run.Err;
        EXPECT_EQ(
            run.Out,
            Made.string() + ": 1 file, 300000 bytes, " + std::to_string(c.Pieces) + " pieces of "
                + std::to_string(c.Length) + " bytes\n");
        EXPECT_ORACLE_EQ(CheckWithLibtorrent(Made, File), "ok " + std::to_string(c.Pieces) + "\n");
    }
}

TEST_F(CliUploader, UsageErrors)
{
    const struct
    {
        std::vector<std::string> Options;
        std::string Err;
    } cases[] = {
        {{"-l", "64kb", "--target-pieces", "2"},
         "brisolt-cli create: -l sets the piece length; --max-piece-length and --target-pieces go with -l auto\n"},
        {{"-l", "1024kb", "--max-piece-length", "8mb"},
         "brisolt-cli create: -l sets the piece length; --max-piece-length and --target-pieces go with -l auto\n"},
        {{"--max-piece-length", "3000"}, "--max-piece-length: not a power of two from 16 KiB to 64 MiB: 3000"},
        {{"--max-piece-length", "128mb"}, "--max-piece-length: not a power of two from 16 KiB to 64 MiB: 128mb"},
        {{"--target-pieces", "0"}, "--target-pieces"},
        {{"-l", "131072kb"}, "--piece-size"},
        {{"--no-date", "--date", "@1"}, "--no-date excludes --date"},
        {{"--date", "2023-02-29"},
         "brisolt-cli create: --date takes @SECONDS or YYYY-MM-DD[THH:MM[:SS]] from 1970-01-01 to "
         "2038-01-19T03:14:07, not 2023-02-29\n"},
        {{"--date", "2038-01-19T03:14:08"}, "not 2038-01-19T03:14:08\n"},
        {{"--date", "@-1"}, "not @-1\n"},
        {{"--created-by", "x", "--no-created-by"}, "--no-created-by excludes --created-by"},
    };

    for (const auto& c : cases)
    {
        const auto run = Create(File, c.Options);
        EXPECT_EQ(run.Code, 2);
        EXPECT_NE(run.Err.find(c.Err), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(Made));
    }
}

// The keys outside the info dictionary, as written; the rest of the bytes is
// the same in every case.
TEST_F(CliUploader, MetadataControl)
{
    const std::string suffix(kCommentSuffix);
    const std::string createdBy = "10:created by" + BStr(std::string(kCreatedBy));

    const struct
    {
        std::vector<std::string> Options;
        std::string Keys; // from "comment" to before "encoding"
    } cases[] = {
        {{"--no-date"}, createdBy},
        {{"--no-date", "-c", "a\nb"}, "7:comment" + BStr("a\r\nb\r\n" + suffix) + createdBy},
        {{"--no-date", "-c", "a\nb", "--exact-comment"}, "7:comment3:a\nb" + createdBy},
        {{"--no-date", "--created-by", "mkbrr"}, "10:created by5:mkbrr"},
        {{"--no-date", "--no-created-by", "-c", "x", "--exact-comment"}, "7:comment1:x"},
        {{"--date", "@1700000000", "--no-created-by"}, "13:creation datei1700000000e"},
        {{"--date", "2024-02-29T12:34:56", "--no-created-by"}, "13:creation datei1709210096e"},
        {{"--date", "2024-02-29 12:34", "--no-created-by"}, "13:creation datei1709210040e"},
        {{"--date", "1970-01-01", "--no-created-by"}, "13:creation datei0e"},
        {{"--date", "@2147483647", "--no-created-by"}, "13:creation datei2147483647e"},
    };

    const std::string head = "d8:announce10:http://t/a18:azureus_propertiesd17:dht_backup_enablei0ee";
    for (const auto& c : cases)
    {
        const auto run = Create(File, c.Options);
        ASSERT_EQ(run.Code, 0) << run.Err;
        const std::string bytes = ReadFile(Made);
        EXPECT_EQ(bytes.substr(0, bytes.find("8:encoding")), head + c.Keys) << c.Options.back();
        EXPECT_ORACLE_EQ(CheckWithLibtorrent(Made, File), "ok 2\n");
    }
}

// Without a date the bytes depend on the content and options alone: two runs
// a clock second apart give the same SHA-256, where two dated runs differ.
TEST_F(CliUploader, NoDateTwiceGivesTheSameBytes)
{
    if (!OracleRuns())
        return;
    const auto first = Box.Path() / "1.torrent";
    const auto second = Box.Path() / "2.torrent";
    const auto dated = Box.Path() / "dated.torrent";
    ASSERT_EQ(Create(File, {"--no-date"}).Code, 0);
    std::filesystem::rename(Made, first);
    ASSERT_EQ(Create(File, {}).Code, 0);
    std::filesystem::rename(Made, dated);
    // Bounded: the clock's second changes within about a second.
    const auto start = std::time(nullptr);
    for (int i = 0; i < 300 && std::time(nullptr) == start; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(std::time(nullptr), start);
    ASSERT_EQ(Create(File, {"--no-date"}).Code, 0);
    std::filesystem::rename(Made, second);
    ASSERT_EQ(Create(File, {}).Code, 0);
    std::string sums;
    ASSERT_EQ(
        RunPython(
            OracleScript("sha256.py"),
            Quote(first) + " " + Quote(second) + " " + Quote(dated) + " " + Quote(Made),
            sums),
        0);
    ASSERT_EQ(sums.size(), 4 * 65u) << sums;
    EXPECT_EQ(sums.substr(0, 65), sums.substr(65, 65));
    EXPECT_NE(sums.substr(130, 65), sums.substr(195, 65));
    EXPECT_EQ(ReadFile(first).find("creation date"), std::string::npos);
}

TEST_F(CliUploader, FiltersLeaveOutAndSayWhy)
{
    BRISOLT_LINUX_ONLY("a name with a colon");
    const auto content = Box.Path() / "Content";
    for (const char* name :
         {"a.mkv",
          ".DS_Store",
          "Desktop.INI",
          "THUMBS.DB",
          "b.mkv:Zone.Identifier",
          "@eaDir/a.jpg",
          ".AppleDouble/x",
          ".hidden",
          "sub/.git/c",
          "sub/d.txt",
          "Sample/s.mkv",
          "Sample/deep/t.mkv",
          "info.NFO"})
        Box.Write(std::filesystem::path("Content") / name, "xx");

    const struct
    {
        std::vector<std::string> Options;
        std::string Kept;    // the files written, by path
        std::string Summary; // after "N files, N bytes, 1 pieces of 262144 bytes"
    } cases[] = {
        {{"--exclude-junk", "--keep-thumbs"},
         ".hidden Sample/deep/t.mkv Sample/s.mkv a.mkv info.NFO sub/.git/c sub/d.txt ",
         "; 6 files left out (junk: 6)"},
        {{"--no-hidden"},
         "@eaDir/a.jpg Desktop.INI Sample/deep/t.mkv Sample/s.mkv a.mkv b.mkv:Zone.Identifier info.NFO sub/d.txt ",
         "; 4 files left out (hidden: 4)"},
        {{"--exclude-junk", "--no-hidden", "--iexclude", "*.nfo", "--include", "*.mkv"},
         "Sample/deep/t.mkv Sample/s.mkv a.mkv ",
         "; 9 files left out (junk: 5, hidden: 2, excluded: 1, not included: 1)"},
        {{"--include", "Sample/*"}, "Sample/s.mkv ", "; 11 files left out (not included: 11)"},
        {{"--include", "sample/**", "--include", "**/d.txt"}, "sub/d.txt ", "; 11 files left out (not included: 11)"},
        {{"--include", "Sample/**"}, "Sample/deep/t.mkv Sample/s.mkv ", "; 10 files left out (not included: 10)"},
        {{"--iexclude", "SAMPLE/*"},
         ".AppleDouble/x .DS_Store .hidden @eaDir/a.jpg Desktop.INI Sample/deep/t.mkv a.mkv b.mkv:Zone.Identifier "
         "info.NFO sub/.git/c sub/d.txt ",
         "; 1 file left out (excluded: 1)"},
        // -x keeps its rule: * crosses folder levels, and no reasons are given.
        {{"-x", "Sample/*", "-x", "*.NFO"},
         ".AppleDouble/x .DS_Store .hidden @eaDir/a.jpg Desktop.INI a.mkv b.mkv:Zone.Identifier sub/.git/c "
         "sub/d.txt ",
         "; 3 files left out"},
    };

    for (const auto& c : cases)
    {
        const auto run = Create(content, c.Options);
        ASSERT_EQ(run.Code, 0) << run.Err;
        TTorrentFile t;
        ASSERT_TRUE(t.Load(ReadFile(Made)));
        std::string kept;
        for (const auto& file : t.Files)
            kept += SlashPath(file) + " ";
        EXPECT_EQ(kept, c.Kept) << c.Options.back();
        const std::size_t count = t.Files.size();
        EXPECT_EQ(
            run.Out,
            Made.string() + ": " + std::to_string(count) + (count == 1 ? " file, " : " files, ")
                + std::to_string(2 * count) + " bytes, 1 pieces of 262144 bytes" + c.Summary + "\n");
    }
    const auto json = Create(content, {"--json", "--no-hidden", "-x", "*.mkv"});
    ASSERT_EQ(json.Code, 0) << json.Err;
    const auto files = nlohmann::json::parse(json.Out)["torrents"][0]["left_out_files"];
    EXPECT_EQ(
        files.dump(),
        R"([{"path":".AppleDouble/x","reason":"hidden"},{"path":".DS_Store","reason":"hidden"},)"
        R"({"path":".hidden","reason":"hidden"},{"path":"Sample/deep/t.mkv","reason":"excluded"},)"
        R"({"path":"Sample/s.mkv","reason":"excluded"},{"path":"a.mkv","reason":"excluded"},)"
        R"({"path":"sub/.git/c","reason":"hidden"}])");
}

// --entropy: each run another info hash for the same bytes of content;
// edit --no-source drops a source tag.
TEST_F(CliUploader, NewInfoHashOnPurpose)
{
    std::set<std::string> hashes;
    for (const auto& options : std::vector<std::vector<std::string>>{{}, {"--entropy"}, {"--entropy"}})
    {
        const auto run = Create(File, options);
        ASSERT_EQ(run.Code, 0) << run.Err;
        TTorrentFile t;
        ASSERT_TRUE(t.Load(ReadFile(Made)));
        hashes.insert(t.InfoHashText);
        const std::string bytes = ReadFile(Made);
        const auto at = bytes.find("4:infod7:entropy32:");
        EXPECT_EQ(at != std::string::npos, !options.empty());
        if (at != std::string::npos)
        {
            EXPECT_EQ(bytes.substr(at + 19, 32).find_first_not_of("0123456789abcdef"), std::string::npos);
            EXPECT_EQ(bytes.substr(at + 19 + 32, 8), "6:length");
        }
        EXPECT_ORACLE_EQ(CheckWithLibtorrent(Made, File), "ok 2\n");
    }
    EXPECT_EQ(hashes.size(), 3u);

    ASSERT_EQ(Create(File, {"-s", "TRK"}).Code, 0);
    ASSERT_NE(ReadFile(Made).find("6:source3:TRK"), std::string::npos);
    const auto refused = RunCliArgs({"edit", Made.string(), "--no-source", "--keep-info-hash"});
    EXPECT_EQ(refused.Code, 2);
    EXPECT_NE(refused.Err.find("--no-source changes the info dictionary"), std::string::npos) << refused.Err;
    EXPECT_EQ(RunCliArgs({"edit", Made.string(), "--no-source", "--source", "X"}).Code, 2);
    const auto edited = RunCliArgs({"edit", Made.string(), "--no-source"});
    ASSERT_EQ(edited.Code, 0) << edited.Err;
    EXPECT_EQ(ReadFile(Made).find("6:source"), std::string::npos);
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(Made, File), "ok 2\n");
}

// A passkey replaced in many torrents at once: the announce and every backup
// address change, the info dictionary keeps its bytes, a torrent without the
// text is left alone, one that fails does not stop the rest.
TEST_F(CliUploader, ReplaceAnnounceInManyTorrents)
{
    const std::string info = SingleInfo("one.bin", 9);
    const auto with = Box.Write(
        "with.torrent",
        Metainfo(
            info,
            "http://t/KEY/announce",
            {{"announce-list",
              BList({BList({BStr("http://t/KEY/announce")}), BList({BStr("udp://u/KEY"), BStr("http://b/none")})})}}));
    const auto without = Box.Write("without.torrent", Metainfo(info, "http://other/a"));
    const auto broken = Box.Write("broken.torrent", "d8:announce3:xyze");
    const std::string withBefore = ReadFile(with);
    const std::string withoutBefore = ReadFile(without);
    TTorrentFile loaded;
    ASSERT_TRUE(loaded.Load(withBefore));
    const std::string hash = loaded.InfoHashText;
    const std::vector<std::string> files{with.string(), without.string(), broken.string()};
    const auto edit = [&](std::vector<std::string> options)
    {
        std::vector<std::string> args{"edit"};
        args.insert(args.end(), files.begin(), files.end());
        args.insert(args.end(), options.begin(), options.end());
        return RunCliArgs(args);
    };

    const auto dry = edit({"--replace-announce", "KEY", "NEW", "--dry-run"});
    EXPECT_EQ(dry.Code, 1) << "the broken torrent fails";
    EXPECT_EQ(
        dry.Out,
        with.string() + ": would be written, 3 tracker addresses changed; info hash " + hash + " stays\n"
            + without.string() + ": unchanged, no tracker address contains KEY\n");
    EXPECT_NE(dry.Err.find(broken.string() + " did not load"), std::string::npos) << dry.Err;
    EXPECT_EQ(ReadFile(with), withBefore);

    const auto run = edit({"--replace-announce", "KEY", "NEW"});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(
        run.Out,
        with.string() + ": " + hash + "\n" + without.string() + ": unchanged, no tracker address contains KEY\n");
    EXPECT_EQ(ReadFile(without), withoutBefore);
    const std::string after = ReadFile(with);
    EXPECT_NE(after.find(BStr("http://t/NEW/announce")), std::string::npos);
    EXPECT_NE(after.find(BStr("udp://u/NEW")), std::string::npos);
    EXPECT_NE(after.find(BStr("http://b/none")), std::string::npos);
    EXPECT_EQ(after.find("KEY"), std::string::npos);
    EXPECT_NE(after.find("4:info" + info), std::string::npos) << "the info dictionary keeps its bytes";
    EXPECT_ORACLE_EQ(LibtorrentView(with).substr(0, 40), hash);

    for (const auto& options : std::vector<std::vector<std::string>>{
             {"--replace-announce", "", "x"},
             {"--replace-announce", "a", "b", "--announce", "http://c/"},
             {"--replace-announce", "a", "b", "--no-backup"},
             {"--name", "n"},
             {"-o", (Box.Path() / "out.torrent").string()}})
        EXPECT_EQ(edit(options).Code, 2) << options[0];
}

// Jobs of a JSON file run in turn with one summary: each job's keys set what
// its option sets, a failing job does not stop the next, a mistake in any job
// is found before the first one hashes.
TEST_F(CliUploader, BatchRunsEveryJobWithOneSummary)
{
    Box.Write("jobs/c1/a.mkv", RandomBytes(100000, 1));
    Box.Write("jobs/c1/sub/notes.nfo", "x");
    const auto jobs = Box.Write(
        "jobs/jobs.json",
        R"({"jobs": [
  {"source": "c1", "tracker": "http://t/K/announce", "output": "c1.torrent", "source_tag": "TRK",
   "exclude": "*.nfo", "piece_length": "64kb"},
  {"source": "missing", "output": "m.torrent"},
  {"source": ["c1/a.mkv"], "output": "a.torrent", "target_pieces": 4, "entropy": true}
]})");
    const auto run = RunCliArgs({"create", "--batch", jobs.string(), "-a", "udp://u/a", "--no-date", "-q"});
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find("cannot use " + (Box.Path() / "jobs" / "missing").string()), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("brisolt-cli: batch: 3 jobs, 2 done, 1 failed\n"), std::string::npos) << run.Err;
    TTorrentFile folder;
    ASSERT_TRUE(folder.Load(ReadFile(Box.Path() / "jobs" / "c1.torrent")));
    EXPECT_EQ(folder.Announce, "http://t/K/announce");
    EXPECT_EQ(folder.Source, "TRK");
    EXPECT_EQ(folder.PieceLength, 65536);
    EXPECT_EQ(folder.Files.size(), 1u);
    EXPECT_EQ(folder.CreationDate, 0.0);
    const std::string single = ReadFile(Box.Path() / "jobs" / "a.torrent");
    EXPECT_NE(single.find("8:announce9:udp://u/a"), std::string::npos) << "-a is every job's default";
    EXPECT_NE(single.find("7:entropy"), std::string::npos);
    EXPECT_NE(single.find("12:piece lengthi32768e"), std::string::npos) << "100000 bytes in at most 4 pieces";
    EXPECT_FALSE(std::filesystem::exists(Box.Path() / "jobs" / "m.torrent"));

    const struct
    {
        std::string Jobs;
        std::string Message;
    } refused[] = {
        {"not json", "is not JSON"},
        {"[]", "holds no list of jobs"},
        {R"([{"source": "c1", "output": "x.torrent"}, {"source": "c1", "trackr": "x"}])", "job 2 of "},
        {R"([{"source": "c1", "piece_length": "100kb"}])", "not one of -l's"},
        {R"([{"source": "c1", "target_pieces": "4"}])", "wrong kind for \"target_pieces\""},
        {R"([{"output": "x.torrent"}])", "has no \"source\""},
    };

    for (const auto& row : refused)
    {
        Box.Write("jobs/bad.json", row.Jobs);
        const auto bad =
            RunCliArgs({"create", "--batch", (Box.Path() / "jobs" / "bad.json").string(), "-a", "http://t/a"});
        EXPECT_EQ(bad.Code, 2) << row.Jobs;
        EXPECT_NE(bad.Err.find(row.Message), std::string::npos) << bad.Err;
        EXPECT_FALSE(std::filesystem::exists(Box.Path() / "jobs" / "x.torrent")) << row.Jobs;
    }
    EXPECT_EQ(RunCliArgs({"create", "--batch", jobs.string(), "-a", "http://t/a", "--json"}).Code, 2);
}

} // namespace
} // namespace brisolt
