#include "create/collect.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

#include "platform/fileio.h"

namespace brisolt
{

namespace
{

using TFolderId = std::pair<uint64_t, uint64_t>;

[[noreturn]] void ThrowFile(const std::filesystem::path& path, const std::string& reason)
{
    throw ECreateError(FileMessage(path.string(), "geöffnet", reason));
}

[[noreturn]] void ThrowFolder(const std::filesystem::path& path, const std::string& reason)
{
    throw ECreateError(FolderMessage(path.string(), reason));
}

// The size of the file name (relative to folder when it is open); path is
// what messages name. Only regular files: opening a FIFO or a device could
// block or act.
int64_t
FileSizeAt(const TFileHandle* folder, const std::string& name, const std::filesystem::path& path, TPathInfo info)
{
    if (info.Kind == TPathKind::Missing)
        ThrowFile(path, SystemErrorText(info.Error));
    if (info.Kind == TPathKind::Folder)
        ThrowFile(path, SystemErrorText(EISDIR));
    if (info.Kind != TPathKind::RegularFile)
        ThrowFile(path, kNotRegularFile);
    TFileHandle file;
    if (const int err = file.OpenForReading(name, folder); err != 0)
        ThrowFile(path, SystemErrorText(err));
    // The closest thing to an open without sharing: refuse a file that another
    // program holds locked.
    if (!file.LockShared())
        ThrowFile(path, SystemErrorText(EWOULDBLOCK));
    info = file.Info();
    if (info.Kind == TPathKind::Missing)
        ThrowFile(path, SystemErrorText(info.Error));
    return info.Size;
}

// The names of a folder in listing order.
std::vector<std::string> ReadFolder(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    if (const int err = ListFolder(folder, names); err != 0)
        ThrowFolder(folder, SystemErrorText(err));
    return names;
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
    TFileHandle folderHandle;
    if (const int err = folderHandle.OpenFolder(folder); err != 0)
        ThrowFolder(folder, SystemErrorText(err));
    for (const auto& name : names)
    {
        const auto path = folder / name;
        const TPathInfo info = folderHandle.InfoAt(name);
        if (recursive && info.Kind == TPathKind::Folder)
        {
            const TFolderId id{info.Device, info.Inode};
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
        TTorrentSubFile entry(name, relative, FileSizeAt(&folderHandle, name, path, info), 0);
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

std::vector<std::string> SortNames(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
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
    return FileSizeAt(nullptr, path.string(), path, PathInfo(path));
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
    // A folder that cannot be followed fails at its listing.
    if (const TPathInfo info = PathInfo(folder); info.Kind != TPathKind::Missing)
        ancestors.insert({info.Device, info.Inode});
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
        if (name.front() != '.' && PathInfo(folder / name).Kind == TPathKind::RegularFile)
            files.push_back(std::move(name));
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    return files;
}

} // namespace brisolt
