#include "hashing/contentfile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace brisolt
{

namespace
{

constexpr int64_t kAdviseFrom = 4 * 1024 * 1024;
// How long a reading of the system's locks stands for the present.
constexpr std::chrono::milliseconds kLocksFresh{50};

} // namespace

bool TLockWatch::MayBeLocked(uint64_t inode)
{
    std::lock_guard lock(Mutex);
    const auto now = std::chrono::steady_clock::now();
    if (!Read || now - Taken > kLocksFresh)
    {
        Listed = Files.ExclusivelyLockedInodes(Inodes);
        Taken = now;
        Read = true;
    }
    return !Listed || std::binary_search(Inodes.begin(), Inodes.end(), inode);
}

TError TContentFile::Open(const std::string& path, const TPathInfo* listed, TLockWatch* locks, TFileSystem& files)
{
    Where = path;
    std::unique_ptr<TReadableFile> file;
    // Opening never waits, so that a FIFO cannot hang; it is refused below.
    const int err = files.OpenForReading(NativePath(path), file);
    TPathInfo info;
    if (err != 0)
        info.Error = err;
    else if (listed != nullptr)
        info = *listed;
    else
        info = file->Info();
    if (const int code = NotRegularFileError(info); code != 0)
        return TError::File(path, TFileAction::Open, code);
    // The closest thing to an open without sharing.
    if (locks != nullptr && locks->MayBeLocked(info.Inode) && !file->LockShared())
        return TError::File(path, TFileAction::Open, kErrLockedByOther);
    // Larger read-ahead pays off for large files only; small ones are read
    // in one call, and the advice would cost a system call each.
    if (info.Size > kAdviseFrom)
        file->AdviseSequential();
    File = std::move(file);
    Seen = info;
    return {};
}

int64_t TContentFile::SizeNow() const
{
    if (!File)
        return -1;
    const TPathInfo info = File->Info();
    return info.Kind == TPathKind::Missing ? -1 : info.Size;
}

bool TContentFile::Unchanged() const
{
    if (!File)
        return false;
    const TPathInfo now = File->Info();
    return now.Kind == TPathKind::RegularFile && !now.Unlinked && now.Device == Seen.Device && now.Inode == Seen.Inode
           && now.Size == Seen.Size && now.Modified == Seen.Modified;
}

TResult<int64_t> TContentFile::ReadAt(char* target, int64_t want, int64_t offset) const
{
    int err = EBADF;
    const int64_t n = File ? File->ReadAt(target, want, offset, err) : -1;
    if (n < 0)
        return TError::File(Where, TFileAction::Read, err);
    return n;
}

int64_t TContentFile::ReadCachedAt(char* target, int64_t want, int64_t offset) const
{
    int err = EBADF;
    const int64_t n = File ? File->ReadCachedAt(target, want, offset, err) : -1;
    if (n >= 0)
        return n;
    // Any other failure is left to the read that may wait, which meets it
    // again and names it.
    return err == ENOTSUP || err == EOPNOTSUPP || err == EINVAL ? -2 : -1;
}

TError TContentFile::ReadFullAt(char* target, int64_t want, int64_t offset) const
{
    while (want > 0)
    {
        const TResult<int64_t> read = ReadAt(target, want, offset);
        if (!read)
            return read.Error();
        const int64_t n = *read;
        if (n == 0)
            return TError::File(Where, TFileAction::Read, kErrFileShrank);
        target += n;
        offset += n;
        want -= n;
    }
    return {};
}

} // namespace brisolt
