// Creating torrents without a window: the four sources (a single file, files
// selected in one folder, a folder tree, one torrent per entry of a folder),
// the save-name proposals, the piece-length rule, backup trackers, hashing and
// writing each output through a temporary file. The window and the command
// line call these functions and only translate to and from their controls or
// arguments.
//
// A create function runs on the caller's thread and returns when its action
// is over; the observer's hooks are called on that thread. The abort flag is
// the caller's: it may be raised from any thread (or a signal handler) and is
// cleared by the caller before an action begins.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/privatetrackers.h"
#include "core/torrentfile.h"
#include "create/collect.h"

namespace brisolt
{

inline constexpr int kAutoPieceSize = -1;
inline constexpr int kPieceSizeCount = 9; // "64kb" (index 0) to "16384kb" (index 8)
// The piece lengths a rule beyond the window's list may choose (--target-pieces,
// --max-piece-length, a tracker's table): powers of two from 16 KiB to 64 MiB.
inline constexpr int64_t kSmallestRulePieceLength = int64_t{1} << 14;
inline constexpr int64_t kLargestRulePieceLength = int64_t{1} << 26;
inline constexpr std::string_view kAbortedMessage = "Operation abgebrochen!";
inline constexpr std::string_view kNoFilesSelectedMessage = "Keine Dateien ausgewählt!";
// Reasons for an output refused before hashing, so that the content is never
// overwritten: "Datei <output> kann nicht erstellt werden. <reason>".
inline constexpr std::string_view kOutputIsContentReason = "Sie gehört zum Inhalt des Torrents.";
inline constexpr std::string_view kOutputInsideContentReason = "Sie läge im Ordner des Torrents.";

enum class TCreateStatus
{
    Written,
    Aborted, // Message is "Operation abgebrochen!"; nothing was written
    Failed,  // Message says which file and what failed; nothing was written
    // No byte of content (no file, or only empty files), which no client
    // accepts; Message names Source; nothing was written.
    Skipped,
};

// What became of one torrent of an action.
struct TCreateResult
{
    TCreateStatus Status = TCreateStatus::Failed;
    std::filesystem::path Output;
    std::filesystem::path Source; // the file, folder or entry the torrent is made of
    std::string Message;
    int64_t TotalLength = 0;
    int64_t PieceLength = 0;
    int64_t PieceCount = 0;
    std::size_t FileCount = 0;
    // Of a written torrent: its info hash (40 hex digits) and its magnet link.
    std::string InfoHash;
    std::string Magnet;
    std::size_t LeftOut = 0; // files of a folder or selection that Filter left out
    // Each file left out: its path below the top folder (folders joined by /) and why.
    std::vector<std::pair<std::string, TLeftOut>> LeftOutFiles;
};

// Progress of an action; every hook is optional.
class TCreateObserver
{
public:
    virtual ~TCreateObserver() = default;

    // Before a torrent's hashing run (the progress dialog's caption and bar).
    virtual void
    TorrentStarted(const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength, std::size_t fileCount)
    {
        (void)output;
        (void)totalLength;
        (void)pieceLength;
        (void)fileCount;
    }

    // The hashing run's hooks, in the run's order.
    virtual void FileStarted(const std::string& path, int64_t size)
    {
        (void)path;
        (void)size;
    }

    virtual void PieceHashed() {}

    virtual void ReportStatus(const std::string& status) { (void)status; }

    virtual void ProcessMessages() {}

