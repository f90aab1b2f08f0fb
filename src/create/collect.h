// Collecting the content files of a torrent: folder listings, the ordering of
// names, the thumbs.db rule and file sizes. Pure file-system reads, no state;
// any thread. Names are the file system's bytes, unchanged.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/torrentfile.h"
#include "platform/error.h"

namespace brisolt
{

// Ordinal comparison of the names' bytes: -1, 0 or 1 (B.txt before a.txt).
[[nodiscard]] int CompareNames(std::string_view a, std::string_view b);

// Names sorted with CompareNames, each once: the order of a folder's file
// list, for names chosen in any order.
[[nodiscard]] std::vector<std::string> SortNames(std::vector<std::string> names);

// True when name, with the letters A to Z turned to lower case, is "thumbs.db".
[[nodiscard]] bool IsThumbsDb(std::string_view name);

// Shell-style matching of the whole text: * any run of characters (/
// included), ? one character, [abc], [a-z] and [!abc] one of (or none of) a set.
[[nodiscard]] bool MatchesPattern(std::string_view pattern, std::string_view text);

// Whether a file is left out by one of the patterns: its name or its path
// below the torrent's top folder (folders joined by /) matches.
[[nodiscard]] bool IsExcluded(const TTorrentSubFile& file, const std::vector<std::string>& patterns);

// Glob matching of the whole text by path elements: * any run of characters
// within one element (no /), ** any run across elements, "**/" zero or more
// whole folders, ? one character other than /, and sets as MatchesPattern
// has them. ignoreCase folds the letters A to Z.
[[nodiscard]] bool MatchesGlob(std::string_view pattern, std::string_view text, bool ignoreCase);

// Which files of a folder or selection a torrent leaves out. All off by default.
struct TFileFilter
{
    // MatchesPattern against the name or the path (* crosses /).
    std::vector<std::string> Excludes;
    // MatchesGlob ignoring case, against the name or the path.
    std::vector<std::string> CaselessExcludes;
    // When any: only files whose name or path one matches (MatchesGlob).
    std::vector<std::string> Includes;
    // Names that trackers reject, in any letter case, as file or folder:
    // .DS_Store, desktop.ini, Thumbs.db, @eaDir, .AppleDouble, *:Zone.Identifier.
    bool Junk = false;
    // A name of the path (folder or file) starting with ".".
    bool Hidden = false;
};

// Why a file is left out; the first that applies, in this order.
enum class TLeftOut
{
    None,
    Junk,
    Hidden,
    Excluded,
    NotIncluded,
};

// The file's path below the torrent's top folder, folders joined by /.
[[nodiscard]] std::string SlashPath(const TTorrentSubFile& file);

[[nodiscard]] TLeftOut LeftOutBy(const TTorrentSubFile& file, const TFileFilter& filter);
// "junk", "hidden", "excluded", "not included" ("" for None).
[[nodiscard]] std::string_view LeftOutName(TLeftOut reason);

// The size of a file, taken with the file open for reading. Refused while
// another program holds an exclusive lock on it, with "Datei %s kann nicht
// geöffnet werden. %s" (path, reason), as any file that cannot be used.
[[nodiscard]] TResult<int64_t> FileSizeOf(const std::filesystem::path& path);

// Folders by identity: device and inode (on Windows volume and file index).
using TFolderIds = std::set<std::pair<uint64_t, uint64_t>>;

// Appends the files of folder's tree to list, depth first, each folder's
// names sorted with CompareNames; every entry gets its FullPath. relative is
// the backslash-joined folder below the torrent's folder ("" at the top).
// Symbolic links are followed; a link back to a folder being collected is an
// error rather than an endless descent. Adds every length to total. Fails
// for a folder that cannot be listed or an entry that is missing or not a
// regular file. Each file's size is the listing's one look at it:
// whether it can be opened, and its lock, are checked when it is hashed.
// folders, when given, receives every folder of the tree, folder included.
[[nodiscard]] TError CollectFolder(
    std::vector<TTorrentSubFile>& list,
    int64_t& total,
    const std::filesystem::path& folder,
    const std::string& relative,
    bool recursive,
    bool skipThumbs,
    TFolderIds* folders = nullptr);

// The names directly inside folder, "." and ".." left out, in the order the
// directory listing yields them; the folder's failure when it cannot be listed.
[[nodiscard]] TResult<std::vector<std::string>> ListFolderEntries(const std::filesystem::path& folder);

// The files a person can select in folder: regular files (links followed)
// that are not hidden (no leading dot), sorted with CompareNames.
[[nodiscard]] TResult<std::vector<std::string>> ListFolderFiles(const std::filesystem::path& folder);

} // namespace brisolt
