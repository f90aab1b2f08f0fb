#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/trackerlist.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

const std::string kTwoTrackers = "208\r\n"
                                 "http://example.org/update\r\n"
                                 "2\r\n"
                                 "Alpha\r\n"
                                 "http://alpha/announce\r\n"
                                 "http://alpha/\r\n"
                                 "0\r\n"
                                 "Beta\r\n"
                                 "http://beta/announce\r\n"
                                 "http://beta/\r\n"
                                 "1\r\n";

std::string ErrorOf(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const ETrackerListError& e)
    {
        return e.what();
    }
    return "(no error)";
}

TEST(TrackerListText, LineEnds)
{
    struct TCase
    {
        std::string Text;
        std::vector<std::string> Lines;
    };

    const TCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"\n", {""}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"\r\n\r\n", {"", ""}},
        {" a \t\r\n", {" a \t"}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {std::string("\0a", 2), {}},
    };
    for (const auto& c : cases)
    {
        const TTrackerListText lines(c.Text);
        ASSERT_EQ(lines.Count(), c.Lines.size()) << c.Text;
        for (std::size_t i = 0; i < c.Lines.size(); ++i)
            EXPECT_EQ(lines.Line(i), c.Lines[i]) << c.Text << " line " << i;
    }
}

TEST(TrackerListText, LinesInAnyOrder)
{
    const TTrackerListText lines("zero\none\ntwo\nthree");
    EXPECT_EQ(lines.Line(3), "three");
    EXPECT_EQ(lines.Line(1), "one");
    EXPECT_EQ(lines.Line(2), "two");
    EXPECT_EQ(lines.Line(0), "zero");
    EXPECT_EQ(ErrorOf([&] { (void)lines.Line(4); }), "Listenindex überschreitet das Maximum (4)");
    EXPECT_EQ(lines.Line(3), "three");
}

TEST(TrackerListStrToInt, AcceptsWhatTheToolkitAccepts)
{
    EXPECT_EQ(ListStrToInt("208"), 208);
    EXPECT_EQ(ListStrToInt("00"), 0);
    EXPECT_EQ(ListStrToInt("-0"), 0);
    EXPECT_EQ(ListStrToInt("+7"), 7);
    EXPECT_EQ(ListStrToInt("  12"), 12);
    EXPECT_EQ(ListStrToInt("-1"), -1);
    EXPECT_EQ(ListStrToInt("2147483647"), 2147483647);
    EXPECT_EQ(ListStrToInt("-2147483648"), -2147483647 - 1);
}

TEST(TrackerListStrToInt, RejectsWithTheLineInTheMessage)
{
    for (const char* text : {"", " ", "-", "abc", "208 ", "1 2", "2147483648", "-2147483649", "0x10", "1.0", "\t5"})
    {
        EXPECT_EQ(
            ErrorOf([&] { (void)ListStrToInt(text); }), std::string("'") + text + "' ist kein gültiger Integerwert")
            << text;
    }
    // Bytes that are not UTF-8 are shown as Windows-1252.
    EXPECT_EQ(ErrorOf([] { (void)ListStrToInt("\xE4"); }), "'ä' ist kein gültiger Integerwert");
}

