// The user's own trackers in the settings file: a section "private" with the
// key "count", and one section "private<i>" per tracker with the keys "name",
// "announce" and "webpage". The window edits them, the command line looks
// names up in them. Reads through a TPrivateProfile; same threading as that.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/settingsfile.h"
#include "config/tracker.h"

namespace brisolt
{

// Far more private trackers than anyone keeps: a larger count is garbage, and
// then the entries up to the last "private<i>" section that exists are read.
inline constexpr int32_t kMaxPrivateTrackers = 1000;

// The trackers in file order; texts held as UTF-8 (values written by older
// versions may be Windows-1252); none is marked down. A negative count reads as 0.
[[nodiscard]] std::vector<TTracker> ReadPrivateTrackers(const TPrivateProfile& profile);
// The same, for callers without a profile of their own.
[[nodiscard]] std::vector<TTracker> ReadPrivateTrackers(const std::filesystem::path& settingsFile);

// What a tracker asks of the torrents made for it, as written in the
// settings file: the keys "source" (the source tag), "piecelengths" (content
// up to a size gets a piece length: "1GiB=1MiB;4GiB=2MiB;*=4MiB"), "maxpiece",
// "maxtorrentsize" and "exclude" (patterns separated by ";") of the user's
// tracker of that name (its last "private<i>" section), else of a section
// "rules:<name>" (for a tracker of the downloaded list). Empty where not set;
// readers that do not know these keys pass them over.
struct TTrackerRules
{
    std::string Source;
    std::string PieceLengths;
    std::string MaxPiece;
    std::string MaxTorrentSize;
    std::string Exclude;

    [[nodiscard]] bool Empty() const
    {
        return Source.empty() && PieceLengths.empty() && MaxPiece.empty() && MaxTorrentSize.empty() && Exclude.empty();
    }
};

[[nodiscard]] TTrackerRules ReadTrackerRules(const TPrivateProfile& profile, std::string_view name);

// Writes the count and one section per tracker; sections beyond the count are
// left as they are. Throws EProfileWriteError like every write.
void WritePrivateTrackers(TPrivateProfile& profile, const std::vector<TTracker>& trackers);

} // namespace brisolt
