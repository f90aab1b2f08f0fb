// The tracker directory below the window: the list format
// "trackers.lst" (a version line, an update address, a count and four lines
// per tracker), its parsing in the steps the refresh takes, the lookups by
// name, and reading and writing the cached list. Standard library only; pure
// functions and values, any thread.
//
// Failures throw ETrackerListError with the message the user sees. Reading
// the entries never allocates for lines the text does not hold, whatever
// count it announces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "config/tracker.h"

namespace brisolt
{

// A list whose version line is greater than this offers an update.
inline constexpr int32_t kBrisoltListVersion = 208;
inline constexpr std::string_view kTrackerListFileName = "trackers.lst";
// The cached list is read whole; anything larger is not a tracker list.
inline constexpr uint64_t kMaxTrackerListSize = 64ull * 1024 * 1024;

class ETrackerListError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The lines of a list: they end at CR LF, LF or CR, a NUL byte ends the text,
// and they stand as they are, untrimmed. Lines are found by scanning, so a
// text of many short lines costs no more memory than its bytes.
class TTrackerListText
{
public:
    explicit TTrackerListText(std::string_view text);

    [[nodiscard]] std::size_t Count() const { return LineCount; }

    // Line index, counted from 0. Past the end: "Listenindex überschreitet
    // das Maximum (index)". Reading the lines in order is linear.
    [[nodiscard]] std::string Line(std::size_t index) const;

private:
    [[nodiscard]] std::size_t LineEnd(std::size_t start) const;
    [[nodiscard]] std::size_t NextLine(std::size_t start) const;

    std::string Text;
    std::size_t LineCount = 0;
    mutable std::size_t CursorIndex = 0; // a line already found: its index and offset
    mutable std::size_t CursorOffset = 0;
};

// A line read as a 32-bit integer: optional leading blanks and sign, decimal
// digits, nothing after them. Otherwise: "'line' ist kein gültiger Integerwert".
[[nodiscard]] int32_t ListStrToInt(const std::string& line);

// The version line (line 1) as an integer.
[[nodiscard]] int32_t ReadListVersion(const TTrackerListText& lines);

[[nodiscard]] inline bool OffersUpdate(int32_t version)
{
    return version > kBrisoltListVersion;
}

// The update page's address (line 2).
[[nodiscard]] std::string ReadUpdateAddress(const TTrackerListText& lines);

// Reads the count (line 3) and the entries into trackers, calling onEntry for
// each entry once its four lines are read. A failure on the count line
// leaves trackers as it was; a count below 0 throws "Fehler bei
// Bereichsprüfung" (trackers as it was). Once the count is read, trackers is
// rebuilt: when a line is missing, it holds the entries read so far, the
// last one with the fields read before the missing line, and the missing
// line's index error is thrown.
void ReadTrackers(
    const TTrackerListText& lines,
    std::vector<TTracker>& trackers,
    const std::function<void(const TTracker&)>& onEntry = {});

// A whole list read without questions, stopping at the first failure.
struct TTrackerList
{
    int32_t Version = 0;
    std::string UpdateAddress;      // empty when the list has no second line
    std::vector<TTracker> Trackers; // as far as they were read
    std::string Error;              // the failure's message; empty when the list was read whole
};

[[nodiscard]] TTrackerList ParseTrackerList(std::string_view text);

// The cached list's bytes. Failure: "Datei <path> kann nicht geöffnet werden. <reason>".
[[nodiscard]] std::string ReadTrackerListFile(const std::filesystem::path& path);
// The cached list read and parsed, for callers without a window: a file that
// cannot be read gives its message in Error and no trackers.
[[nodiscard]] TTrackerList LoadTrackerList(const std::filesystem::path& path);
// Replaces the cached list (never leaving half a file). Failure: "Datei
// "<path>" kann nicht erstellt werden. <reason>".
void WriteTrackerListFile(const std::filesystem::path& path, std::string_view bytes);

// The directory that tracker names stand for, the same in the window and on
// the command line: the list's entries with their texts as UTF-8 (lists from
// elsewhere may be Windows-1252), then the user's own trackers, so that the
// last entry of a name, the user's own, wins.
[[nodiscard]] std::vector<TTracker> TrackerDirectory(std::vector<TTracker> listed, const std::vector<TTracker>& own);

// Names compare exactly, letter case included (FindLastTracker).
// Announce URL of the last entry named name; empty when none is.
[[nodiscard]] std::string LookupAnnounceURL(const std::vector<TTracker>& trackers, std::string_view name);
// Web pages of every entry named name, in directory order.
[[nodiscard]] std::vector<std::string> TrackerWebpages(const std::vector<TTracker>& trackers, std::string_view name);

// Addresses from a downloaded list are opened only when they are web pages:
// "http://" or "https://" in any letter case.
[[nodiscard]] bool IsWebAddress(std::string_view address);

} // namespace brisolt
