#include "create/bencodebytes.h"

#include <charconv>

#include "core/bdecode.h"

namespace brisolt
{

std::size_t ValueLength(std::string_view data, std::size_t pos, int depth)
{
    if (pos >= data.size() || depth > kMaxDepth)
        return 0;
    const char c = data[pos];
    if (c == 'i')
    {
        const auto end = data.find('e', pos + 1);
        return end == std::string_view::npos || end == pos + 1 ? 0 : end + 1 - pos;
    }
    if (c >= '0' && c <= '9')
    {
        const auto colon = data.find(':', pos);
        if (colon == std::string_view::npos)
            return 0;
        std::size_t size = 0;
        const char* end = data.data() + colon;
        const auto [ptr, error] = std::from_chars(data.data() + pos, end, size);
        if (error != std::errc() || ptr != end || size > data.size() - colon - 1)
            return 0;
        return colon + 1 + size - pos;
    }
    if (c != 'l' && c != 'd')
        return 0;
    std::size_t at = pos + 1;
    bool atKey = c == 'd';
    while (at < data.size() && data[at] != 'e')
    {
        if (atKey && (data[at] < '0' || data[at] > '9'))
            return 0; // a dictionary's keys are strings
        const std::size_t length = ValueLength(data, at, depth + 1);
        if (length == 0)
            return 0;
        at += length;
        if (c == 'd')
            atKey = !atKey;
    }
    if (at >= data.size() || (c == 'd' && !atKey))
        return 0;
    return at + 1 - pos;
}

bool IsDictionary(std::string_view data)
{
    return !data.empty() && data.front() == 'd' && ValueLength(data, 0) != 0;
}

std::vector<TEntryBytes> DictionaryEntries(std::string_view data)
{
    std::vector<TEntryBytes> entries;
    if (!IsDictionary(data))
        return entries;
    for (std::size_t at = 1; data[at] != 'e';)
    {
        const std::size_t keyLength = ValueLength(data, at);
        const std::size_t length = keyLength + ValueLength(data, at + keyLength);
        const std::string_view key = data.substr(at, keyLength);
        entries.push_back(
            {key.substr(key.find(':') + 1), data.substr(at, length), data.substr(at + keyLength, length - keyLength)});
        at += length;
    }
    return entries;
}

std::vector<std::string_view> ListItems(std::string_view data)
{
    std::vector<std::string_view> items;
    if (data.empty() || data.front() != 'l' || ValueLength(data, 0) == 0)
        return items;
    for (std::size_t at = 1; data[at] != 'e';)
    {
        const std::size_t length = ValueLength(data, at);
        items.push_back(data.substr(at, length));
        at += length;
    }
    return items;
}

const TEntryBytes* FindEntry(const std::vector<TEntryBytes>& entries, std::string_view key)
{
    const TEntryBytes* found = nullptr;
    for (const auto& entry : entries)
    {
        if (entry.Key == key)
            found = &entry;
    }
    return found;
}

bool RawInteger(std::string_view value, int64_t& number)
{
    if (value.size() < 3 || value.front() != 'i' || value.back() != 'e')
        return false;
    const char* end = value.data() + value.size() - 1;
    const auto [ptr, error] = std::from_chars(value.data() + 1, end, number);
    return error == std::errc() && ptr == end;
}

bool RawString(std::string_view value, std::string_view& text)
{
    if (value.empty() || value.front() < '0' || value.front() > '9')
        return false;
    text = value.substr(value.find(':') + 1);
    return true;
}

void AppendString(std::string& out, std::string_view text)
{
    out += std::to_string(text.size());
    out += ':';
    out += text;
}

} // namespace brisolt
