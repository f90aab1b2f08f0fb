#include "hashing/contentfile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileio.h"

namespace brisolt
{

namespace
{

constexpr off_t kAdviseFrom = 4 * 1024 * 1024;

} // namespace

TContentFile::~TContentFile()
{
    if (Fd >= 0)
        ::close(Fd);
}

bool TContentFile::Open(const std::string& path, std::string& reason)
{
    // Non-blocking, so that opening a FIFO cannot hang; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
    {
        reason = SystemErrorText(errno);
        return false;
    }

    struct stat st
    {
    };

    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        const int err = errno;
        reason =
            S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR) : (st.st_mode != 0 ? kNotRegularFile : SystemErrorText(err));
        ::close(fd);
        return false;
    }
    // Larger read-ahead pays off for large files only; small ones are read
    // in one call, and the advice would cost a system call each.
    if (st.st_size > kAdviseFrom)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Fd = fd;
    OpenSize = st.st_size;
    return true;
}

int64_t TContentFile::SizeNow() const
{
    struct stat st
    {
    };

    if (Fd < 0 || ::fstat(Fd, &st) != 0)
        return -1;
    return st.st_size;
}

int64_t TContentFile::Read(char* target, int64_t want, std::string& reason)
{
    for (;;)
    {
        const ssize_t n = ::read(Fd, target, static_cast<std::size_t>(want));
        if (n >= 0)
            return n;
        if (errno != EINTR)
        {
            reason = SystemErrorText(errno);
            return -1;
        }
    }
}

} // namespace brisolt
