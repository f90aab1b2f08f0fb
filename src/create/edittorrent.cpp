#include "create/edittorrent.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <utility>

#include "core/bdecode.h"
#include "create/bencodebytes.h"
#include "create/loadtorrent.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt
{

namespace
{

const char* const kNotOneDictionary =
    "the file is not one well-formed bencoded dictionary, so its info hash cannot be kept";

// The entries of the dictionary that data holds, in file order.
std::vector<TEntryBytes> EntriesOrThrow(std::string_view data)
{
    if (!IsDictionary(data))
        throw EEditError(kNotOneDictionary);
    return DictionaryEntries(data);
}

// An entry's "path" elements as the writer puts them: Path cut at each
// backslash, then Name.
std::vector<std::string> PathElements(const TTorrentSubFile& entry)
{
    std::vector<std::string> elements;
    std::size_t start = 0;
    for (std::size_t pos; (pos = entry.Path.find('\\', start)) != std::string::npos; start = pos + 1)
        elements.push_back(entry.Path.substr(start, pos - start));
    if (start < entry.Path.size())
        elements.push_back(entry.Path.substr(start));
    elements.push_back(entry.Name);
    return elements;
}

bool IsPlainElement(std::string_view element)
{
    return !element.empty() && element != "." && element != "..";
}

// A dictionary's entries while it is rebuilt: each key with its bytes.
class TDictionaryEdit
{
public:
    explicit TDictionaryEdit(std::string_view data)
    {
        for (const auto& entry : EntriesOrThrow(data))
            Entries.emplace_back(std::string(entry.Key), std::string(entry.Encoded));
    }

    // The key's value becomes value (encoded); no value removes the key. A
    // key new to the dictionary goes before the first key that sorts after it.
    void Set(std::string_view key, const std::string* value)
    {
        auto place = std::find_if(Entries.begin(), Entries.end(), [key](const auto& e) { return e.first == key; });
        if (place != Entries.end())
            place = Entries.erase(place);
        else
            place = std::find_if(Entries.begin(), Entries.end(), [key](const auto& e) { return e.first > key; });
        if (value == nullptr)
            return;
        std::string encoded;
        AppendString(encoded, key);
        Entries.insert(place, {std::string(key), encoded + *value});
    }

    [[nodiscard]] std::string Bytes() const
    {
        std::string out = "d";
        for (const auto& entry : Entries)
            out += entry.second;
        return out + "e";
    }

private:
    std::vector<std::pair<std::string, std::string>> Entries;
};

// What the user changed, against the model as it was loaded.
struct TEditChanges
{
    bool Announce = false;
    bool BackupTrackers = false;
    bool CreationDate = false;
    bool WebSeeds = false;
    bool Name = false;
    bool Files = false;
    bool Source = false;

    [[nodiscard]] bool Info() const { return Name || Files || Source; }
};

TEditChanges FindChanges(const TTorrentFile& model)
{
    TTorrentFile loaded;
    loaded.Load(model.LoadedBytes);
    TEditChanges changes;
    changes.Announce = model.Announce != loaded.Announce;
    changes.BackupTrackers = model.BackupTrackers != loaded.BackupTrackers;
    changes.CreationDate = model.CreationDate != loaded.CreationDate;
    changes.WebSeeds = model.WebSeeds != loaded.WebSeeds;
    changes.Name = model.Name != loaded.Name;
    changes.Source = model.Source != loaded.Source;
    if (model.MultiFile)
    {
        changes.Files = model.Files.size() != loaded.Files.size();
        for (std::size_t i = 0; !changes.Files && i < model.Files.size(); ++i)
            changes.Files = PathElements(model.Files[i]) != PathElements(loaded.Files[i]);
    }
    return changes;
}

// A value of the model's writer, encoded, or nothing when it writes no such key.
std::unique_ptr<std::string> WrittenValue(const std::vector<TEntryBytes>& written, std::string_view key)
{
    const TEntryBytes* entry = FindEntry(written, key);
    return entry ? std::make_unique<std::string>(entry->Value) : nullptr;
}

// The files list with each entry's "path" written anew; every other key of
// an entry keeps its bytes.
std::string EditFiles(std::string_view files, const TTorrentFile& model)
{
    const std::vector<std::string_view> items = ListItems(files);
    if (items.size() != model.Files.size())
        throw EEditError("the file entries cannot be matched to the torrent's \"files\" list");
    std::string out = "l";
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        TDictionaryEdit entry(items[i]);
        std::string path = "l";
        for (const auto& element : PathElements(model.Files[i]))
            AppendString(path, element);
        path += 'e';
        entry.Set("path", &path);
        out += entry.Bytes();
    }
    return out + "e";
}

std::string EditInfo(std::string_view info, const TTorrentFile& model, const TEditChanges& changes)
{
    const std::vector<TEntryBytes> entries = EntriesOrThrow(info);
    if ((changes.Name || changes.Files) && (FindEntry(entries, "file tree") || FindEntry(entries, "meta version")))
        throw EEditError(
            "Name und Dateinamen eines v2- oder Hybrid-Torrents werden nicht geändert: sein \"file tree\" nennt sie "
            "ein zweites Mal, und beide Hälften müssen übereinstimmen.");
    TDictionaryEdit edit(info);
    if (changes.Name)
    {
        CheckTorrentName(model.Name);
        std::string name;
        AppendString(name, model.Name);
        edit.Set("name", &name);
    }
    if (changes.Files)
    {
        const TEntryBytes* files = FindEntry(entries, "files");
        if (files == nullptr || files->Value.front() != 'l')
            throw EEditError("the torrent's \"files\" list cannot be changed");
        const std::string list = EditFiles(files->Value, model);
        edit.Set("files", &list);
    }
    if (changes.Source)
    {
        std::string source;
        AppendString(source, model.Source);
        edit.Set("source", model.Source.empty() ? nullptr : &source);
    }
    return edit.Bytes();
}

bool IsPowerOfTwo(int64_t n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// What a client needs of the info dictionary and the bytes lack, one phrase each.
std::vector<std::string> MissingParts(std::string_view info)
{
    std::vector<std::string> missing;
    const std::vector<TEntryBytes> entries = EntriesOrThrow(info);
    std::string_view text;
    int64_t number = 0;
    const TEntryBytes* name = FindEntry(entries, "name");
    if (name == nullptr || !RawString(name->Value, text) || text.empty())
        missing.emplace_back("ein Name (info.name)");
    const TEntryBytes* pieceLength = FindEntry(entries, "piece length");
    int64_t pieceBytes = 0;
    // The model holds a piece length in 32 bits: a larger one would be written back changed.
    if (pieceLength == nullptr || !RawInteger(pieceLength->Value, pieceBytes) || !IsPowerOfTwo(pieceBytes)
        || pieceBytes > (int64_t{1} << 30))
        missing.emplace_back("eine Stücklänge, die eine Zweierpotenz bis 1 GiB ist (info.piece length)");
    int64_t total = 0;
    bool filesOk = false;
    if (const TEntryBytes* length = FindEntry(entries, "length"))
        filesOk = RawInteger(length->Value, total) && total >= 0;
    else if (const TEntryBytes* files = FindEntry(entries, "files"); files && files->Value.front() == 'l')
    {
        const std::vector<std::string_view> items = ListItems(files->Value);
        filesOk = !items.empty();
        for (const auto item : items)
        {
            const std::vector<TEntryBytes> entry =
                IsDictionary(item) ? EntriesOrThrow(item) : std::vector<TEntryBytes>();
            const TEntryBytes* fileLength = FindEntry(entry, "length");
            const TEntryBytes* path = FindEntry(entry, "path");
            const std::vector<std::string_view> elements =
                path && path->Value.front() == 'l' ? ListItems(path->Value) : std::vector<std::string_view>();
            filesOk = filesOk && fileLength && RawInteger(fileLength->Value, number) && number >= 0
                      && number <= INT64_MAX - total && !elements.empty() && RawString(elements.back(), text)
                      && !text.empty();
            if (!filesOk)
                break;
            total += number;
        }
    }
    if (!filesOk)
        missing.emplace_back("Dateien mit Pfad und gültiger Länge (info.length oder info.files)");
    const TEntryBytes* pieces = FindEntry(entries, "pieces");
    if (pieces == nullptr || !RawString(pieces->Value, text) || text.empty() || text.size() % 20 != 0)
        missing.emplace_back("die Stück-Hashes (info.pieces)");
    else if (
        filesOk && IsPowerOfTwo(pieceBytes) && pieceBytes <= (int64_t{1} << 30)
        && static_cast<int64_t>(text.size() / 20) != (total + pieceBytes - 1) / pieceBytes)
        missing.emplace_back(
            "so viele Stück-Hashes, wie die Dateien Stücke ergeben (info.pieces: " + std::to_string(text.size() / 20)
            + " statt " + std::to_string((total + pieceBytes - 1) / pieceBytes) + ")");
    return missing;
}

// Throws EEditError naming what a client needs and the bytes lack.
void CheckWritable(std::string_view torrent)
{
    const TEntryBytes* info = nullptr;
    const std::vector<TEntryBytes> entries = EntriesOrThrow(torrent);
    info = FindEntry(entries, "info");
    std::vector<std::string> missing;
    if (info == nullptr || !IsDictionary(info->Value))
        missing.emplace_back("das Info-Verzeichnis (info)");
    else
        missing = MissingParts(info->Value);
    if (missing.empty())
        return;
    std::string message = "Der Torrent wird nicht geschrieben, denn ihm fehlt: ";
    for (std::size_t i = 0; i < missing.size(); ++i)
        message += (i == 0 ? "" : "; ") + missing[i];
    throw EEditError(message + ".");
}

} // namespace

bool LoadTorrentForEdit(const std::filesystem::path& path, TTorrentFile& model)
{
    std::string data;
    if (const TError failed = LoadTorrentFromPath(path, model, data))
        throw EEditError(failed.Message());
    model.LoadedBytes = std::move(data);
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

void CheckTorrentName(const std::string& name)
{
    if (!IsPlainElement(name) || name.find_first_of("\\/") != std::string::npos)
        throw EEditError(
            "Ungültiger Name \"" + name
            + "\": er darf nicht leer, \".\" oder \"..\" sein und weder \"/\" noch \"\\\" enthalten.");
}

void RenameFileEntry(TTorrentFile& model, std::size_t index, const std::string& text)
{
    if (index >= model.Files.size())
        throw EEditError("Kein Dateieintrag " + std::to_string(index));
    TTorrentSubFile renamed = model.Files[index];
    // "/" cannot be part of a name on this system, so it separates folders
    // like the backslash; a colon is an ordinary character, not a drive letter.
    const auto split = text.find_last_of("\\/");
    if (split == std::string::npos)
        renamed.Name = text;
    else
    {
        renamed.Path = text.substr(0, split + 1);
        std::replace(renamed.Path.begin(), renamed.Path.end(), '/', '\\');
        renamed.Name = text.substr(split + 1);
    }
    const std::vector<std::string> elements = PathElements(renamed);
    if (!std::all_of(elements.begin(), elements.end(), IsPlainElement))
        throw EEditError("Ungültiger Pfad \"" + text + "\": kein Teil darf leer, \".\" oder \"..\" sein.");
    for (std::size_t i = 0; i < model.Files.size(); ++i)
    {
        if (i == index)
            continue;
        const std::vector<std::string> other = PathElements(model.Files[i]);
        const std::size_t common = std::min(other.size(), elements.size());
        // The same path, or one entry a folder of the other: not two files on disk.
        if (std::equal(elements.begin(), elements.begin() + static_cast<std::ptrdiff_t>(common), other.begin()))
            throw EEditError(
                "Der Pfad \"" + text + "\" trifft auf den von Eintrag " + std::to_string(i) + " (\""
                + model.Files[i].Path + model.Files[i].Name + "\").");
    }
    model.Files[index] = std::move(renamed);
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

std::string EditedTorrentBytes(const TTorrentFile& model, bool keepInfoHash)
{
    std::string saved = model.SaveToString(model.Pieces);
    if (!IsDictionary(model.LoadedBytes))
    {
        // Nothing to keep: not loaded for editing, or not a whole dictionary.
        if (keepInfoHash)
            throw EEditError(kNotOneDictionary);
        CheckWritable(saved);
        return saved;
    }
    const TEditChanges changes = FindChanges(model);
    if (keepInfoHash && changes.Info())
        throw EEditError("the name, the file paths or the source changed, so the info hash cannot be kept");
    const std::vector<TEntryBytes> written = EntriesOrThrow(saved);
    TDictionaryEdit edit(model.LoadedBytes);
    const std::array<std::pair<bool, std::string_view>, 5> outer{{
        {changes.Announce, "announce"},
        {changes.Announce || changes.BackupTrackers, "announce-list"},
        {true, "comment"},
        {changes.CreationDate, "creation date"},
        {changes.WebSeeds, "url-list"},
    }};
    for (const auto& [changed, key] : outer)
    {
        if (changed)
            edit.Set(key, WrittenValue(written, key).get());
    }
    if (changes.Info())
    {
        // The entries must outlive the pointer that FindEntry returns into them.
        const std::vector<TEntryBytes> loaded = EntriesOrThrow(model.LoadedBytes);
        const TEntryBytes* info = FindEntry(loaded, "info");
        if (info == nullptr || !IsDictionary(info->Value))
            throw EEditError("Der Torrent wird nicht geschrieben, denn ihm fehlt: das Info-Verzeichnis (info).");
        const std::string edited = EditInfo(info->Value, model, changes);
        edit.Set("info", &edited);
    }
    std::string bytes = edit.Bytes();
    CheckWritable(bytes);
    return bytes;
}

bool EditChangesInfoHash(const TTorrentFile& model)
{
    return !IsDictionary(model.LoadedBytes) || FindChanges(model).Info();
}

TError SaveEditedTorrent(TTorrentFile& model, const std::filesystem::path& path, const TPathInfo* unchanged)
{
    std::string bytes = EditedTorrentBytes(model);
    if (const int err = ReplaceFile(path, bytes, unchanged); err != 0)
        return TError::File(PathBytes(path), TFileAction::Create, err);
    TTorrentFile written;
    written.Load(bytes);
    model.InfoHash = written.InfoHash;
    model.InfoHashText = written.InfoHashText;
    model.LoadedBytes = std::move(bytes);
    return {};
}

std::string EditOutsideInfo(std::string_view original, const TTorrentFile& model, const TOuterKeys& changed)
{
    std::vector<TEntryBytes> entries = EntriesOrThrow(original);
    const std::string saved = model.SaveToString(model.Pieces);
    const std::vector<TEntryBytes> written = EntriesOrThrow(saved);
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

std::string ChangedMeanwhileMessage(const std::filesystem::path& path)
{
    return "Datei " + PathBytes(path) + " wurde inzwischen von einem anderen Programm geändert.";
}

} // namespace brisolt
