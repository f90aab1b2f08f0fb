#include "create/collect.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileio.h"

namespace brisolt
{

namespace
{

using TFolderId = std::pair<dev_t, ino_t>;

[[noreturn]] void ThrowFile(const std::filesystem::path& path, const std::string& reason)
{
    throw ECreateError("Datei " + path.string() + " kann nicht geöffnet werden. " + reason);
}

[[noreturn]] void ThrowFolder(const std::filesystem::path& path, const std::string& reason)
{
    throw ECreateError("Ordner " + path.string() + " kann nicht gelesen werden. " + reason);
}

// The size of the file name (relative to folder fd dirFd); path is what
// messages name. Only regular files: opening a FIFO or a device could block or
// act.
int64_t FileSizeAt(int dirFd, const char* name, const std::filesystem::path& path, const struct stat* known = nullptr)
{
    struct stat st
    {
    };

    if (known)
        st = *known;
    else if (::fstatat(dirFd, name, &st, 0) != 0)
        ThrowFile(path, SystemErrorText(errno));
    if (S_ISDIR(st.st_mode))
        ThrowFile(path, SystemErrorText(EISDIR));
    if (!S_ISREG(st.st_mode))
        ThrowFile(path, "Keine reguläre Datei.");
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        ThrowFile(path, SystemErrorText(errno));
    // The closest thing to an open without sharing: refuse a file that another
    // program holds locked. File systems without locks do not refuse.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
    {
        ::close(fd);
        ThrowFile(path, SystemErrorText(EWOULDBLOCK));
    }
    const int err = ::fstat(fd, &st) != 0 ? errno : 0;
    ::close(fd);
    if (err != 0)
        ThrowFile(path, SystemErrorText(err));
    return st.st_size;
}

// Closes a folder's descriptor when it goes out of scope.
struct TFolderFd
{
    explicit TFolderFd(int fd)
        : Fd(fd)
    {
    }

    ~TFolderFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }

    TFolderFd(const TFolderFd&) = delete;
    TFolderFd& operator=(const TFolderFd&) = delete;

    int Fd;
};

struct TDirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names of a folder in listing order.
std::vector<std::string> ReadFolder(const std::filesystem::path& folder)
{
    std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        ThrowFolder(folder, SystemErrorText(errno));
    std::vector<std::string> names;
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
    if (errno != 0)
        ThrowFolder(folder, SystemErrorText(errno));
    return names;
}

// stat following links; false when the path cannot be followed (a dangling
// link or a link loop), which the callers then treat as a file.
bool StatFollowing(const std::filesystem::path& path, struct stat& st)
{
    return ::stat(path.c_str(), &st) == 0;
}

void CollectInto(
    std::vector<TTorrentSubFile>& list,
    int64_t& total,
    const std::filesystem::path& folder,
    const std::string& relative,
    bool recursive,
    bool skipThumbs,
    std::set<TFolderId>& ancestors)
{
    std::vector<std::string> names = ReadFolder(folder);
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    // Lookups relative to the folder: thousands of small files cost a path
    // walk each otherwise.
    const TFolderFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.Fd < 0)
        ThrowFolder(folder, SystemErrorText(errno));
    const int dirFd = folderFd.Fd;
    for (const auto& name : names)
    {
        const auto path = folder / name;

        struct stat st
        {
        };

        const bool known = ::fstatat(dirFd, name.c_str(), &st, 0) == 0;
        if (recursive && known && S_ISDIR(st.st_mode))
        {
            const TFolderId id{st.st_dev, st.st_ino};
            if (ancestors.contains(id))
                ThrowFolder(path, SystemErrorText(ELOOP));
            // The writer splits relative folders at backslashes.
            if (name.find('\\') != std::string::npos)
                ThrowFolder(path, "Der Ordnername enthält einen umgekehrten Schrägstrich (\\).");
            ancestors.insert(id);
            CollectInto(
                list, total, path, relative.empty() ? name : relative + "\\" + name, true, skipThumbs, ancestors);
            ancestors.erase(id);
            continue;
        }
        if (skipThumbs && IsThumbsDb(name))
            continue;
        TTorrentSubFile entry(name, relative, FileSizeAt(dirFd, name.c_str(), path, known ? &st : nullptr), 0);
        entry.FullPath = path.string();
        total += entry.Length;
        list.push_back(std::move(entry));
    }
}

} // namespace

int CompareNames(std::string_view a, std::string_view b)
{
    const int c = a.compare(b); // char_traits<char>::compare orders as unsigned char
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool IsThumbsDb(std::string_view name)
{
    constexpr std::string_view kThumbs = "thumbs.db";
    if (name.size() != kThumbs.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
    {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kThumbs[i])
            return false;
    }
    return true;
}

int64_t FileSizeOf(const std::filesystem::path& path)
{
    return FileSizeAt(AT_FDCWD, path.c_str(), path);
}

void CollectFolder(
    std::vector<TTorrentSubFile>& list,
    int64_t& total,
    const std::filesystem::path& folder,
    const std::string& relative,
    bool recursive,
    bool skipThumbs)
{
    std::set<TFolderId> ancestors;

    struct stat st
    {
    };

    if (StatFollowing(folder, st))
        ancestors.insert({st.st_dev, st.st_ino});
    CollectInto(list, total, folder, relative, recursive, skipThumbs, ancestors);
}

std::vector<std::string> ListFolderEntries(const std::filesystem::path& folder)
{
    return ReadFolder(folder);
}

std::vector<std::string> ListFolderFiles(const std::filesystem::path& folder)
{
    std::vector<std::string> files;
    for (auto& name : ReadFolder(folder))
    {
        struct stat st
        {
        };

        if (name.front() != '.' && StatFollowing(folder / name, st) && S_ISREG(st.st_mode))
            files.push_back(std::move(name));
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    return files;
}

} // namespace brisolt