    // After each torrent, also one that failed or was aborted.
    virtual void TorrentFinished(const TCreateResult& result) { (void)result; }
};

struct TCreateOptions
{
    std::string AnnounceURL;
    // The comment memo's lines; each is followed by CR LF in the torrent.
    std::vector<std::string> CommentLines;
    // When set, the comment instead: written exactly, without the suffix.
    std::optional<std::string> ExactComment;
    // "created by" instead of the program's name; "" leaves the key out.
    std::optional<std::string> CreatedBy;
    // A random "entropy" in the info dictionary: a new info hash on purpose.
    bool Entropy = false;
    // kAutoPieceSize, or an index of the piece size list (2^(16+index) bytes).
    int PieceSizeIndex = kAutoPieceSize;
    // A piece length in bytes that replaces the choice (0: none), e.g. one
    // beyond the window's list.
    int64_t PieceLength = 0;
    // For the automatic choice (0: off): the smallest allowed power of two
    // giving at most TargetPieces pieces instead of the size table, and a
    // largest piece length that caps whatever the automatic choice gives.
    int64_t TargetPieces = 0;
    int64_t MaxPieceLength = 0;
    // A tracker's piece length table for the automatic choice: content of at
    // most First bytes gets Second (First 0: any larger content), in order.
    std::vector<std::pair<int64_t, int64_t>> PieceTable;
    // The largest .torrent file the tracker RulesTracker takes (0: no limit);
    // checked before hashing, an automatic piece length grown to meet it.
    int64_t MaxTorrentSize = 0;
    std::string RulesTracker;
    // Leave files named thumbs.db out of collected file lists.
    bool SkipThumbs = false;
    // Which files of a multi-file torrent are left out (LeftOutBy).
    TFileFilter Filter;
    // Backup tracker rows (empty when backup trackers are off); each row is
    // looked up as a tracker name, and used as it stands when none matches.
    std::vector<std::string> BackupRows;
    std::function<std::string(const std::string&)> LookupAnnounceURL;
    // "source" of the info dictionary and the web seeds ("url-list"); none when empty.
    std::string Source;
    std::vector<std::string> WebSeeds;
    TCreateObserver* Observer = nullptr;
    const std::atomic<bool>* AbortRequested = nullptr;
    // Digesting threads: 0 = hardware threads, 1 = strictly sequential.
    int ThreadCount = 0;
    // Local time as an OLE date for the creation date; empty = the clock,
    // 0.0 = no creation date.
    std::function<double()> Now;
};

// A size in bytes: digits, then nothing or B, KB/MB/GB/TB (powers of 1000) or
// KiB/MiB/GiB/TiB (powers of 1024), in any letter case; -1 when it is none.
[[nodiscard]] int64_t ParseByteSize(std::string_view text);

// A tracker's rules as options (see TTrackerRules): its source tag (another
// one given already is refused), its piece length table, largest piece,
// largest torrent file and excludes. What is wrong with them, or "".
[[nodiscard]] std::string
ApplyTrackerRules(const TTrackerRules& rules, const std::string& tracker, TCreateOptions& options);

// The comment of a torrent: every line followed by CR LF.
[[nodiscard]] std::string MakeComment(const std::vector<std::string>& lines);
// Text cut into lines at LF (a CR before the LF is dropped); "" gives none.
[[nodiscard]] std::vector<std::string> SplitCommentLines(std::string_view text);

// The piece length for a content length: the custom size when an index is
// given, else 262,144 up to 450,000,000 bytes, then 524,288, 1,048,576 and
// above 2,000,000,000 bytes 2,097,152 (each threshold strictly greater).
[[nodiscard]] int64_t ChoosePieceLength(int64_t totalLength, int pieceSizeIndex);
// The piece length of an action: PieceLength, else the custom size of
// PieceSizeIndex, else the automatic choice (the size table, or TargetPieces)
// capped at MaxPieceLength.
[[nodiscard]] int64_t ChoosePieceLength(int64_t totalLength, const TCreateOptions& options);
// The smallest power of two from 16 KiB to 64 MiB giving at most target
// pieces for totalLength; 64 MiB when none does.
[[nodiscard]] int64_t PieceLengthForTarget(int64_t totalLength, int64_t target);
// A piece length as people write it: a number of bytes with an optional unit
// (k, kb, kib: 1024; m, mb, mib: 1048576; any letter case), "16384kb" as the
// window's list has it. 0 unless it is a power of two from 16 KiB to 64 MiB.
[[nodiscard]] int64_t ParsePieceLength(std::string_view text);
// "64kb" ... "16384kb" to its index; -1 for any other text.
[[nodiscard]] int PieceSizeIndexOf(std::string_view item);
[[nodiscard]] std::string PieceSizeItem(int index);

// The save dialog's proposals.
// A single file, or a folder torrent: the path followed by ".torrent".
[[nodiscard]] std::filesystem::path ProposeSaveName(const std::filesystem::path& source);
// Files selected in folder (list order): one file gives its own proposal;
// several give the folder followed by ".torrent", or at a root the torrent's
// title followed by ".torrent".
[[nodiscard]] std::filesystem::path
ProposeSelectionSaveName(const std::filesystem::path& folder, const std::vector<std::string>& selected);
// Several selected files: the folder's name, or at a root the first selected name.
[[nodiscard]] std::string SelectionTitle(const std::filesystem::path& folder, const std::vector<std::string>& selected);
// Per entry: target folder, entry name, ".torrent".
[[nodiscard]] std::filesystem::path PerEntrySaveName(const std::filesystem::path& target, const std::string& entry);

// Why url cannot be written as a tracker or web seed address, or "" when it
// can: an empty address ("Eine leere Adresse ist weder Tracker noch
// Webseed."), or one holding control characters, which would break the
// address ("Die Adresse <url> enthält Steuerzeichen.", each shown as \xNN).
[[nodiscard]] std::string AddressProblem(std::string_view url);

// A typed path with one trailing separator removed.
[[nodiscard]] std::string TrimTrailingSeparator(std::string path);

// The sources. A file that cannot be used ends the action with a Failed
// result naming it; per entry, that result is the last one. Content of zero
// bytes gives a Skipped result: "Keine Dateien in <source>." when no file is
// left (when Excludes left out N files: "Keine Dateien in <source>: die
// Muster lassen alle N Dateien aus.", for one file "... die einzige Datei
// aus."), else "Keine Daten in <source>: der Inhalt ist 0 Bytes groß.". An output that is
// one of the torrent's files (whatever path or link leads to it), or that
// would lie inside a folder whose tree is hashed, fails before hashing.
[[nodiscard]] TCreateResult CreateSingleFileTorrent(
    const std::filesystem::path& source, const std::filesystem::path& output, const TCreateOptions& options);
// selected: names of files directly in folder, in list order. One name gives
// a single-file torrent; several give one multi-file torrent.
[[nodiscard]] TCreateResult CreateSelectionTorrent(
    const std::filesystem::path& folder,
    const std::vector<std::string>& selected,
    const std::filesystem::path& output,
    const TCreateOptions& options);
[[nodiscard]] TCreateResult CreateFolderTorrent(
    const std::filesystem::path& folder, const std::filesystem::path& output, const TCreateOptions& options);
// One torrent per entry directly inside folder, written to target/E.torrent,
// overwriting without asking. An abort ends the action: its result is the last.
// An entry of zero bytes is skipped and the action goes on. When a failure or
// an abort ends the action, notProcessed (if given) gets the entries after it.
[[nodiscard]] std::vector<TCreateResult> CreatePerEntryTorrents(
    const std::filesystem::path& folder,
    const std::filesystem::path& target,
    const TCreateOptions& options,
    std::vector<std::string>* notProcessed = nullptr);

// What to make, as a front end takes it from its user: the one way in for
// the window and the command line.
struct TCreateRequest
{
    enum class TKind
    {
        SingleFile, // Source is a file; Output the torrent
        Selection,  // Source is a folder, Selected the names of its files; Output the torrent
        Folder,     // Source is a folder tree; Output the torrent
        PerEntry,   // one torrent per entry of the folder Source, written into Target
    };
    TKind Kind = TKind::SingleFile;
    std::filesystem::path Source;
    std::vector<std::string> Selected;
    std::filesystem::path Output;
    std::filesystem::path Target;
};

// The kind a single source asks for: a folder gives Folder, or PerEntry when
// one torrent per entry is asked for; anything else SingleFile.
[[nodiscard]] TCreateRequest::TKind SourceKind(bool folder, bool perEntry);
// Makes what request asks for, through the four calls above: one result, or
// per entry one per entry handled (notProcessed as for CreatePerEntryTorrents).
[[nodiscard]] std::vector<TCreateResult> CreateTorrents(
    const TCreateRequest& request, const TCreateOptions& options, std::vector<std::string>* notProcessed = nullptr);

// What a create call would say about content of zero bytes, asked before the
// output is chosen: its Skipped message, else "" (also for content that cannot
// be read, which the create call reports). selected as for
// CreateSelectionTorrent, with source its folder; empty for a single file or a
// folder tree at source.
[[nodiscard]] std::string EmptyContentMessage(
    const std::filesystem::path& source, const std::vector<std::string>& selected, const TCreateOptions& options);
// A per-entry action's closing line when it skipped entries and was not
// aborted, else "":
// "N torrents written, M entries skipped: A, B".
[[nodiscard]] std::string PerEntrySummary(const std::vector<TCreateResult>& results);
// The window's report of a per-entry action, in lines: the torrents written,
// then the entries skipped (and why), failed and not processed, each counted
// and named. "" when every entry was written or the action was aborted.
[[nodiscard]] std::string
PerEntryReport(const std::vector<TCreateResult>& results, const std::vector<std::string>& notProcessed);

} // namespace brisolt
