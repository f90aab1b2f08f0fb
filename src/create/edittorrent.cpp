#include "create/edittorrent.h"

#include <algorithm>

#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt
{

bool LoadTorrentForEdit(const std::filesystem::path& path, TTorrentFile& model)
{
    std::string data;
    std::string reason;
    if (ReadWholeFile(path, kMaxMetainfoSize, data, reason) == TReadResult::Failed)
        throw EEditError(FileMessage(path.string(), "geöffnet", reason));
    // A file too large for metainfo leaves data empty: it loads as not bencoded.
    model.Load(data);
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
        urls.push_back(url.empty() ? row : std::move(url));
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

std::string WriteErrorMessage(const std::filesystem::path& path)
{
    return "Fehler beim Schreiben " + path.string();
}

} // namespace brisolt
