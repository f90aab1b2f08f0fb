// brisolt-cli create -a NAME and -b NAME: a tracker's name from the cached
// tracker list or the user's own trackers in the install directory becomes
// its announce URL.

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "core/torrentfile.h"
#include "platform/installdir.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::RunCliArgs;
using test::TSandbox;

// Points the install directory into the sandbox for as long as it lives.
class TInstallDirVariable : public test::TEnvironment
{
public:
    explicit TInstallDirVariable(const std::filesystem::path& folder)
        : TEnvironment(kInstallDirVariable, folder.string().c_str())
    {
    }
};

constexpr const char* kList = "208\r\n\r\n4\r\n"
                              "Alpha\r\nhttp://alpha/announce\r\nhttp://alpha/\r\n0\r\n"
                              "Beta\r\nhttp://beta-first/announce\r\n\r\n1\r\n"
                              "Beta\r\nhttp://beta-last/announce\r\n\r\n0\r\n"
                              "Gone\r\nhttp://gone/announce\r\n\r\n1\r\n";

std::string AnnounceOf(const TSandbox& box, const std::string& announce)
{
    const auto source = box.Write("data.bin", "some content");
    const auto output = box.Path() / "out.torrent";
    const auto r = RunCliArgs({"create", source.string(), "-a", announce, "-o", output.string(), "-q"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    TTorrentFile t;
    EXPECT_TRUE(t.Load(test::ReadFile(output)));
    return t.Announce;
}

TEST(CliTrackerName, NameFromTheCachedListGivesItsAnnounceURL)
{
    TSandbox box;
    box.Write("install/trackers.lst", kList);
    const TInstallDirVariable dir(box.Path() / "install");
    EXPECT_EQ(AnnounceOf(box, "Alpha"), "http://alpha/announce");
    // The last entry of a name wins, down or not.
    EXPECT_EQ(AnnounceOf(box, "Beta"), "http://beta-last/announce");
}

TEST(CliTrackerName, BackupRowsAndOwnTrackersAreLookedUpLikeTheAnnounce)
{
    TSandbox box;
    box.Write("install/trackers.lst", kList);
    box.Write(
        "install/brisolt.ini",
        "[private]\ncount=2\n[private0]\nname=Own\nannounce=http://own/announce\n"
        "[private1]\nname=Alpha\nannounce=http://own-alpha/announce\n");
    const TInstallDirVariable dir(box.Path() / "install");
    const auto source = box.Write("data.bin", "some content");
    const auto output = box.Path() / "out.torrent";
    const auto r = RunCliArgs(
        {"create",
         source.string(),
         "-a",
         "Own",
         "-b",
         "Alpha",
         "-b",
         "Gone",
         "-b",
         "http://b/",
         "-o",
         output.string(),
         "-q"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err, "brisolt-cli: warning: the tracker Gone may be offline (marked down in the tracker list)\n");
    TTorrentFile t;
    ASSERT_TRUE(t.Load(test::ReadFile(output)));
    EXPECT_EQ(t.Announce, "http://own/announce");
    EXPECT_EQ(
        t.BackupTrackers,
        (std::vector<std::string>{
            "http://own/announce", "http://own-alpha/announce", "http://gone/announce", "http://b/"}));
}

TEST(CliTrackerName, OtherTextIsTheURLItself)
{
    TSandbox box;
    box.Write("install/trackers.lst", kList);
    const TInstallDirVariable dir(box.Path() / "install");
    EXPECT_EQ(AnnounceOf(box, "alpha"), "alpha"); // names compare with their letter case
    EXPECT_EQ(AnnounceOf(box, "http://typed/announce"), "http://typed/announce");
}

TEST(CliTrackerName, WithoutCachedListTheTextIsTheURL)
{
    TSandbox box;
    const TInstallDirVariable dir(box.Path() / "install");
    EXPECT_EQ(AnnounceOf(box, "Alpha"), "Alpha");
}

TEST(CliTrackerName, ListBrokenHalfwayStillOffersWhatItRead)
{
    TSandbox box;
    box.Write("install/trackers.lst", "208\n\n5\nAlpha\nhttp://alpha/announce\nhttp://alpha/\n0\nBeta\n");
    const TInstallDirVariable dir(box.Path() / "install");
    EXPECT_EQ(AnnounceOf(box, "Alpha"), "http://alpha/announce");
    EXPECT_EQ(AnnounceOf(box, "Beta"), "Beta"); // its announce line is missing
}

// A tracker's rules in the settings file: its source tag, piece length table,
// largest piece and excludes are applied; a torrent over its size limit even
// at the largest allowed piece is refused before hashing, saying by how much.
TEST(CliTrackerName, TrackerRulesAreAppliedOrRefuseBeforeHashing)
{
    TSandbox box;
    box.Write("install/trackers.lst", kList);
    box.Write("content/a.mkv", test::RandomBytes(200000, 1));
    box.Write("content/sub/x.nfo", "n");
    const TInstallDirVariable dir(box.Path() / "install");
    const auto output = box.Path() / "out.torrent";

    const struct
    {
        std::string Ini;
        std::vector<std::string> Options;
        std::string Err;   // empty: written, with the checks below
        std::string Bytes; // in the written torrent
        int64_t PieceLength = 0;
    } rows[] = {
        {"[private]\ncount=1\n[private0]\nname=Own\nannounce=http://own/a\nsource=SRC\n"
         "piecelengths=100KB=16KiB;*=64KiB\nexclude=*.nfo;*.txt\n",
         {"-a", "Own"},
         "",
         "6:source3:SRC",
         65536},
        {"[rules:Alpha]\npiecelengths=1MB=32KiB\n", {"-a", "Alpha"}, "", "8:announce21:http://alpha/announce", 32768},
        {"[rules:Alpha]\nmaxtorrentsize=400\n", {"-a", "Alpha", "--target-pieces", "13"}, "", "12:piece lengthi", 0},
        {"[rules:Alpha]\nmaxtorrentsize=250\nmaxpiece=64KiB\n",
         {"-a", "Alpha"},
         "brisolt-cli: Der Torrent wäre 416 Bytes groß, 166 Bytes über der Grenze des Trackers Alpha von 250 Bytes "
         "(mit Stücken von 65536 Bytes, den größten erlaubten).\n",
         "",
         0},
        {"[rules:Alpha]\nmaxpiece=64KiB\n",
         {"-a", "Alpha", "-l", "128kb"},
         "brisolt-cli: Der Tracker Alpha nimmt Stücke bis 65536 Bytes, nicht 131072.\n",
         "",
         0},
        {"[rules:Alpha]\nsource=A\n",
         {"-a", "Alpha", "-s", "B"},
         "brisolt-cli: Der Tracker Alpha verlangt den Source-Tag A, nicht B.\n",
         "",
         0},
        {"[rules:Alpha]\npiecelengths=lots\n",
         {"-a", "Alpha"},
         "brisolt-cli: Die Regel des Trackers Alpha \"piecelengths\" versteht sich nicht: lots\n",
         "",
         0},
    };

    for (const auto& row : rows)
    {
        box.Write("install/brisolt.ini", row.Ini);
        std::filesystem::remove(output);
        std::vector<std::string> args{"create", (box.Path() / "content").string(), "-o", output.string(), "-q"};
        args.insert(args.end(), row.Options.begin(), row.Options.end());
        const auto r = RunCliArgs(args);
        EXPECT_EQ(r.Err, row.Err) << row.Ini;
        EXPECT_EQ(r.Code, row.Err.empty() ? 0 : 1) << row.Ini;
        if (!row.Err.empty())
        {
            EXPECT_FALSE(std::filesystem::exists(output)) << row.Ini;
            continue;
        }
        const std::string bytes = test::ReadFile(output);
        EXPECT_NE(bytes.find(row.Bytes), std::string::npos) << row.Ini;
        TTorrentFile t;
        ASSERT_TRUE(t.Load(bytes));
        if (row.PieceLength > 0)
            EXPECT_EQ(t.PieceLength, row.PieceLength) << row.Ini;
        else // grown from 16 KiB until the torrent fits
            EXPECT_TRUE(t.PieceLength > 16384 && bytes.size() <= 400) << t.PieceLength << " " << bytes.size();
        EXPECT_EQ(t.Files.size(), row.Ini.find("exclude") != std::string::npos ? 1u : 2u) << row.Ini;
    }
}

} // namespace
} // namespace brisolt
