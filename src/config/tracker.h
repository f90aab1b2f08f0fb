// One tracker of the tracker directory or of the user's own list, and the one
// lookup by name that every part of the program uses. Plain values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brisolt
{

// Text fields hold UTF-8.
struct TTracker
{
    std::string Name;
    std::string Announce;
    std::string Webpage;
    bool Down = false;
};

// The index of the last entry whose Name equals name exactly (letter case
// counts), or -1 when none does.
[[nodiscard]] inline int FindLastTracker(const std::vector<TTracker>& trackers, std::string_view name)
{
    for (auto i = trackers.size(); i > 0; --i)
    {
        if (trackers[i - 1].Name == name)
            return static_cast<int>(i - 1);
    }
    return -1;
}

} // namespace brisolt
