#include "hashing/contentfile.h"

#include <cerrno>
#include <utility>

namespace brisolt
{

namespace
{

constexpr int64_t kAdviseFrom = 4 * 1024 * 1024;

} // namespace

bool TContentFile::Open(const std::string& path, std::string& reason, bool lockShared)
{
    TFileHandle file;
    // Opening never waits, so that a FIFO cannot hang; it is refused below.
    const int err = file.OpenForReading(NativePath(path));
    TPathInfo info;
    if (err == 0)
        info = file.Info();
    else
        info.Error = err;
    if (info.Kind != TPathKind::RegularFile)
    {
        reason = info.Kind == TPathKind::Folder
                     ? SystemErrorText(EISDIR)
                     : (info.Kind == TPathKind::Other ? kNotRegularFile : SystemErrorText(info.Error));
        return false;
    }
    // The closest thing to an open without sharing.
    if (lockShared && !file.LockShared())
    {
        reason = SystemErrorText(EWOULDBLOCK);
        return false;
    }
    // Larger read-ahead pays off for large files only; small ones are read
    // in one call, and the advice would cost a system call each.
    if (info.Size > kAdviseFrom)
        file.AdviseSequential();
    File = std::move(file);
    OpenSize = info.Size;
    return true;
}

int64_t TContentFile::SizeNow() const
{
    if (!File.IsOpen())
        return -1;
    const TPathInfo info = File.Info();
    return info.Kind == TPathKind::Missing ? -1 : info.Size;
}

int64_t TContentFile::Read(char* target, int64_t want, std::string& reason)
{
    int err = 0;
    const int64_t n = File.Read(target, want, err);
    if (n < 0)
        reason = SystemErrorText(err);
    return n;
}

int64_t TContentFile::ReadAt(char* target, int64_t want, int64_t offset, std::string& reason) const
{
    int err = 0;
    const int64_t n = File.ReadAt(target, want, offset, err);
    if (n < 0)
        reason = SystemErrorText(err);
    return n;
}

bool TContentFile::ReadFullAt(char* target, int64_t want, int64_t offset, std::string& reason) const
{
    while (want > 0)
    {
        const int64_t n = ReadAt(target, want, offset, reason);
        if (n < 0)
            return false;
        if (n == 0)
        {
            reason = "Die Datei ist beim Lesen kürzer geworden.";
            return false;
        }
        target += n;
        offset += n;
        want -= n;
    }
    return true;
}

} // namespace brisolt
