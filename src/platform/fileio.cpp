#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace brisolt
{

namespace
{

TPathInfo OpenedInfo(const TFileHandle& file, int err)
{
    if (err == 0)
        return file.Info();
    TPathInfo info;
    info.Error = err;
    return info;
}

} // namespace

bool SameUnchangedFile(const TPathInfo& a, const TPathInfo& b)
{
    return a.Kind == TPathKind::RegularFile && b.Kind == TPathKind::RegularFile && a.Device == b.Device
           && a.Inode == b.Inode && a.Size == b.Size && a.Modified == b.Modified;
}

int NotRegularFileError(const TPathInfo& info)
{
    switch (info.Kind)
    {
    case TPathKind::Missing:
        return info.Error != 0 ? info.Error : ENOENT;
    case TPathKind::RegularFile:
        return 0;
    case TPathKind::Folder:
        return EISDIR;
    case TPathKind::Other:
        break;
    }
    return kErrNotRegularFile;
}

int ReplaceableKind(const TPathInfo& info)
{
    // Nothing there yet is replaced as well as a regular file.
    const int err = NotRegularFileError(info);
    return err == ENOENT ? 0 : err;
}

std::string TemporaryName(std::string_view name, uint32_t number, int nameMax)
{
    const std::string tail = "." + std::to_string(number) + ".tmp";
    const auto room = static_cast<std::size_t>(std::max(0, nameMax - 1 - static_cast<int>(tail.size())));
    std::size_t keep = std::min(name.size(), room);
    // Cut before a character's first byte, never inside it.
    while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return "." + std::string(name.substr(0, keep)) + tail;
}

int ReplaceFile(
    const std::filesystem::path& path,
    std::string_view data,
    const TPathInfo* unchanged,
    const std::atomic<bool>* abort)
{
    TFileReplacement replacement;
    const int err = replacement.Begin(path);
    return err != 0 ? err : replacement.Commit(data, unchanged, abort);
}

TError WriteFileAtomic(const std::filesystem::path& path, std::string_view data)
{
    if (const int err = ReplaceFile(path, data); err != 0)
        return TError::File(PathBytes(path), TFileAction::Create, err);
    return {};
}

TPathInfo TFileReplacement::TargetInfo() const
{
    return Dir.InfoAt(Name);
}

int TFileLock::Lock(const std::filesystem::path& path, const std::atomic<bool>* abort)
{
    // Short enough that a waiting edit starts soon after the other ends.
    constexpr auto kPoll = std::chrono::milliseconds(20);
    for (;;)
    {
        if (const int err = File.OpenForReading(path); err != 0)
            return err;
        const TPathInfo locked = File.Info();
        if (const int err = ReplaceableKind(locked); err != 0)
            return err;
        int err = File.TryLockExclusive();
        for (; err == EWOULDBLOCK; err = File.TryLockExclusive())
        {
            if (abort && abort->load())
                return ECANCELED;
            std::this_thread::sleep_for(kPoll);
        }
        if (err != 0 && err != kErrNoLocks)
            return err;
        // The edit that held the lock may have replaced the file: then the
        // lock is on a file that the path no longer names.
        const TPathInfo now = PathInfo(path);
        if (now.Kind == locked.Kind && now.Device == locked.Device && now.Inode == locked.Inode)
        {
            Locked = locked;
            // Without a lock the open handle holds nothing back, and on
            // Windows it would keep the file from being replaced.
            if (err == kErrNoLocks)
                File.Close();
            return 0;
        }
    }
}

// Only the allocation and its release differ between the systems (Free).
TReadBuffer::~TReadBuffer()
{
    Free();
}

TReadBuffer::TReadBuffer(TReadBuffer&& other) noexcept
    : Base(std::exchange(other.Base, nullptr))
    , Reserved(std::exchange(other.Reserved, 0))
    , Start(std::exchange(other.Start, nullptr))
    , Bytes(std::exchange(other.Bytes, 0))
{
}

TReadBuffer& TReadBuffer::operator=(TReadBuffer&& other) noexcept
{
    if (this != &other)
    {
        Free();
        Base = std::exchange(other.Base, nullptr);
        Reserved = std::exchange(other.Reserved, 0);
        Start = std::exchange(other.Start, nullptr);
        Bytes = std::exchange(other.Bytes, 0);
    }
    return *this;
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

TResult<std::string> ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize)
{
    const auto failure = [&](TFileAction action, int code)
    {
        return TError::File(PathBytes(path), action, code);
    };
    TFileHandle file;
    int err = file.OpenForReading(path);
    const TPathInfo info = OpenedInfo(file, err);
    if (const int code = NotRegularFileError(info); code != 0)
        return failure(TFileAction::Open, code);
    if (static_cast<uint64_t>(info.Size) > maxSize)
        return failure(TFileAction::Read, EFBIG);
    std::string data(static_cast<std::size_t>(info.Size), '\0');
    std::size_t got = 0;
    while (got < data.size())
    {
        const int64_t n = file.Read(data.data() + got, static_cast<int64_t>(data.size() - got), err);
        if (n < 0)
            return failure(TFileAction::Read, err);
        if (n == 0)
            break; // the file shrank meanwhile: keep what it holds now
        got += static_cast<std::size_t>(n);
    }
    data.resize(got);
    return data;
}

std::filesystem::path NativeRelativePath(std::string_view backslashPath, std::string_view name)
{
    std::filesystem::path result;
    std::size_t start = 0;
    for (std::size_t pos; (pos = backslashPath.find('\\', start)) != std::string_view::npos; start = pos + 1)
    {
        if (pos > start)
            result /= NativePath(backslashPath.substr(start, pos - start));
    }
    if (start < backslashPath.size())
        result /= NativePath(backslashPath.substr(start));
    result /= NativePath(name);
    return result;
}

} // namespace brisolt