TEST(TrackerList, TwoTrackersWithStatus)
{
    const TTrackerListText lines(kTwoTrackers);
    EXPECT_EQ(ReadListVersion(lines), 208);
    EXPECT_EQ(ReadUpdateAddress(lines), "http://example.org/update");
    std::vector<TTracker> trackers = {{"old", "", "", false}};
    std::vector<std::string> announced;
    ReadTrackers(lines, trackers, [&](const TTracker& t) { announced.push_back(t.Name); });
    ASSERT_EQ(trackers.size(), 2u);
    EXPECT_EQ(trackers[0].Name, "Alpha");
    EXPECT_EQ(trackers[0].Announce, "http://alpha/announce");
    EXPECT_EQ(trackers[0].Webpage, "http://alpha/");
    EXPECT_FALSE(trackers[0].Down);
    EXPECT_EQ(trackers[1].Name, "Beta");
    EXPECT_TRUE(trackers[1].Down);
    EXPECT_EQ(announced, (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST(TrackerList, VersionAboveOwnOffersUpdate)
{
    EXPECT_FALSE(OffersUpdate(208));
    EXPECT_TRUE(OffersUpdate(209));
    EXPECT_FALSE(OffersUpdate(-5));
    EXPECT_EQ(ParseTrackerList("209\nhttp://u/\n0\n").Version, 209);
    EXPECT_EQ(
        ErrorOf([] { (void)ReadListVersion(TTrackerListText("v208\n")); }), "'v208' ist kein gültiger Integerwert");
}

TEST(TrackerList, CountZeroInAnySpelling)
{
    for (const char* count : {"0", "00", "-0", "+0"})
    {
        std::vector<TTracker> trackers = {{"old", "", "", false}};
        ReadTrackers(TTrackerListText(std::string("208\nu\n") + count + "\n"), trackers);
        EXPECT_TRUE(trackers.empty()) << count;
    }
}

TEST(TrackerList, OnlyExactlyOneMeansDown)
{
    struct TCase
    {
        const char* Status;
        bool Down;
    };

    for (const TCase c :
         {TCase{"1", true},
          TCase{"1 ", false},
          TCase{" 1", false},
          TCase{"01", false},
          TCase{"0", false},
          TCase{"down", false},
          TCase{"", false}})
    {
        std::vector<TTracker> trackers;
        ReadTrackers(TTrackerListText(std::string("208\nu\n1\nN\nA\nW\n") + c.Status + "\n"), trackers);
        ASSERT_EQ(trackers.size(), 1u) << c.Status;
        EXPECT_EQ(trackers[0].Down, c.Down) << "'" << c.Status << "'";
    }
}

TEST(TrackerList, LinesStandAsTheyAre)
{
    std::vector<TTracker> trackers;
    ReadTrackers(TTrackerListText("208\ru\r1\r Name \r\thttp://a\r\r1\rignored\rlines"), trackers);
    ASSERT_EQ(trackers.size(), 1u);
    EXPECT_EQ(trackers[0].Name, " Name ");
    EXPECT_EQ(trackers[0].Announce, "\thttp://a");
    EXPECT_EQ(trackers[0].Webpage, "");
    EXPECT_TRUE(trackers[0].Down);
}

TEST(TrackerList, ShortListReportsTheMissingLine)
{
    struct TCase
    {
        std::string Text;
        std::string Error;
        std::size_t Entries;  // entries in trackers afterwards
        std::size_t Complete; // entries whose four lines were read
    };

    const TCase cases[] = {
        {"208\nu\n2\nA\nann\nweb\n0\nB\n", "Listenindex überschreitet das Maximum (8)", 2, 1},
        {"208\nu\n2\nA\nann\nweb\n0\n", "Listenindex überschreitet das Maximum (7)", 1, 1},
        {"208\nu\n1\nA\nann\nweb", "Listenindex überschreitet das Maximum (6)", 1, 0},
        {"208\nu\n1\n", "Listenindex überschreitet das Maximum (3)", 0, 0},
    };
    for (const auto& c : cases)
    {
        std::vector<TTracker> trackers = {{"old", "", "", false}};
        std::size_t complete = 0;
        EXPECT_EQ(
            ErrorOf([&] { ReadTrackers(TTrackerListText(c.Text), trackers, [&](const TTracker&) { ++complete; }); }),
            c.Error)
            << c.Text;
        EXPECT_EQ(trackers.size(), c.Entries) << c.Text;
        EXPECT_EQ(complete, c.Complete) << c.Text;
    }
    // The entry that was cut short keeps the fields read before the gap.
    std::vector<TTracker> trackers;
    EXPECT_NE(ErrorOf([&] { ReadTrackers(TTrackerListText("208\nu\n1\nA\nann\n"), trackers); }), "(no error)");
    ASSERT_EQ(trackers.size(), 1u);
    EXPECT_EQ(trackers[0].Name, "A");
    EXPECT_EQ(trackers[0].Announce, "ann");
    EXPECT_EQ(trackers[0].Webpage, "");
}

TEST(TrackerList, EmptyOrTruncatedHeadLines)
{
    EXPECT_EQ(
        ErrorOf([] { (void)ReadListVersion(TTrackerListText("")); }), "Listenindex überschreitet das Maximum (0)");
    EXPECT_EQ(
        ErrorOf([] { (void)ReadUpdateAddress(TTrackerListText("208")); }), "Listenindex überschreitet das Maximum (1)");
    // A failure on the count line leaves the table as it was.
    std::vector<TTracker> trackers = {{"old", "a", "w", true}};
    EXPECT_EQ(
        ErrorOf([&] { ReadTrackers(TTrackerListText("208\nu"), trackers); }),
        "Listenindex überschreitet das Maximum (2)");
    EXPECT_EQ(
        ErrorOf([&] { ReadTrackers(TTrackerListText("208\nu\nzwei\n"), trackers); }),
        "'zwei' ist kein gültiger Integerwert");
    EXPECT_EQ(
        ErrorOf([&] { ReadTrackers(TTrackerListText("208\nu\n-1\nA\nB\nC\nD\n"), trackers); }),
        "Fehler bei Bereichsprüfung");
    ASSERT_EQ(trackers.size(), 1u);
    EXPECT_EQ(trackers[0].Name, "old");
}

TEST(TrackerList, NulByteEndsTheText)
{
    const std::string text = std::string("208\nu\n1\nA") + '\0' + "B\nann\nweb\n0\n";
    const TTrackerList list = ParseTrackerList(text);
    EXPECT_EQ(list.Error, "Listenindex überschreitet das Maximum (4)");
    ASSERT_EQ(list.Trackers.size(), 1u);
    EXPECT_EQ(list.Trackers[0].Name, "A");
}

TEST(TrackerList, HugeAnnouncedCountAllocatesNothingForAbsentEntries)
{
    const TTrackerList list = ParseTrackerList("208\nu\n2147483647\nA\nann\nweb\n1\n");
    EXPECT_EQ(list.Error, "Listenindex überschreitet das Maximum (7)");
    ASSERT_EQ(list.Trackers.size(), 1u);
    EXPECT_LE(list.Trackers.capacity(), 16u);
    EXPECT_EQ(ParseTrackerList("208\nu\n2147483648\n").Error, "'2147483648' ist kein gültiger Integerwert");
}

TEST(TrackerList, ParseWholeListWithoutQuestions)
{
    const TTrackerList list = ParseTrackerList(kTwoTrackers + "trailing\nlines\n");
    EXPECT_EQ(list.Error, "");
    EXPECT_EQ(list.Version, 208);
    EXPECT_EQ(list.UpdateAddress, "http://example.org/update");
    ASSERT_EQ(list.Trackers.size(), 2u);
    EXPECT_EQ(list.Trackers[1].Announce, "http://beta/announce");

    const TTrackerList badVersion = ParseTrackerList("new\nu\n1\nA\nann\nweb\n0\n");
    EXPECT_EQ(badVersion.Error, "'new' ist kein gültiger Integerwert");
    EXPECT_TRUE(badVersion.Trackers.empty());
    EXPECT_EQ(ParseTrackerList("").Error, "Listenindex überschreitet das Maximum (0)");
}

TEST(TrackerLookup, LastEntryOfAName)
{
    const std::vector<TTracker> trackers = {
        {"Dup", "http://first/announce", "http://first/", false},
        {"Other", "http://other/announce", "", true},
        {"Dup", "http://second/announce", "http://second/", false},
    };
    EXPECT_EQ(LookupAnnounceURL(trackers, "Dup"), "http://second/announce");
    EXPECT_EQ(LookupAnnounceURL(trackers, "Other"), "http://other/announce");
    EXPECT_EQ(LookupAnnounceURL(trackers, "dup"), "");
    EXPECT_EQ(LookupAnnounceURL(trackers, "Dup "), "");
    EXPECT_EQ(LookupAnnounceURL({}, "Dup"), "");
    EXPECT_EQ(TrackerWebpages(trackers, "Dup"), (std::vector<std::string>{"http://first/", "http://second/"}));
    EXPECT_EQ(TrackerWebpages(trackers, "Other"), (std::vector<std::string>{""}));
    EXPECT_TRUE(TrackerWebpages(trackers, "None").empty());
}

// The window and the command line build the same directory: the list's
// Windows-1252 texts as UTF-8, the user's own (kept byte for byte) after them.
TEST(TrackerLookup, DirectoryPutsTheUsersOwnLast)
{
    const std::vector<TTracker> listed = {
        {"M\xFCnchen", "http://m\xFC/a", "http://m\xFC/", false}, {"Own", "http://listed/a", "", true}};
    const std::vector<TTracker> own = {{"Own", "http://own/a", "", false}, {"Raw\xFC", "http://raw/a", "", false}};
    const std::vector<TTracker> directory = TrackerDirectory(listed, own);
    ASSERT_EQ(directory.size(), 4u);
    EXPECT_EQ(directory[0].Name, "M\xC3\xBCnchen");
    EXPECT_EQ(directory[0].Announce, "http://m\xC3\xBC/a");
    EXPECT_EQ(directory[0].Webpage, "http://m\xC3\xBC/");
    EXPECT_EQ(directory[3].Name, "Raw\xFC");
    EXPECT_EQ(LookupAnnounceURL(directory, "Own"), "http://own/a");
    EXPECT_EQ(LookupAnnounceURL(TrackerDirectory(listed, {}), "Own"), "http://listed/a");
}

TEST(TrackerLookup, OnlyWebAddressesAreOpened)
{
    for (const char* address : {"http://x", "HTTPS://x/y", "hTtP://"})
        EXPECT_TRUE(IsWebAddress(address)) << address;
    for (const char* address : {"", "http:/x", "ftp://x", "file:///etc/passwd", "javascript:alert(1)", " http://x"})
        EXPECT_FALSE(IsWebAddress(address)) << address;
}

TEST(TrackerListFile, RoundTripKeepsEveryByte)
{
    test::TSandbox box;
    const auto path = box.Path() / std::string(kTrackerListFileName);
    const std::string bytes = std::string("208\r\nu\r0\n") + '\0' + "after nul\xE4";
    WriteTrackerListFile(path, bytes);
    EXPECT_EQ(ReadTrackerListFile(path), bytes);
    WriteTrackerListFile(path, "209");
    EXPECT_EQ(ReadTrackerListFile(path), "209");
}

TEST(TrackerListFile, LoadForCallersWithoutWindow)
{
    test::TSandbox box;
    const auto path = box.Write("trackers.lst", kTwoTrackers);
    const TTrackerList list = LoadTrackerList(path);
    EXPECT_EQ(list.Error, "");
    EXPECT_EQ(LookupAnnounceURL(list.Trackers, "Beta"), "http://beta/announce");
    const TTrackerList missing = LoadTrackerList(box.Path() / "none.lst");
    EXPECT_EQ(
        missing.Error,
        "Datei " + (box.Path() / "none.lst").string() + " kann nicht geöffnet werden. No such file or directory");
    EXPECT_TRUE(missing.Trackers.empty());
}

TEST(TrackerListFile, FailuresNameFileAndReason)
{
    test::TSandbox box;
    const auto missing = box.Path() / "trackers.lst";
    EXPECT_EQ(
        ErrorOf([&] { (void)ReadTrackerListFile(missing); }),
        "Datei " + missing.string() + " kann nicht geöffnet werden. No such file or directory");
    const auto noFolder = box.Path() / "absent" / "trackers.lst";
    EXPECT_EQ(
        ErrorOf([&] { WriteTrackerListFile(noFolder, "x"); }),
        "Datei \"" + noFolder.string() + "\" kann nicht erstellt werden. No such file or directory");
    const auto readOnly = box.Write("ro.lst", "208");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    EXPECT_EQ(
        ErrorOf([&] { WriteTrackerListFile(readOnly, "x"); }),
        "Datei \"" + readOnly.string() + "\" kann nicht erstellt werden. Permission denied");
    EXPECT_EQ(ReadTrackerListFile(readOnly), "208");
    // A device or FIFO in the cache's place stays what it is.
    for (const auto kind : {test::TNodeKind::CharDevice, test::TNodeKind::Fifo})
    {
        const auto node = box.Path() / ("node" + std::to_string(static_cast<int>(kind)));
        if (!test::MakeNode(node, kind))
            continue;
        EXPECT_EQ(
            ErrorOf([&] { WriteTrackerListFile(node, "x"); }),
            "Datei \"" + node.string() + "\" kann nicht erstellt werden. Keine reguläre Datei.");
        EXPECT_FALSE(std::filesystem::is_regular_file(node));
    }
}

} // namespace
} // namespace brisolt
