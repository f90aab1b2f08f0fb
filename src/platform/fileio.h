// The file system as every layer above sees it, and the only place that
// calls the operating system for files: what a path names, one owning handle
// for files and folders, folder listings, whole-file reads with a size bound,
// the check whether a file can be created, writes that replace a file only
// once the new content is complete, and the conversion between the model's
// backslash-separated relative paths and native paths. Paths are the file
// system's bytes; symbolic links are followed. Errors are codes as
// platform/error.h has them (0: none). Any thread; a handle is used by one
// thread at a time. On Windows the bytes of a path are its UTF-8 text, handed
// to the system as UTF-16, and errors are the errno values that stand closest
// to the system's codes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace brisolt
{

// Metainfo files beyond this size are not read into memory.
inline constexpr uint64_t kMaxMetainfoSize = 256ull * 1024 * 1024;

enum class TPathKind
{
    Missing, // or cannot be reached; Error says why
    RegularFile,
    Folder,
    Other, // a FIFO, device or socket
};

struct TPathInfo
{
    TPathKind Kind = TPathKind::Missing;
    int64_t Size = 0;
    // Together they name one file or folder, whichever path leads to it.
    uint64_t Device = 0;
    uint64_t Inode = 0;
    // Any of the owner, group or others write bits is set.
    bool HasWriteBit = false;
    // When the content last changed, in the system's units: only compared.
    int64_t Modified = 0;
    // No name leads to it any more: deleted, or replaced by a rename.
    bool Unlinked = false;
    int Error = 0;
};

// Whether a and b are one existing file, unchanged in size and time of last
// change: a file read at a and looked at again at b was not written meanwhile.
[[nodiscard]] bool SameUnchangedFile(const TPathInfo& a, const TPathInfo& b);

// What path names, links followed.
[[nodiscard]] TPathInfo PathInfo(const std::filesystem::path& path);

// A read-only view of part of a regular file, unmapped when it goes out of
// scope. Where the file has been cut short since, touching a page does not end
// the process: the rest of the view reads as zeros and Intact() turns false.
// Only the thread that made the view reads it.
class TFileMapping
{
public:
    TFileMapping() = default;
    ~TFileMapping();
    TFileMapping(TFileMapping&& other) noexcept;
    TFileMapping& operator=(TFileMapping&& other) noexcept;
    TFileMapping(const TFileMapping&) = delete;
    TFileMapping& operator=(const TFileMapping&) = delete;

    [[nodiscard]] const char* Data() const { return View; }

    [[nodiscard]] int64_t Size() const { return ViewSize; }

    // No page was missing from the file when it was read.
    [[nodiscard]] bool Intact() const;

private:
    friend class TFileHandle;
    void Unmap();

    void* Base = nullptr;
    std::size_t BaseSize = 0;
    const char* View = nullptr;
    int64_t ViewSize = 0;
    int Guard = -1; // the calling thread's record of the range
};

// Memory that file reads fill, freed when it goes out of scope. Taken in
// whole huge pages where the system offers them: on some machines each fresh
// small page costs a fault of about 20 us, so a buffer of megabytes would
// cost milliseconds before its first use.
class TReadBuffer
{
public:
    TReadBuffer() = default;
    explicit TReadBuffer(std::size_t bytes);
    ~TReadBuffer();
    TReadBuffer(TReadBuffer&& other) noexcept;
    TReadBuffer& operator=(TReadBuffer&& other) noexcept;
    TReadBuffer(const TReadBuffer&) = delete;
    TReadBuffer& operator=(const TReadBuffer&) = delete;

    [[nodiscard]] char* Data() const { return Start; }

    [[nodiscard]] std::size_t Size() const { return Bytes; }

private:
    void Free();

    void* Base = nullptr;
    std::size_t Reserved = 0;
    char* Start = nullptr;
    std::size_t Bytes = 0;
};

// An open file or folder, closed when the handle goes out of scope.
class TFileHandle
{
public:
    TFileHandle() = default;
    ~TFileHandle();
    TFileHandle(TFileHandle&& other) noexcept;
    TFileHandle& operator=(TFileHandle&& other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    // Opens path for reading without waiting for a writer (a FIFO or device
    // opens at once), so callers check Info().Kind before reading. A
    // relative path starts at folder when folder is open.
    [[nodiscard]] int OpenForReading(const std::filesystem::path& path, const TFileHandle* folder = nullptr);
    [[nodiscard]] int OpenFolder(const std::filesystem::path& path);

    [[nodiscard]] bool IsOpen() const;

    // What the open handle names now.
    [[nodiscard]] TPathInfo Info() const;
    // What name inside this open folder names, links followed.
    [[nodiscard]] TPathInfo InfoAt(const std::string& name) const;
    // The names inside this open folder, as ListFolder gives them.
    [[nodiscard]] int List(std::vector<std::string>& names) const;

    // Takes a shared lock; false only when another program holds the file
    // locked exclusively, with flock or with a record lock (fcntl, lockf) on
    // any part of it (file systems without locks never refuse).
    [[nodiscard]] bool LockShared();
    // Tries once for the exclusive lock that Brisolt's edits take turns with:
    // 0, EWOULDBLOCK while another process holds it, kErrNoLocks where the
    // system has no such lock, or the error.
    [[nodiscard]] int TryLockExclusive();
    // Larger read-ahead, for a file read once from start to end.
    void AdviseSequential();

    // Reads up to want bytes: the count read (0 at the end), or -1 with err.
    [[nodiscard]] int64_t Read(char* target, int64_t want, int& err);
    // The same at offset, leaving the position alone; several threads may
    // read one handle at once this way.
    [[nodiscard]] int64_t ReadAt(char* target, int64_t want, int64_t offset, int& err) const;
    // ReadAt for what the system's cache holds, never waiting for the disk:
    // the count read, or -1 with err (EAGAIN: not cached; ENOTSUP, EOPNOTSUPP
    // or EINVAL: this system or file cannot tell; or the read's own error).
    [[nodiscard]] int64_t ReadCachedAt(char* target, int64_t want, int64_t offset, int& err) const;
    // Maps length bytes from offset (any offset) for reading from start to
    // end, pages fetched ahead; 0, or the error when the file cannot be
    // mapped (the caller reads instead). Any thread, one view per call.
    [[nodiscard]] int Map(int64_t offset, int64_t length, TFileMapping& mapping) const;

private:
    friend class TFileReplacement;
    friend class TFileLock;
    void Close();

    static constexpr intptr_t kNoHandle = -1;

    // The system's handle as a descriptor (where the system uses them).
    [[nodiscard]] int Descriptor() const { return static_cast<int>(Native); }

    // The system's own handle, its bits as a number: a file descriptor, or a
    // Windows HANDLE; kNoHandle when closed.
    intptr_t Native = kNoHandle;
    // For a system that cannot open a name relative to an open folder: the
    // folder's path.
    std::filesystem::path Folder;
    // For a system that reads at offsets only: where Read goes on (ReadAt
    // leaves it alone).
    int64_t Position = 0;
};

// The inode numbers of the files on which some process holds an exclusive
// lock (flock, or a record lock for writing), sorted, from the system's own
// list; false where the system keeps no such list. Reading it once costs less
// than asking each of thousands of files.
[[nodiscard]] bool ExclusivelyLockedInodes(std::vector<uint64_t>& inodes);

// The names directly inside folder, "." and ".." left out, in the order the
// listing yields them; the error when it cannot be listed.
[[nodiscard]] int ListFolder(const std::filesystem::path& folder, std::vector<std::string>& names);

// The file that a write to path replaces: a symbolic link's final target
// (which need not exist yet), else path itself. On Windows, where a rename
// replaces a link itself and ".." is applied to a path's text, it is the path
// with every link and junction on it resolved when the file or its folder
// exists and that differs from path; a link to nothing stays path.
[[nodiscard]] std::filesystem::path WriteTargetOf(const std::filesystem::path& path);

// path made absolute, "." left out, and each ".." applied as the operating
// system applies it: to the folder that the path before it leads to, links
// followed, never by cutting text. Elements that are not "..", the last one
// included, keep their names; a ".." after a part that does not exist stays.
[[nodiscard]] std::filesystem::path ResolvedPath(const std::filesystem::path& path);

// Why what info describes is no regular file to read: 0 for a regular file,
// info's error (ENOENT when it has none) for a path that leads nowhere,
// EISDIR for a folder,
// kErrNotRegularFile for a FIFO, device or socket.
[[nodiscard]] int NotRegularFileError(const TPathInfo& info);

// Whether what info describes may be replaced by a new regular file, by its
// kind alone: 0 for a regular file or nothing (ENOENT), EISDIR for a folder,
// kErrNotRegularFile for a FIFO, device or socket, else info's error. Devices
// and the like are never replaced: writing "over" one would destroy it.
[[nodiscard]] int ReplaceableKind(const TPathInfo& info);

// Whether an existing file at path may be replaced: ReplaceableKind allows
// it, it has a write bit (the superuser included) and the user may write it.
// EACCES when not.
[[nodiscard]] int CanReplaceFile(const std::filesystem::path& path);

// The file's bytes. Only regular files are read: anything else fails at once
// with its reason; a file larger than maxSize fails with EFBIG.
[[nodiscard]] TResult<std::string> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize);

// A file written whole beside the file it replaces and renamed over it only
// then. Begin opens the folder that the write lands in once and creates the
// temporary file there, so that a long run learns at its start whether its
// output can be written, and the write lands in that same folder whatever its
// path names by then. Until Commit succeeds, nothing at the target changes;
// a replacement that ends without one leaves no temporary file behind.
class TFileReplacement
{
public:
    TFileReplacement() = default;
    ~TFileReplacement();
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // For a write to path (a symbolic link is written through to its final
    // target): 0, or why it cannot be: the folder cannot be opened or
    // written, the name is too long, the target is a folder (EISDIR), not a
    // regular file (kErrNotRegularFile) or may not be replaced (EACCES, as
    // CanReplaceFile).
    [[nodiscard]] int Begin(const std::filesystem::path& path);

    // The folder opened by Begin.
    [[nodiscard]] const TFileHandle& Folder() const { return Dir; }

    // What the target's name in that folder names now.
    [[nodiscard]] TPathInfo TargetInfo() const;

    // Writes data, flushes it and renames it over the target, whose
    // permission bits (and, where allowed, owner) the new file takes. 0, or
    // the error with nothing replaced: kErrNotRegularFile when the target has
    // become something other than a regular file, kErrChangedMeanwhile when
    // unchanged is given and the target is no longer that file
    // (SameUnchangedFile), ECANCELED when abort was raised before the rename.
    [[nodiscard]] int
    Commit(std::string_view data, const TPathInfo* unchanged = nullptr, const std::atomic<bool>* abort = nullptr);

private:
    [[nodiscard]] int CreateNamedTemporary();
    void RemoveTemporary();

    TFileHandle Dir;
    TFileHandle Temp;
    std::string Name;     // the target's name in Dir, as bytes
    std::string TempName; // the temporary's name in Dir; empty while it has none
    int NameMax = 255;    // the longest name the folder's file system takes
};

// A name for a temporary file beside name, within nameMax bytes: a dot, as
// much of name as fits (never cutting a UTF-8 character), a dot, number and
// ".tmp".
[[nodiscard]] std::string TemporaryName(std::string_view name, uint32_t number, int nameMax);

// Writes data to path through a TFileReplacement (Begin, then Commit with
// unchanged and abort): 0, or the error with path untouched and no temporary
// left behind.
[[nodiscard]] int ReplaceFile(
    const std::filesystem::path& path,
    std::string_view data,
    const TPathInfo* unchanged = nullptr,
    const std::atomic<bool>* abort = nullptr);

// ReplaceFile, its failure "Datei <path> kann nicht erstellt werden. <reason>".
[[nodiscard]] TError WriteFileAtomic(const std::filesystem::path& path, std::string_view data);

// The exclusive lock that Brisolt processes take before they read a file that
// they will replace, so that two edits of one file take turns instead of one
// losing the other's change. Other programs are not held back by it. Released
// when the object goes out of scope.
class TFileLock
{
public:
    // Waits for the lock on the file at path, until abort is raised
    // (ECANCELED). A file replaced while waiting is locked afresh, so the
    // lock held is on the file the path names. 0 or the error: the file
    // cannot be opened, is a folder (EISDIR) or not a regular file
    // (kErrNotRegularFile).
    [[nodiscard]] int Lock(const std::filesystem::path& path, const std::atomic<bool>* abort = nullptr);

    // The locked file as it was when locked.
    [[nodiscard]] const TPathInfo& Info() const { return Locked; }

private:
    TFileHandle File;
    TPathInfo Locked;
};

// The path that the bytes name: on Windows their UTF-8 text, or their
// Windows-1252 text when they are not valid UTF-8.
[[nodiscard]] std::filesystem::path NativePath(std::string_view bytes);
// The bytes of a path, the inverse of NativePath for valid UTF-8.
[[nodiscard]] std::string PathBytes(const std::filesystem::path& path);

// "a\b\" or "a\b" and a name to the native relative path a/b/name.
[[nodiscard]] std::filesystem::path NativeRelativePath(std::string_view backslashPath, std::string_view name);

// Whether standard error is a terminal (progress lines redraw in place).
[[nodiscard]] bool StandardErrorIsTerminal();

} // namespace brisolt
