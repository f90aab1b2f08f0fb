// Bencoded values read where they stand: the byte ranges of a dictionary's
// entries and a list's items, so that what is kept is kept byte for byte.
// Reads only inside the given bytes; nesting is bounded as in the decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisolt
{

// The length of the one bencoded value at data[pos], or 0 when there is no
// well-formed value there.
[[nodiscard]] std::size_t ValueLength(std::string_view data, std::size_t pos, int depth = 0);

// Whether data starts with one well-formed dictionary (bytes after it are not looked at).
[[nodiscard]] bool IsDictionary(std::string_view data);

struct TEntryBytes
{
    std::string_view Key;     // the key's text
    std::string_view Encoded; // the key and its value as they stand
    std::string_view Value;   // the value alone
};

// The entries of the dictionary data starts with, in their order; none when
// data does not start with one well-formed dictionary.
[[nodiscard]] std::vector<TEntryBytes> DictionaryEntries(std::string_view data);

// The items of the list data starts with; none when it is not one.
[[nodiscard]] std::vector<std::string_view> ListItems(std::string_view data);

// The entry with key (the last one, as the loader reads it), or nullptr.
[[nodiscard]] const TEntryBytes* FindEntry(const std::vector<TEntryBytes>& entries, std::string_view key);

// An integer's or a string's value; false when value is not one, or an
// integer does not fit 64 bits.
[[nodiscard]] bool RawInteger(std::string_view value, int64_t& number);
[[nodiscard]] bool RawString(std::string_view value, std::string_view& text);

// Appends text as a bencoded string.
void AppendString(std::string& out, std::string_view text);

} // namespace brisolt
