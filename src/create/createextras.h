// Choices for creating torrents beyond the window's, which uploaders to
// private trackers ask for: a creation date given as text and the random
// "entropy" that gives the same content a new info hash. Pure functions, any
// thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brisolt
{

// A creation date as text, as an OLE date whose "creation date" is written
// as the text says: "@SECONDS" since 1970-01-01 is written as that number;
// "YYYY-MM-DD", optionally followed by "T" or a space and "HH:MM" or
// "HH:MM:SS", is a wall-clock time, written as the program writes its local
// time (the fields counted as UTC). Nothing for any other text, an invalid
// day or time, or a date the 32-bit seconds cannot hold (before 1970 or after
// 2038-01-19 03:14:07).
[[nodiscard]] std::optional<double> ParseCreationDate(std::string_view text);

// 32 random lower-case hexadecimal digits for the info dictionary's "entropy".
[[nodiscard]] std::string RandomEntropy();

} // namespace brisolt
