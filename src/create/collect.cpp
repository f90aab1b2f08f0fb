#include "create/collect.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <set>
#include <utility>

#include "platform/fileio.h"

namespace brisolt
{

namespace
{

using TFolderId = TFolderIds::value_type;

TError FileError(const std::filesystem::path& path, int code)
{
    return TError::File(PathBytes(path), TFileAction::Open, code);
}

TError FolderError(const std::filesystem::path& path, int code)
{
    return TError::Folder(PathBytes(path), code);
}

// The size of a file from a look at its path; path is what messages name.
// Only regular files: opening a FIFO or a device could block or act.
TResult<int64_t> ListedSize(const std::filesystem::path& path, const TPathInfo& info)
{
    if (const int code = NotRegularFileError(info); code != 0)
        return FileError(path, code);
    return info.Size;
}

// The names of a folder in listing order.
TResult<std::vector<std::string>> ReadFolder(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    if (const int err = ListFolder(folder, names); err != 0)
        return FolderError(folder, err);
    return names;
}

TError CollectInto(
    std::vector<TTorrentSubFile>& list,
    int64_t& total,
    const std::filesystem::path& folder,
    const std::string& relative,
    bool recursive,
    bool skipThumbs,
    std::set<TFolderId>& ancestors,
    TFolderIds* folders)
{
    // Listed and looked into through one open folder: thousands of small
    // files cost a path walk each otherwise.
    TFileHandle folderHandle;
    if (const int err = folderHandle.OpenFolder(folder); err != 0)
        return FolderError(folder, err);
    std::vector<std::string> names;
    if (const int err = folderHandle.List(names); err != 0)
        return FolderError(folder, err);
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    for (const auto& name : names)
    {
        const auto path = folder / NativePath(name);
        const TPathInfo info = folderHandle.InfoAt(name);
        if (recursive && info.Kind == TPathKind::Folder)
        {
            const TFolderId id{info.Device, info.Inode};
            if (ancestors.contains(id))
                return FolderError(path, ELOOP);
            // The writer splits relative folders at backslashes.
            if (name.find('\\') != std::string::npos)
                return FolderError(path, kErrBackslashInName);
            ancestors.insert(id);
            if (folders)
                folders->insert(id);
            TError failed = CollectInto(
                list,
                total,
                path,
                relative.empty() ? name : relative + "\\" + name,
                true,
                skipThumbs,
                ancestors,
                folders);
            if (failed)
                return failed;
            ancestors.erase(id);
            continue;
        }
        if (skipThumbs && IsThumbsDb(name))
            continue;
        // The listing's look at the entry gives its size; opening it (and the
        // lock check) waits for the hashing, which opens every file anyway.
        const TResult<int64_t> size = ListedSize(path, info);
        if (!size)
            return size.Error();
        TTorrentSubFile entry(name, relative, *size, 0);
        entry.FullPath = PathBytes(path);
        entry.ListedDevice = info.Device;
        entry.ListedInode = info.Inode;
        entry.ListedModified = info.Modified;
        total += entry.Length;
        list.push_back(std::move(entry));
    }
    return {};
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

namespace
{

// The set at pattern[at] ("[" already passed) against c; end is one past "]",
// or npos when the set is not closed (then "[" is an ordinary character).
bool MatchesSet(std::string_view pattern, std::size_t at, char c, std::size_t& end)
{
    const bool negated = at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^');
    std::size_t i = negated ? at + 1 : at;
    bool found = false;
    for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); first = false)
    {
        const auto lo = static_cast<unsigned char>(pattern[i]);
        auto hi = lo;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']')
        {
            hi = static_cast<unsigned char>(pattern[i + 2]);
            i += 2;
        }
        const auto u = static_cast<unsigned char>(c);
        found = found || (u >= lo && u <= hi);
        ++i;
    }
    end = i < pattern.size() ? i + 1 : std::string_view::npos;
    return found != negated;
}

} // namespace

