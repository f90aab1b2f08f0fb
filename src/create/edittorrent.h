// Editing an existing torrent without a window: loading it for editing, the
// name and file-entry rules, the comment's line breaks, the backup trackers,
// and saving it again with the piece hashes it was loaded with. The edit page
// and `brisolt-cli edit` call these and only translate to and from their
// controls or arguments. Pure functions on a model the caller owns; any
// thread, one model per thread.
//
// Text that a person typed arrives as UTF-8, the local 8-bit encoding; the
// bytes of a field the person left alone are kept exactly (FieldBytes).
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/torrentfile.h"
#include "platform/fileio.h"

namespace brisolt
{

class EEditError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A tracker name to its announce URL, or "" when no tracker has that name.
using TTrackerLookup = std::function<std::string(const std::string&)>;

// Fills a fresh model from the file at path. A file too large for metainfo
// loads as data that is not bencoded. The comment comes back with CR LF line
// breaks, as the edit page's memo holds it. Throws EEditError
// ("Datei <path> kann nicht geöffnet werden. <reason>") when the file cannot
// be read. Returns IsLoadedForEdit.
bool LoadTorrentForEdit(const std::filesystem::path& path, TTorrentFile& model);

// Whether the model can be edited and saved: it has at least one file entry.
// A load that found none failed, whatever else it read.
[[nodiscard]] bool IsLoadedForEdit(const TTorrentFile& model);

// The loader's problem lines, each followed by a line break.
[[nodiscard]] std::string LoaderMessage(const TTorrentFile& model);

// Every line break (CR LF, a lone LF or a lone CR) as CR LF.
[[nodiscard]] std::string CrLfLineBreaks(std::string_view text);

// The bytes for a field that shows shown (UTF-8): original itself while its
// shown form is still exactly that text, else the text as typed.
[[nodiscard]] std::string FieldBytes(std::string_view shown, std::string_view original);

// The torrent's name. A single-file torrent's one entry is named the same.
// Taken as typed (the edit page sets it at every keystroke); a save refuses
// a name that CheckTorrentName refuses.
void SetTorrentName(TTorrentFile& model, const std::string& name);

// Throws EEditError when name cannot name the torrent's file or top folder:
// empty, "." or "..", or holding "/" or a backslash.
void CheckTorrentName(const std::string& name);

// Applies the text of a file row to entry index: a text with a backslash or
// "/" is split after the last of them into Path (its folders separated by
// backslashes) and Name; a text without one becomes the Name and the entry
// keeps its Path. Throws EEditError, and changes nothing, when there is no
// such entry, when the path would hold an empty, "." or ".." element (a
// trailing separator leaves an empty name), or when another entry has that
// path or lies inside it.
void RenameFileEntry(TTorrentFile& model, std::size_t index, const std::string& text);

// The rows of the backup list as announce URLs, in order: the URL the lookup
// finds for a row, or the row itself when it finds none (no lookup: none).
[[nodiscard]] std::vector<std::string>
ResolveBackupRows(const std::vector<std::string>& rows, const TTrackerLookup& lookup);

// What a save writes as backup trackers: none unless enabled, else the rows resolved.
void SetBackupTrackers(
    TTorrentFile& model, bool enabled, const std::vector<std::string>& rows, const TTrackerLookup& lookup);

// The edit rule: what a save of a model loaded for editing writes. The file
// it was loaded from (LoadedBytes) stays as it was but for what the user
// changed: "announce" and "creation date" when changed, "announce-list" when
// the backup trackers or the announce URL changed, "url-list" when the web
// seeds changed, and "comment" always (with the writer's suffix). While the
// name, the file paths and the source stay, the info dictionary keeps its
// bytes, and with them the info hash. Otherwise only those values in it are
// written anew; every other key, in the info dictionary and in each file
// entry, keeps its bytes. A model without loaded bytes that form one
// bencoded dictionary is written as the model. Throws EEditError, and
// nothing is written, when the result would lack what a client needs (its
// message names what), when a new name is refused (CheckTorrentName), when
// a v2 or hybrid torrent's names changed (its "file tree" names them too),
// and with keepInfoHash when the info dictionary cannot stay as it is.
[[nodiscard]] std::string EditedTorrentBytes(const TTorrentFile& model, bool keepInfoHash = false);

// Whether a save of model (EditedTorrentBytes) gives a new info hash.
[[nodiscard]] bool EditChangesInfoHash(const TTorrentFile& model);

// Writes EditedTorrentBytes to path through a temporary file (ReplaceFile).
// On success the model holds the written file as loaded (LoadedBytes,
// InfoHash, InfoHashText), so that a later save starts from it. On a write
// failure path is untouched and the error says why (kErrChangedMeanwhile
// when unchanged is given and path is no longer that file); EEditError as
// EditedTorrentBytes.
[[nodiscard]] TError
SaveEditedTorrent(TTorrentFile& model, const std::filesystem::path& path, const TPathInfo* unchanged = nullptr);

// The keys outside the info dictionary that an edit may change.
struct TOuterKeys
{
    bool Announce = false;
    bool AnnounceList = false;
    bool Comment = false;
    bool CreationDate = false;
    bool WebSeeds = false;
};

// The bytes of an edit that keeps the info hash: original (a bencoded
// dictionary) with the keys in changed written as a save of model writes
// them (or left out when such a save has none), and every other key,
// "info" first of all, with its bytes unchanged. A key new to the file takes
// its place in key order. Throws EEditError when original is not one
// well-formed bencoded dictionary.
[[nodiscard]] std::string
EditOutsideInfo(std::string_view original, const TTorrentFile& model, const TOuterKeys& changed);

// The message of a failed save: "Fehler beim Schreiben " and the path.
[[nodiscard]] std::string WriteErrorMessage(const std::filesystem::path& path);

// A save refused because another program changed the file after it was
// loaded: "Datei <path> wurde inzwischen von einem anderen Programm geändert."
[[nodiscard]] std::string ChangedMeanwhileMessage(const std::filesystem::path& path);

} // namespace brisolt
