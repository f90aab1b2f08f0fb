#include <gtest/gtest.h>

#include "config/privatetrackers.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

std::vector<std::string> Names(const std::vector<TTracker>& trackers)
{
    std::vector<std::string> names;
    for (const auto& tracker : trackers)
        names.push_back(tracker.Name);
    return names;
}

TEST(PrivateTrackers, CountSaysHowManySectionsAreRead)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {}},
        {"[private]\ncount=-2\n[private0]\nname=A\n", {}},
        {"[private]\ncount=1\n[private0]\nname=A\n[private1]\nname=B\n", {"A"}},
        {"[private]\ncount=3\n[private0]\nname=A\n", {"A", "", ""}},
        // A garbled count: up to the last section that exists.
        {"[private]\ncount=1001\n[private0]\nname=A\n[private2]\nname=C\n", {"A", "", "C"}},
    };
    for (const auto& [ini, names] : cases)
    {
        test::TSandbox box;
        EXPECT_EQ(Names(ReadPrivateTrackers(box.Write("brisolt.ini", ini))), names) << ini;
    }
}

TEST(PrivateTrackers, WrittenTrackersReadBackAsUtf8)
{
    test::TSandbox box;
    const auto path = box.Write("brisolt.ini", "[private3]\nname=Left\n");
    TPrivateProfile profile(path);
    WritePrivateTrackers(profile, {{"A\xE9", "http://a/", "http://a/web", true}, {"B", "", "", false}});
    const std::pair<const char*, const char*> values[] = {
        {"private:count", "2"},
        {"private0:name", "A\xE9"},
        {"private0:announce", "http://a/"},
        {"private1:name", "B"},
        {"private1:webpage", ""},
        {"private3:name", "Left"}, // beyond the count: left alone
    };
    for (const auto& [key, value] : values)
    {
        const std::string k = key;
        const auto colon = k.find(':');
        EXPECT_EQ(ReadProfileString(path, k.substr(0, colon), k.substr(colon + 1), "?"), value) << key;
    }
    const auto trackers = ReadPrivateTrackers(path);
    ASSERT_EQ(trackers.size(), 2u);
    EXPECT_EQ(trackers[0].Name, "A\xC3\xA9"); // written by an older version in Windows-1252
    EXPECT_EQ(trackers[0].Webpage, "http://a/web");
    EXPECT_FALSE(trackers[0].Down);
}

} // namespace
} // namespace brisolt
