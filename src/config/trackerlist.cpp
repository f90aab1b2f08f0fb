#include "config/trackerlist.h"

#include <cerrno>
#include <limits>

#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt
{

namespace
{

[[noreturn]] void ThrowIndexError(std::size_t index)
{
    throw ETrackerListError("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix)
{
    if (text.size() < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
    {
        if (LowerAscii(text[i]) != lowerPrefix[i])
            return false;
    }
    return true;
}

} // namespace

TTrackerListText::TTrackerListText(std::string_view text)
    : Text(text.substr(0, text.find('\0')))
{
    for (std::size_t start = 0; start < Text.size(); start = NextLine(start))
        ++LineCount;
}

std::size_t TTrackerListText::LineEnd(std::size_t start) const
{
    const std::size_t end = Text.find_first_of("\r\n", start);
    return end == std::string::npos ? Text.size() : end;
}

std::size_t TTrackerListText::NextLine(std::size_t start) const
{
    std::size_t next = LineEnd(start);
    if (next < Text.size() && Text[next] == '\r')
        ++next;
    if (next < Text.size() && Text[next] == '\n')
        ++next;
    return next;
}

std::string TTrackerListText::Line(std::size_t index) const
{
    if (index >= LineCount)
        ThrowIndexError(index);
    if (index < CursorIndex)
    {
        CursorIndex = 0;
        CursorOffset = 0;
    }
    for (; CursorIndex < index; ++CursorIndex)
        CursorOffset = NextLine(CursorOffset);
    return Text.substr(CursorOffset, LineEnd(CursorOffset) - CursorOffset);
}

int32_t ListStrToInt(const std::string& line)
{
    const auto fail = [&line]() -> int32_t
    {
        throw ETrackerListError("'" + DisplayText(line) + "' ist kein gültiger Integerwert");
    };
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ')
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        negative = line[i++] == '-';
    if (i == line.size())
        return fail();
    // Accumulated as a negative number, whose range reaches the minimum.
    int64_t value = 0;
    for (; i < line.size(); ++i)
    {
        if (line[i] < '0' || line[i] > '9')
            return fail();
        value = value * 10 - (line[i] - '0');
        if (value < -int64_t{std::numeric_limits<int32_t>::max()} - 1)
            return fail();
    }
    if (!negative)
    {
        value = -value;
        if (value > std::numeric_limits<int32_t>::max())
            return fail();
    }
    return static_cast<int32_t>(value);
}

int32_t ReadListVersion(const TTrackerListText& lines)
{
    return ListStrToInt(lines.Line(0));
}

std::string ReadUpdateAddress(const TTrackerListText& lines)
{
    return lines.Line(1);
}

void ReadTrackers(
    const TTrackerListText& lines, std::vector<TTracker>& trackers, const std::function<void(const TTracker&)>& onEntry)
{
    const std::string countLine = lines.Line(2);
    if (countLine == "0")
    {
        trackers.clear();
        return;
    }
    const int32_t count = ListStrToInt(countLine);
    if (count < 0)
        throw ETrackerListError("Fehler bei Bereichsprüfung");
    trackers.clear();
    for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k)
    {
        const std::size_t first = 3 + 4 * k;
        // An entry exists from its first line on, so a list that ends inside
        // it keeps what it gave; absent entries are never made.
        std::string name = lines.Line(first);
        TTracker& entry = trackers.emplace_back();
        entry.Name = std::move(name);
        entry.Announce = lines.Line(first + 1);
        entry.Webpage = lines.Line(first + 2);
        entry.Down = lines.Line(first + 3) == "1";
        if (onEntry)
            onEntry(entry);
    }
}

TTrackerList ParseTrackerList(std::string_view text)
{
    TTrackerList list;
    const TTrackerListText lines(text);
    try
    {
        if (lines.Count() > 1)
            list.UpdateAddress = lines.Line(1);
        list.Version = ReadListVersion(lines);
        ReadTrackers(lines, list.Trackers);
    }
    catch (const ETrackerListError& e)
    {
        list.Error = e.what();
    }
    return list;
}

std::string ReadTrackerListFile(const std::filesystem::path& path)
{
    TResult<std::string> bytes = ReadWholeFile(path, kMaxTrackerListSize);
    if (!bytes)
        throw ETrackerListError(FileMessage(PathBytes(path), "geöffnet", bytes.Error().Reason()));
    return std::move(*bytes);
}

TTrackerList LoadTrackerList(const std::filesystem::path& path)
{
    try
    {
        return ParseTrackerList(ReadTrackerListFile(path));
    }
    catch (const ETrackerListError& e)
    {
        TTrackerList list;
        list.Error = e.what();
        return list;
    }
}

void WriteTrackerListFile(const std::filesystem::path& path, std::string_view bytes)
{
    if (const TError failed = WriteFileAtomic(path, bytes))
        throw ETrackerListError(FileMessage("\"" + PathBytes(path) + "\"", "erstellt", failed.Reason()));
}

std::vector<TTracker> TrackerDirectory(std::vector<TTracker> listed, const std::vector<TTracker>& own)
{
    for (TTracker& tracker : listed)
    {
        tracker.Name = DisplayText(tracker.Name);
        tracker.Announce = DisplayText(tracker.Announce);
        tracker.Webpage = DisplayText(tracker.Webpage);
    }
    listed.insert(listed.end(), own.begin(), own.end());
    return listed;
}

std::string LookupAnnounceURL(const std::vector<TTracker>& trackers, std::string_view name)
{
    const int index = FindLastTracker(trackers, name);
    return index < 0 ? std::string() : trackers[static_cast<std::size_t>(index)].Announce;
}

std::vector<std::string> TrackerWebpages(const std::vector<TTracker>& trackers, std::string_view name)
{
    std::vector<std::string> pages;
    for (const TTracker& tracker : trackers)
    {
        if (tracker.Name == name)
            pages.push_back(tracker.Webpage);
    }
    return pages;
}

bool IsWebAddress(std::string_view address)
{
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

} // namespace brisolt
