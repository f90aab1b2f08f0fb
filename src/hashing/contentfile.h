// A content file opened for sequential reading, closed when it goes out of
// scope. Only regular files open (a FIFO or device never blocks the run);
// symbolic links are followed. Other programs may keep reading and writing
// the file meanwhile. One thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/fileio.h"
#include "platform/filesystem.h"

namespace brisolt
{

// Which files another program may hold locked, from the system's list of
// locks, read again once it is older than a moment: asking every file costs
// system calls that thousands of small files feel. Inode numbers alone are
// matched (a lock's device may be named differently), so a match is only a
// reason to ask the file itself. Where the system keeps no list, every file
// is asked. Any thread.
class TLockWatch
{
public:
    explicit TLockWatch(TFileSystem& files = TFileSystem::System())
        : Files(files)
    {
    }

    [[nodiscard]] bool MayBeLocked(uint64_t inode);

private:
    TFileSystem& Files;
    std::mutex Mutex;
    std::vector<uint64_t> Inodes;
    bool Listed = false;
    std::chrono::steady_clock::time_point Taken;
    bool Read = false;
};

class TContentFile
{
public:
    // Opens the file at path; the failure ("Datei <path> kann nicht geöffnet
    // werden. ...") when it cannot be. listed: what the file's listing saw
    // (Kind RegularFile, size, identity, time); then the open is the only
    // system call, and Unchanged compares with it. Without it the open takes
    // them from the file. With locks, a file that another program holds
    // locked exclusively is refused; one that was asked keeps a shared lock
    // until it is closed. files: where path is opened.
    [[nodiscard]] TError Open(
        const std::string& path,
        const TPathInfo* listed = nullptr,
        TLockWatch* locks = nullptr,
        TFileSystem& files = TFileSystem::System());

    [[nodiscard]] bool IsOpen() const { return File != nullptr; }

    // The path given to Open.
    [[nodiscard]] const std::string& Path() const { return Where; }

    // The size taken at listing or opening.
    [[nodiscard]] int64_t Size() const { return Seen.Size; }

    // The size the file has now; -1 when it cannot be taken.
    [[nodiscard]] int64_t SizeNow() const;

    // Whether the open file is still what was listed or opened: a regular
    // file of the same identity, size and modification time that a name
    // still leads to. One look at the open file.
    [[nodiscard]] bool Unchanged() const;

    // Reads up to want bytes at offset, leaving the position alone: the count
    // read (0 at the end), or the failure ("Datei <path> kann nicht gelesen
    // werden. ...").
    [[nodiscard]] TResult<int64_t> ReadAt(char* target, int64_t want, int64_t offset) const;
    // Reads up to want bytes at offset from what the system's cache holds,
    // never waiting for the disk: the count read, -1 when that would wait or
    // failed (the read that may wait meets the failure again), -2 when this
    // system or file cannot tell.
    [[nodiscard]] int64_t ReadCachedAt(char* target, int64_t want, int64_t offset) const;
    // Reads exactly want bytes at offset, from any thread; the failure when
    // the file ends first (kErrFileShrank) or a read fails.
    [[nodiscard]] TError ReadFullAt(char* target, int64_t want, int64_t offset) const;

    // A read-only view of length bytes at offset, from any thread; false when
    // the file cannot be mapped, and the caller reads instead.
    [[nodiscard]] bool Map(int64_t offset, int64_t length, TFileMapping& mapping) const
    {
        return File && File->Map(offset, length, mapping) == 0;
    }

private:
    std::unique_ptr<TReadableFile> File;
    std::string Where;
    TPathInfo Seen;
};

} // namespace brisolt
