// HashFiles reads the content files of a torrent as one byte stream, cuts it
// into pieces of PieceLength bytes and returns the SHA-1 digest of each piece.
// It is synchronous and tells its progress on the calling thread, in exactly
// the order and with exactly the values of a strictly sequential run; whole
// pieces may be digested on worker threads meanwhile (ThreadCount). Reads
// stay sequential, each at most the bytes missing from the current piece;
// with more than one thread, small files are opened and checked a few dozen
// files ahead on threads of their own, and under the exact length policy
// every file is refused while another program holds it locked exclusively.
// Memory is a fixed number of piece buffers; pieces too large to hold two of
// them whole are digested on the calling thread as they are read, and only
// runs of whole ones inside a file go to the workers. The run reads the job's
// files but never changes them.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/torrentfile.h"
#include "platform/error.h"
#include "platform/filesystem.h"

namespace brisolt
{

// The largest piece length a run accepts: every size the program offers fits,
// and a larger one in a torrent is garbage, not a reason for a huge buffer.
inline constexpr int64_t kMaxPieceLength = int64_t{1} << 28;

// What the run does when a file's size differs from its entry's Length.
enum class TLengthPolicy
{
    // The size must match: a file that changed since it was listed ends the
    // run with an error, so a torrent never describes other bytes than it hashed.
    Exact,
    // Read the entry's Length bytes, zeros standing in for what is missing or
    // cannot be opened, so that later pieces stay aligned (for checking content).
    PadToListed,
};

// What a run reads and how.
struct THashJob
{
    // The content in reading order; the caller keeps it alive for the run.
    // Entries with a FullPath are read from there.
    std::span<const TTorrentSubFile> Files;
    int64_t PieceLength = 0;
    // Whether BasePath is the folder holding the files, or the one file itself.
    bool MultiFile = true;
    std::filesystem::path BasePath;
    // Digesting threads: 0 = the machine's hardware threads, 1 = strictly
    // sequential on the calling thread.
    int ThreadCount = 0;
    TLengthPolicy LengthPolicy = TLengthPolicy::Exact;
    // Where reading begins in the first file, so that a run can start at a
    // piece boundary inside it; 0 up to that file's Length.
    int64_t StartOffset = 0;
    // The abort token: looked at before each file and after each read that
    // did not reach the end of its file; once set, the run ends there.
    const std::atomic<bool>* Abort = nullptr;
    // Where the files are opened: the operating system's, unless a test
    // stands in; it outlives the run.
    TFileSystem* FileSystem = &TFileSystem::System();
};

// What a run tells as it goes, on the calling thread, in the order and with
// the values of a strictly sequential run.
class THashProgress
{
public:
    virtual ~THashProgress() = default;

    // A file has just been opened for reading (size taken at opening).
    virtual void FileStarted(const std::string& path, int64_t size)
    {
        (void)path;
        (void)size;
    }

    // One more piece is done; pieces: how many are done now.
    virtual void PieceHashed(int64_t pieces) { (void)pieces; }

    // "start" before anything else, "done" after everything else, once each.
    virtual void ReportStatus(const std::string& status) { (void)status; }

    // Before every read, so that a window can handle pending events (and a
    // click there raise the abort token).
    virtual void BeforeRead() {}
};

// What a run leaves. It ends normally in every case: after an abort (with
// the pieces finished before it), and after a file error, which
// Error then describes.
struct THashResult
{
    std::vector<TTorrentPiece> Pieces;
    // Set when an error ended the run: for a file, its path and the full
    // message ("Datei ... kann nicht geöffnet werden. <reason>").
    TError Error;
    // Under PadToListed: the files (indexes in Files) that changed while they
    // were read; what the run read of them may not be what they hold.
    std::vector<std::size_t> ChangedFiles;

    [[nodiscard]] bool Failed() const { return Error.Failed(); }
};

// The path read for an entry: its FullPath, else BasePath joined with its
// relative folder and name (multi-file), else BasePath.
[[nodiscard]] std::filesystem::path ResolvePath(const THashJob& job, const TTorrentSubFile& entry);

// The hashing run. Not re-entrant for one progress.
[[nodiscard]] THashResult HashFiles(const THashJob& job, THashProgress& progress);

} // namespace brisolt
