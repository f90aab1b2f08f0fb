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

} // namespace
} // namespace brisolt
