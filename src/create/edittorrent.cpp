#include "create/edittorrent.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "core/bdecode.h"
#include "create/loadtorrent.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt
{

namespace
{

// The length of the one bencoded value at data[pos], or 0 when there is no
// well-formed value there. Nesting is bounded as in the decoder, so that
// hostile input cannot exhaust the stack.
std::size_t ValueLength(std::string_view data, std::size_t pos, int depth = 0)
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

struct TEntryBytes
{
    std::string_view Key;     // the key's text
    std::string_view Encoded; // the key and its value as they stand in the file
};

// The entries of the dictionary that data holds, in file order.
std::vector<TEntryBytes> DictionaryEntries(std::string_view data)
{
    if (data.empty() || data.front() != 'd' || ValueLength(data, 0) == 0)
        throw EEditError("the file is not one well-formed bencoded dictionary, so its info hash cannot be kept");
    std::vector<TEntryBytes> entries;
    for (std::size_t at = 1; data[at] != 'e';)
    {
        const std::size_t keyLength = ValueLength(data, at);
        const std::size_t length = keyLength + ValueLength(data, at + keyLength);
        const std::string_view key = data.substr(at, keyLength);
        entries.push_back({key.substr(key.find(':') + 1), data.substr(at, length)});
        at += length;
    }
    return entries;
}

} // namespace

bool LoadTorrentForEdit(const std::filesystem::path& path, TTorrentFile& model)
{
    std::string data;
    std::string reason;
    if (!LoadTorrentFromPath(path, model, data, reason))
        throw EEditError(FileMessage(PathBytes(path), "geöffnet", reason));
    model.Comment = CrLfLineBreaks(model.Comment);
    return IsLoadedForEdit(model);
}

bool IsLoadedForEdit(const TTorrentFile& model)
{
    return !model.Files.empty();
}

std::string LoaderMessage(const TTorrentFile& model)
{
    std::string text;
    for (const auto& line : model.Errors)
        text += line + '\n';
    return text;
}

std::string CrLfLineBreaks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c == '\r' || c == '\n')
        {
            result += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        }
        else
            result += c;
    }
    return result;
}

std::string FieldBytes(std::string_view shown, std::string_view original)
{
    // Bytes that are not valid UTF-8 are shown as Windows-1252, which does not
    // map back one to one: an unchanged field gives back what it was given.
    if (DisplayText(original) == shown)
        return std::string(original);
    return std::string(shown);
}

void SetTorrentName(TTorrentFile& model, const std::string& name)
{
    model.Name = name;
    // A multi-file torrent's name is its top folder; the entries keep theirs.
    if (!model.MultiFile && !model.Files.empty())
        model.Files.front().Name = name;
}

void RenameFileEntry(TTorrentFile& model, std::size_t index, const std::string& text)
{
    if (index >= model.Files.size())
        throw EEditError("Kein Dateieintrag " + std::to_string(index));
    TTorrentSubFile& entry = model.Files[index];
    // "/" cannot be part of a name on this system, so it separates folders
    // like the backslash; a colon is an ordinary character, not a drive letter.
    const auto split = text.find_last_of("\\/");
    if (split == std::string::npos)
    {
        entry.Name = text;
        return;
    }
    entry.Path = text.substr(0, split + 1);
    std::replace(entry.Path.begin(), entry.Path.end(), '/', '\\');
    entry.Name = text.substr(split + 1);
}

std::vector<std::string> ResolveBackupRows(const std::vector<std::string>& rows, const TTrackerLookup& lookup)
{
    std::vector<std::string> urls;
    urls.reserve(rows.size());
    for (const auto& row : rows)
    {
        std::string url = lookup ? lookup(row) : std::string();
        if (url.empty())
            urls.push_back(row);
        else
            urls.push_back(std::move(url));
    }
    return urls;
}

void SetBackupTrackers(
    TTorrentFile& model, bool enabled, const std::vector<std::string>& rows, const TTrackerLookup& lookup)
{
    model.BackupTrackers.clear();
    if (enabled)
        model.BackupTrackers = ResolveBackupRows(rows, lookup);
}

bool SaveEditedTorrent(const TTorrentFile& model, const std::filesystem::path& path, std::string& reason)
{
    return WriteFileAtomic(path, model.SaveToString(model.Pieces), reason);
}

std::string EditOutsideInfo(std::string_view original, const TTorrentFile& model, const TOuterKeys& changed)
{
    std::vector<TEntryBytes> entries = DictionaryEntries(original);
    const std::string saved = model.SaveToString(model.Pieces);
    const std::vector<TEntryBytes> written = DictionaryEntries(saved);
    const std::array<std::pair<bool, std::string_view>, 5> keys{{
        {changed.Announce, "announce"},
        {changed.AnnounceList, "announce-list"},
        {changed.Comment, "comment"},
        {changed.CreationDate, "creation date"},
        {changed.WebSeeds, "url-list"},
    }};
    for (const auto& [isChanged, changedKey] : keys)
    {
        if (!isChanged)
            continue;
        // A plain copy: clang cannot capture a structured binding.
        const std::string_view key = changedKey;
        std::erase_if(entries, [key](const TEntryBytes& e) { return e.Key == key; });
        for (const auto& entry : written)
        {
            if (entry.Key != key)
                continue;
            auto place = entries.begin();
            while (place != entries.end() && place->Key < key)
                ++place;
            entries.insert(place, entry);
        }
    }
    std::string out = "d";
    for (const auto& entry : entries)
        out += entry.Encoded;
    return out + "e";
}

std::string WriteErrorMessage(const std::filesystem::path& path)
{
    return "Fehler beim Schreiben " + PathBytes(path);
}

} // namespace brisolt
