// THashedStorage reads the content files of a torrent as one byte stream, cuts
// it into pieces of PieceLength bytes and records the SHA-1 digest of each
// piece in Pieces. HashFiles is synchronous and calls the hooks on the calling
// thread, in exactly the order and with exactly the values of a strictly
// sequential run; whole pieces may be digested on worker threads meanwhile
// (ThreadCount). Reads stay sequential, each at most the bytes missing from
// the current piece; with more than one thread, small files are opened and
// checked a few dozen files ahead on threads of their own, and under the
// exact length policy every file is refused while another program holds it
// locked exclusively. Memory is a fixed number of piece buffers; pieces too
// large to hold two of them whole are digested on the calling thread as they
// are read, and only runs of whole ones inside a file go to the workers.
//
// The storage reads Files but never changes it; the caller keeps the list
// alive for the storage's lifetime. One run at a time; not re-entrant.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/torrentfile.h"
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

class THashedStorage
{
public:
    // files: the content in reading order. basePath: the folder holding the
    // files (multiFile) or the one file itself. Entries with a FullPath are read
    // from there.
    THashedStorage(
        const std::vector<TTorrentSubFile>& files, int64_t pieceLength, bool multiFile, std::filesystem::path basePath);
    virtual ~THashedStorage() = default;
    THashedStorage(const THashedStorage&) = delete;
    THashedStorage& operator=(const THashedStorage&) = delete;

    // The hashing run. Returns normally in every case: after an abort, and
    // after a file error, which Failed() and ErrorMessage then describe.
    void HashFiles();

    // The path read for an entry: its FullPath, else BasePath joined with its
    // relative folder and name (multi-file), else BasePath.
    [[nodiscard]] std::filesystem::path ResolvePath(const TTorrentSubFile& entry) const;

    [[nodiscard]] bool Failed() const { return !ErrorMessage.empty(); }

    std::filesystem::path BasePath;
    const std::vector<TTorrentSubFile>& Files;
    bool MultiFile;
    std::vector<TTorrentPiece> Pieces;
    int64_t PieceCount = 0;
    int64_t PieceLength;

    // Digesting threads: 0 = the machine's hardware threads, 1 = strictly
    // sequential on the calling thread.
    int ThreadCount = 0;
    TLengthPolicy LengthPolicy = TLengthPolicy::Exact;
    // Where reading begins in the first file, so that a run can start at a
    // piece boundary inside it; 0 up to that file's Length.
    int64_t StartOffset = 0;
    // Where the files are opened: the operating system's, unless a test
    // stands in; it outlives the run.
    TFileSystem* FileSystem = &TFileSystem::System();

    // Set when a file error ended the run: the file's path and the full
    // message ("Datei ... kann nicht geöffnet werden. <reason>").
    std::string ErrorPath;
    std::string ErrorMessage;
    // Under PadToListed: the files (indexes in Files) that changed while they
    // were read; what the run read of them may not be what they hold.
    std::vector<std::size_t> ChangedFiles;

protected:
    // A file has just been opened for reading (size taken at opening).
    virtual void FileStarted(const std::string& path, int64_t size) = 0;
    // One more piece was appended to Pieces.
    virtual void PieceHashed() = 0;
    // "start" before anything else, "done" after everything else, once each.
    virtual void ReportStatus(const std::string& status) = 0;
    // Asked before each file and after each read that did not reach the end
    // of its file.
    virtual bool IsAborted() = 0;

    // Called before every read, so that a window can handle pending events.
    virtual void ProcessMessages() {}

private:
    class TRun;
    friend class TRun;
};

} // namespace brisolt