bool MatchesPattern(std::string_view pattern, std::string_view text)
{
    // Greedy with one backtrack point: the last star and where it resumes, so
    // the work stays within pattern length times text length.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (t < text.size())
    {
        if (p < pattern.size() && pattern[p] == '*')
        {
            star = p++;
            resume = t;
            continue;
        }
        if (p < pattern.size())
        {
            std::size_t next = p + 1;
            bool matched = pattern[p] == '?';
            if (pattern[p] == '[')
            {
                std::size_t end = 0;
                matched = MatchesSet(pattern, p + 1, text[t], end);
                if (end == std::string_view::npos)
                    matched = text[t] == '[';
                else
                    next = end;
            }
            else if (pattern[p] != '?')
                matched = pattern[p] == text[t];
            if (matched)
            {
                p = next;
                ++t;
                continue;
            }
        }
        if (star == std::string_view::npos)
            return false;
        p = star + 1;
        t = ++resume;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace
{

std::string FoldedAscii(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// One element of a glob, from the text positions where the pattern so far
// can end (reach) to those where the element can end; returns the pattern
// position after it.
std::size_t GlobStep(std::string_view pattern, std::size_t p, std::string_view text, std::vector<char>& reach)
{
    const std::size_t n = text.size();
    std::vector<char> next(n + 1, 0);
    std::size_t after = p + 1;
    if (pattern.substr(p, 3) == "**/")
    {
        // Zero or more whole folders.
        after = p + 3;
        bool before = false;
        for (std::size_t t = 0; t <= n; ++t)
        {
            next[t] = reach[t] || (before && text[t - 1] == '/');
            before = before || reach[t];
        }
    }
    else if (pattern[p] == '*')
    {
        const bool crosses = pattern.substr(p, 2) == "**";
        after = crosses ? p + 2 : p + 1;
        for (std::size_t t = 0; t <= n; ++t)
            next[t] = reach[t] || (t > 0 && next[t - 1] && (crosses || text[t - 1] != '/'));
    }
    else
    {
        std::size_t setEnd = std::string_view::npos;
        for (std::size_t t = 0; t < n; ++t)
        {
            if (!reach[t])
                continue;
            bool matched = false;
            if (pattern[p] == '?')
                matched = text[t] != '/';
            else if (pattern[p] == '[')
            {
                matched = MatchesSet(pattern, p + 1, text[t], setEnd) && text[t] != '/';
                if (setEnd == std::string_view::npos)
                    matched = text[t] == '[';
            }
            else
                matched = pattern[p] == text[t];
            next[t + 1] = matched;
        }
        if (pattern[p] == '[')
        {
            (void)MatchesSet(pattern, p + 1, '\0', setEnd);
            if (setEnd != std::string_view::npos)
                after = setEnd;
        }
    }
    reach.swap(next);
    return after;
}

} // namespace

bool MatchesGlob(std::string_view pattern, std::string_view text, bool ignoreCase)
{
    const std::string foldedPattern = ignoreCase ? FoldedAscii(pattern) : std::string(pattern);
    const std::string foldedText = ignoreCase ? FoldedAscii(text) : std::string(text);
    // Which text positions the pattern read so far can end at: work stays
    // within pattern length times text length, whatever the stars.
    std::vector<char> reach(foldedText.size() + 1, 0);
    reach[0] = 1;
    for (std::size_t p = 0; p < foldedPattern.size();)
        p = GlobStep(foldedPattern, p, foldedText, reach);
    return reach[foldedText.size()] != 0;
}

std::string SlashPath(const TTorrentSubFile& file)
{
    // Collected folders come without a trailing backslash, edited ones with one.
    std::string path = file.Path;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path += file.Name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool IsExcluded(const TTorrentSubFile& file, const std::vector<std::string>& patterns)
{
    const std::string path = SlashPath(file);
    return std::any_of(
        patterns.begin(),
        patterns.end(),
        [&](const std::string& pattern)
        { return MatchesPattern(pattern, file.Name) || MatchesPattern(pattern, path); });
}

namespace
{

// Files that systems leave beside content, which trackers reject: Finder's
// and Explorer's folder files, a download's zone mark, a NAS's thumbnails.
bool IsJunkElement(std::string_view element)
{
    static constexpr std::array<std::string_view, 5> kNames{
        ".ds_store", "desktop.ini", "thumbs.db", "@eadir", ".appledouble"};
    const std::string folded = FoldedAscii(element);
    constexpr std::string_view kZone = ":zone.identifier";
    return std::find(kNames.begin(), kNames.end(), folded) != kNames.end() || folded.ends_with(kZone);
}

bool AnyElement(std::string_view path, bool (*test)(std::string_view))
{
    std::size_t start = 0;
    for (std::size_t end; (end = path.find('/', start)) != std::string_view::npos; start = end + 1)
    {
        if (test(path.substr(start, end - start)))
            return true;
    }
    return test(path.substr(start));
}

bool AnyGlob(
    const std::vector<std::string>& patterns, const TTorrentSubFile& file, const std::string& path, bool ignoreCase)
{
    return std::any_of(
        patterns.begin(),
        patterns.end(),
        [&](const std::string& pattern)
        { return MatchesGlob(pattern, file.Name, ignoreCase) || MatchesGlob(pattern, path, ignoreCase); });
}

} // namespace

TLeftOut LeftOutBy(const TTorrentSubFile& file, const TFileFilter& filter)
{
    const std::string path = SlashPath(file);
    if (filter.Junk && AnyElement(path, IsJunkElement))
        return TLeftOut::Junk;
    if (filter.Hidden && AnyElement(path, [](std::string_view e) { return e.starts_with('.'); }))
        return TLeftOut::Hidden;
    if (IsExcluded(file, filter.Excludes) || AnyGlob(filter.CaselessExcludes, file, path, true))
        return TLeftOut::Excluded;
    if (!filter.Includes.empty() && !AnyGlob(filter.Includes, file, path, false))
        return TLeftOut::NotIncluded;
    return TLeftOut::None;
}

std::string_view LeftOutName(TLeftOut reason)
{
    switch (reason)
    {
    case TLeftOut::None:
        break;
    case TLeftOut::Junk:
        return "junk";
    case TLeftOut::Hidden:
        return "hidden";
    case TLeftOut::Excluded:
        return "excluded";
    case TLeftOut::NotIncluded:
        return "not included";
    }
    return {};
}

TResult<int64_t> FileSizeOf(const std::filesystem::path& path)
{
    if (const TResult<int64_t> listed = ListedSize(path, PathInfo(path)); !listed)
        return listed;
    TFileHandle file;
    if (const int err = file.OpenForReading(path); err != 0)
        return FileError(path, err);
    // The closest thing to an open without sharing: refuse a file that another
    // program holds locked.
    if (!file.LockShared())
        return FileError(path, kErrLockedByOther);
    const TPathInfo info = file.Info();
    if (info.Kind == TPathKind::Missing)
        return FileError(path, info.Error);
    return info.Size;
}

TError CollectFolder(
    std::vector<TTorrentSubFile>& list,
    int64_t& total,
    const std::filesystem::path& folder,
    const std::string& relative,
    bool recursive,
    bool skipThumbs,
    TFolderIds* folders)
{
    std::set<TFolderId> ancestors;
    // A folder that cannot be followed fails at its listing.
    if (const TPathInfo info = PathInfo(folder); info.Kind != TPathKind::Missing)
    {
        ancestors.insert({info.Device, info.Inode});
        if (folders)
            folders->insert({info.Device, info.Inode});
    }
    return CollectInto(list, total, folder, relative, recursive, skipThumbs, ancestors, folders);
}

TResult<std::vector<std::string>> ListFolderEntries(const std::filesystem::path& folder)
{
    return ReadFolder(folder);
}

TResult<std::vector<std::string>> ListFolderFiles(const std::filesystem::path& folder)
{
    TResult<std::vector<std::string>> names = ReadFolder(folder);
    if (!names)
        return names;
    std::vector<std::string> files;
    for (auto& name : *names)
    {
        if (name.front() != '.' && PathInfo(folder / NativePath(name)).Kind == TPathKind::RegularFile)
            files.push_back(std::move(name));
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return CompareNames(a, b) < 0; });
    return files;
}

} // namespace brisolt
