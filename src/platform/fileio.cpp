#include "platform/fileio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisolt
{

namespace
{

// Closes a descriptor when it goes out of scope.
class TFd
{
public:
    explicit TFd(int fd)
        : Fd(fd)
    {
    }

    ~TFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }

    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;

    [[nodiscard]] int Get() const { return Fd; }

    int Release() { return std::exchange(Fd, -1); }

private:
    int Fd;
};

} // namespace

std::string SystemErrorText(int err)
{
    return std::strerror(err);
}

TReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize, std::string& data, std::string& reason)
{
    data.clear();
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));

    struct stat st
    {
    };

    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0)
    {
        reason = SystemErrorText(errno);
        return TReadResult::Failed;
    }
    if (S_ISDIR(st.st_mode))
    {
        reason = SystemErrorText(EISDIR);
        return TReadResult::Failed;
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize)
        return TReadResult::TooLarge;
    data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < data.size())
    {
        const ssize_t n = ::read(fd.Get(), data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            reason = SystemErrorText(errno);
            data.clear();
            return TReadResult::Failed;
        }
        if (n == 0)
            break; // the file shrank meanwhile: keep what it holds now
        got += static_cast<std::size_t>(n);
    }
    data.resize(got);
    return TReadResult::Ok;
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data, std::string& reason)
{
    const auto folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::random_device random;
    std::filesystem::path temp;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt)
    {
        std::string name = ".";
        name += path.filename().string();
        name += '.';
        name += std::to_string(random());
        name += ".tmp";
        temp = folder / name;
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST)
            break;
    }
    if (raw < 0)
    {
        reason = SystemErrorText(errno);
        return false;
    }
    TFd fd(raw);
    const auto fail = [&](int err)
    {
        reason = SystemErrorText(err);
        ::unlink(temp.c_str());
        return false;
    };
    std::size_t done = 0;
    while (done < data.size())
    {
        const ssize_t n = ::write(fd.Get(), data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        done += static_cast<std::size_t>(n);
    }

    // Keep the mode of a file being replaced.
    struct stat st
    {
    };

    if (::stat(path.c_str(), &st) == 0)
        ::fchmod(fd.Get(), st.st_mode & 07777);
    if (::fsync(fd.Get()) != 0)
        return fail(errno);
    if (::close(fd.Release()) != 0)
        return fail(errno);
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail(errno);
    return true;
}

std::filesystem::path NativeRelativePath(std::string_view backslashPath, std::string_view name)
{
    std::filesystem::path result;
    std::size_t start = 0;
    for (std::size_t pos; (pos = backslashPath.find('\\', start)) != std::string_view::npos; start = pos + 1)
    {
        if (pos > start)
            result /= std::string(backslashPath.substr(start, pos - start));
    }
    if (start < backslashPath.size())
        result /= std::string(backslashPath.substr(start));
    result /= std::string(name);
    return result;
}

} // namespace brisolt
