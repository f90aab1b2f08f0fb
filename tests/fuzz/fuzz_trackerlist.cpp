// Fuzzes the tracker list reader. Any bytes must parse without a crash, a
// read outside the input or a hang, and without allocating for entries the
// text does not hold; the lines must be the text's lines, found the same in
// any order; integers must be read as a plain reference reads them; the
// lookups must agree with the entries read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/trackerlist.h"
#include "fuzzcheck.h"

namespace
{

using namespace brisolt;

// Leading blanks, an optional sign, decimal digits, within 32 bits.
bool ReferenceStrToInt(const std::string& text, int32_t& value)
{
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return false;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    if (i == text.size() || text.find_first_not_of("0123456789", i) != std::string::npos)
        return false;
    const std::size_t firstSignificant = text.find_first_not_of('0', i);
    const std::size_t significant = firstSignificant == std::string::npos ? 0 : text.size() - firstSignificant;
    // More digits than 32 bits can hold; strtoll is only asked within its range.
    if (significant > 10)
        return false;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

void CheckLines(std::string_view data, const TTrackerListText& lines)
{
    const std::string_view text = data.substr(0, data.find('\0'));
    FUZZ_CHECK(lines.Count() <= text.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < lines.Count(); ++i)
    {
        const std::string line = lines.Line(i);
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        total += line.size();
    }
    FUZZ_CHECK(total <= text.size());
    // Backwards gives the same lines.
    for (std::size_t i = lines.Count(); i > 0 && i > lines.Count() - 8; --i)
    {
        const std::string backwards = lines.Line(i - 1);
        FUZZ_CHECK(text.find(backwards) != std::string_view::npos);
    }
    bool threw = false;
    try
    {
        (void)lines.Line(lines.Count());
    }
    catch (const ETrackerListError&)
    {
        threw = true;
    }
    FUZZ_CHECK(threw);
}

void CheckIntegers(const TTrackerListText& lines)
{
    for (std::size_t i = 0; i < lines.Count() && i < 4; ++i)
    {
        const std::string line = lines.Line(i);
        int32_t expected = 0;
        const bool valid = ReferenceStrToInt(line, expected);
        try
        {
            const int32_t value = ListStrToInt(line);
            FUZZ_CHECK(valid && value == expected);
        }
        catch (const ETrackerListError& e)
        {
            FUZZ_CHECK(!valid);
            FUZZ_CHECK(std::string_view(e.what()).ends_with("' ist kein gültiger Integerwert"));
        }
    }
}

void CheckTrackers(std::string_view data, const TTrackerListText& lines)
{
    std::vector<TTracker> trackers;
    std::size_t complete = 0;
    bool failed = false;
    try
    {
        ReadTrackers(lines, trackers, [&](const TTracker&) { ++complete; });
    }
    catch (const ETrackerListError&)
    {
        failed = true;
    }
    // Never an entry without at least its name line in the text.
    FUZZ_CHECK(trackers.size() <= lines.Count() / 4 + 1);
    FUZZ_CHECK(complete <= trackers.size() && trackers.size() <= complete + 1);
    if (!failed)
        FUZZ_CHECK(complete == trackers.size());
    for (const TTracker& tracker : trackers)
    {
        FUZZ_CHECK(tracker.Name.size() + tracker.Announce.size() + tracker.Webpage.size() <= data.size());
        const int last = FindLastTracker(trackers, tracker.Name);
        FUZZ_CHECK(last >= 0 && trackers[static_cast<std::size_t>(last)].Name == tracker.Name);
        FUZZ_CHECK(LookupAnnounceURL(trackers, tracker.Name) == trackers[static_cast<std::size_t>(last)].Announce);
        FUZZ_CHECK(!TrackerWebpages(trackers, tracker.Name).empty());
        (void)IsWebAddress(tracker.Webpage);
    }

    const TTrackerList list = ParseTrackerList(data);
    FUZZ_CHECK(list.Trackers.size() <= lines.Count() / 4 + 1);
    if (list.Error.empty())
        FUZZ_CHECK(OffersUpdate(list.Version) == (list.Version > kBrisoltListVersion));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const TTrackerListText lines(data);
    CheckLines(data, lines);
    CheckIntegers(lines);
    CheckTrackers(data, lines);
    return 0;
}
