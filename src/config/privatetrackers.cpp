#include "config/privatetrackers.h"

#include <algorithm>
#include <string>

#include "platform/textconv.h"

namespace brisolt
{

namespace
{

constexpr const char* kPrivate = "private";

std::string PrivateSection(int32_t index)
{
    return kPrivate + std::to_string(index);
}

int32_t PrivateTrackerCount(const TPrivateProfile& profile)
{
    const int32_t count = std::max(0, profile.ReadInteger(kPrivate, "count", 0));
    if (count <= kMaxPrivateTrackers)
        return count;
    int32_t present = 0;
    for (int32_t i = 0; i < kMaxPrivateTrackers; ++i)
    {
        if (profile.SectionExists(PrivateSection(i)))
            present = i + 1;
    }
    return present;
}

} // namespace

std::vector<TTracker> ReadPrivateTrackers(const TPrivateProfile& profile)
{
    const int32_t count = PrivateTrackerCount(profile);
    std::vector<TTracker> trackers(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i)
    {
        const std::string section = PrivateSection(i);
        TTracker& tracker = trackers[static_cast<std::size_t>(i)];
        tracker.Name = DisplayText(profile.ReadString(section, "name", ""));
        tracker.Announce = DisplayText(profile.ReadString(section, "announce", ""));
        tracker.Webpage = DisplayText(profile.ReadString(section, "webpage", ""));
    }
    return trackers;
}

std::vector<TTracker> ReadPrivateTrackers(const std::filesystem::path& settingsFile)
{
    return ReadPrivateTrackers(TPrivateProfile(settingsFile));
}

TTrackerRules ReadTrackerRules(const TPrivateProfile& profile, std::string_view name)
{
    std::string section = "rules:" + std::string(name);
    for (int32_t i = PrivateTrackerCount(profile); i > 0; --i)
    {
        if (DisplayText(profile.ReadString(PrivateSection(i - 1), "name", "")) == name)
        {
            section = PrivateSection(i - 1);
            break;
        }
    }
    TTrackerRules rules;
    rules.Source = DisplayText(profile.ReadString(section, "source", ""));
    rules.PieceLengths = profile.ReadString(section, "piecelengths", "");
    rules.MaxPiece = profile.ReadString(section, "maxpiece", "");
    rules.MaxTorrentSize = profile.ReadString(section, "maxtorrentsize", "");
    rules.Exclude = DisplayText(profile.ReadString(section, "exclude", ""));
    return rules;
}

void WritePrivateTrackers(TPrivateProfile& profile, const std::vector<TTracker>& trackers)
{
    profile.WriteInteger(kPrivate, "count", static_cast<int32_t>(trackers.size()));
    for (std::size_t i = 0; i < trackers.size(); ++i)
    {
        const std::string section = PrivateSection(static_cast<int32_t>(i));
        profile.WriteString(section, "name", trackers[i].Name);
        profile.WriteString(section, "announce", trackers[i].Announce);
        profile.WriteString(section, "webpage", trackers[i].Webpage);
    }
}

} // namespace brisolt
