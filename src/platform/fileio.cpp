#include "platform/fileio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisolt
{

namespace
{

TPathInfo InfoOf(const struct stat& st)
{
    TPathInfo info;
    info.Kind =
        S_ISREG(st.st_mode) ? TPathKind::RegularFile : (S_ISDIR(st.st_mode) ? TPathKind::Folder : TPathKind::Other);
    info.Size = st.st_size;
    info.Device = static_cast<uint64_t>(st.st_dev);
    info.Inode = static_cast<uint64_t>(st.st_ino);
    info.HasWriteBit = (st.st_mode & 0222) != 0;
    return info;
}

TPathInfo MissingInfo(int err)
{
    TPathInfo info;
    info.Error = err;
    return info;
}

struct TDirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

TPathInfo PathInfo(const std::filesystem::path& path)
{
    struct stat st
    {
    };

    return ::stat(path.c_str(), &st) == 0 ? InfoOf(st) : MissingInfo(errno);
}

TFileHandle::~TFileHandle()
{
    Close();
}

TFileHandle::TFileHandle(TFileHandle&& other) noexcept
    : Fd(std::exchange(other.Fd, -1))
{
}

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept
{
    if (this != &other)
    {
        Close();
        Fd = std::exchange(other.Fd, -1);
    }
    return *this;
}

void TFileHandle::Close()
{
    if (Fd >= 0)
        ::close(std::exchange(Fd, -1));
}

int TFileHandle::OpenForReading(const std::filesystem::path& path, const TFileHandle* folder)
{
    Close();
    const int at = folder && folder->IsOpen() ? folder->Fd : AT_FDCWD;
    Fd = ::openat(at, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    return Fd < 0 ? errno : 0;
}

int TFileHandle::OpenFolder(const std::filesystem::path& path)
{
    Close();
    Fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return Fd < 0 ? errno : 0;
}

TPathInfo TFileHandle::Info() const
{
    struct stat st
    {
    };

    return ::fstat(Fd, &st) == 0 ? InfoOf(st) : MissingInfo(errno);
}

TPathInfo TFileHandle::InfoAt(const std::string& name) const
{
    struct stat st
    {
    };

    return ::fstatat(Fd, name.c_str(), &st, 0) == 0 ? InfoOf(st) : MissingInfo(errno);
}

bool TFileHandle::LockShared()
{
    return ::flock(Fd, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

void TFileHandle::AdviseSequential()
{
    ::posix_fadvise(Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

int64_t TFileHandle::Read(char* target, int64_t want, int& err)
{
    for (;;)
    {
        const ssize_t n = ::read(Fd, target, static_cast<std::size_t>(want));
        if (n >= 0)
            return n;
        if (errno != EINTR)
        {
            err = errno;
            return -1;
        }
    }
}

int64_t TFileHandle::ReadAt(char* target, int64_t want, int64_t offset, int& err) const
{
    for (;;)
    {
        const ssize_t n = ::pread(Fd, target, static_cast<std::size_t>(want), static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR)
        {
            err = errno;
            return -1;
        }
    }
}

int ListFolder(const std::filesystem::path& folder, std::vector<std::string>& names)
{
    names.clear();
    std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return errno;
    for (;;)
    {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return errno;
}

std::filesystem::path WriteTargetOf(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec))
        return path;
    auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target;
}

std::filesystem::path ResolvedPath(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::filesystem::path result;
    bool unresolved = false; // a ".." was kept: what follows cannot be resolved either
    for (const auto& element : absolute)
    {
        if (element == "." || element.empty())
            continue;
        if (element != ".." || unresolved)
        {
            result /= element;
            continue;
        }
        auto folder = std::filesystem::canonical(result, ec);
        if (ec)
        {
            unresolved = true;
            result /= element;
        }
        else
            result = folder.parent_path();
    }
    return result;
}

int CanCreateFile(const std::filesystem::path& output)
{
    const auto target = WriteTargetOf(output);
    const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const TPathInfo info = PathInfo(folder);
    if (info.Kind == TPathKind::Missing)
        return info.Error;
    if (info.Kind != TPathKind::Folder)
        return ENOTDIR;
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return errno;
    return CanReplaceFile(target);
}

int CanReplaceFile(const std::filesystem::path& path)
{
    // A file without any write bit counts as read-only for every user, the
    // superuser included.
    const TPathInfo info = PathInfo(path);
    if (info.Kind == TPathKind::Missing)
        return info.Error == ENOENT ? 0 : info.Error;
    if (info.Kind == TPathKind::Folder)
        return EISDIR;
    if (!info.HasWriteBit || ::access(path.c_str(), W_OK) != 0)
        return EACCES;
    return 0;
}

std::string SystemErrorText(int err)
{
    return std::strerror(err);
}

TReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize, std::string& data, std::string& reason)
{
    data.clear();
    TFileHandle file;
    int err = file.OpenForReading(path);
    const TPathInfo info = err == 0 ? file.Info() : MissingInfo(err);
    if (info.Kind != TPathKind::RegularFile)
    {
        reason = info.Kind == TPathKind::Missing
                     ? SystemErrorText(info.Error)
                     : (info.Kind == TPathKind::Folder ? SystemErrorText(EISDIR) : kNotRegularFile);
        return TReadResult::Failed;
    }
    if (static_cast<uint64_t>(info.Size) > maxSize)
        return TReadResult::TooLarge;
    data.resize(static_cast<std::size_t>(info.Size));
    std::size_t got = 0;
    while (got < data.size())
    {
        const int64_t n = file.Read(data.data() + got, static_cast<int64_t>(data.size() - got), err);
        if (n < 0)
        {
            reason = SystemErrorText(err);
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
    const auto target = WriteTargetOf(path);
    if (const int err = CanReplaceFile(target); err != 0)
    {
        reason = SystemErrorText(err);
        return false;
    }
    const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::random_device random;
    std::filesystem::path temp;
    TFileHandle file;
    for (int attempt = 0; attempt < 16 && !file.IsOpen(); ++attempt)
    {
        std::string name = ".";
        name += target.filename().string();
        name += '.';
        name += std::to_string(random());
        name += ".tmp";
        temp = folder / name;
        file.Fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (!file.IsOpen() && errno != EEXIST)
            break;
    }
    if (!file.IsOpen())
    {
        reason = SystemErrorText(errno);
        return false;
    }
    const auto fail = [&](int err)
    {
        reason = SystemErrorText(err);
        ::unlink(temp.c_str());
        return false;
    };
    std::size_t done = 0;
    while (done < data.size())
    {
        const ssize_t n = ::write(file.Fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        done += static_cast<std::size_t>(n);
    }

    // Keep the mode, and where allowed the owner, of a file being replaced.
    struct stat st
    {
    };

    if (::stat(target.c_str(), &st) == 0)
    {
        ::fchmod(file.Fd, st.st_mode & 07777);
        if (::fchown(file.Fd, st.st_uid, st.st_gid) != 0)
        {
            // Only the superuser may give a file away; others keep their own.
        }
    }
    if (::fsync(file.Fd) != 0)
        return fail(errno);
    if (::close(std::exchange(file.Fd, -1)) != 0)
        return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
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

std::string FileMessage(std::string_view path, std::string_view done, std::string_view reason)
{
    std::string message = "Datei ";
    message += path;
    message += " kann nicht ";
    message += done;
    message += " werden. ";
    message += reason;
    return message;
}

std::string FolderMessage(std::string_view path, std::string_view reason)
{
    std::string message = "Ordner ";
    message += path;
    message += " kann nicht gelesen werden. ";
    message += reason;
    return message;
}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace brisolt
