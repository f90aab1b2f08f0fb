// The Windows side of the file system layer: UTF-16 names, binary handles,
// files told apart by volume serial number and file index, and replacement
// by rename.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <random>
#include <utility>

#include <windows.h>

#include "platform/fileio.h"
#include "platform/textconv.h"
#include "platform/wintext.h"

namespace brisolt
{

namespace
{

// Others may read, write, rename and delete a file while we read it, as on Linux.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile take 32-bit counts.
constexpr int64_t kMaxTransfer = int64_t{1} << 30;

// The errno value closest to a system error code, so that messages read as on Linux.
int ErrnoOf(DWORD code)
{
    switch (code)
    {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        // Another program's handle without sharing, or its lock: the
        // program's own message, as for a lock on Linux.
        return kErrLockedByOther;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
        return EINVAL;
    default:
        return EIO;
    }
}

int LastErrno()
{
    return ErrnoOf(::GetLastError());
}

// The name handed to the system: paths of MAX_PATH characters or more get the
// "\\?\" form, which lifts that limit but takes only full paths.
std::wstring SystemName(const std::filesystem::path& path)
{
    const std::wstring& name = path.native();
    if (name.size() < MAX_PATH && path.is_absolute())
        return name;
    DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return name;
    std::wstring full(size, L'\0');
    size = ::GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size())
        return name;
    full.resize(size);
    if (full.size() < MAX_PATH || full.starts_with(LR"(\\?\)") || full.starts_with(LR"(\\.\)"))
        return full;
    if (full.starts_with(LR"(\\)"))
        return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

// A handle kept as a number, and back.
HANDLE AsHandle(intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
}

intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<intptr_t>(handle);
}

HANDLE Open(const std::filesystem::path& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    return ::CreateFileW(SystemName(path).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

TPathInfo MissingInfo(int err)
{
    TPathInfo info;
    info.Error = err;
    return info;
}

TPathInfo InfoOf(HANDLE handle)
{
    TPathInfo info;
    // Pipes, consoles and devices such as NUL.
    if (::GetFileType(handle) != FILE_TYPE_DISK)
    {
        info.Kind = TPathKind::Other;
        return info;
    }
    BY_HANDLE_FILE_INFORMATION data{};
    if (!::GetFileInformationByHandle(handle, &data))
        return MissingInfo(LastErrno());
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.Kind = folder ? TPathKind::Folder : TPathKind::RegularFile;
    info.Size = folder ? 0 : static_cast<int64_t>((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow);
    // The file index stands in for the inode number (st_ino is always 0 here).
    info.Device = data.dwVolumeSerialNumber;
    info.Inode = (uint64_t{data.nFileIndexHigh} << 32) | data.nFileIndexLow;
    // The read-only attribute means nothing on folders.
    info.HasWriteBit = folder || (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    info.Modified = static_cast<int64_t>(
        (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime);
    // A file deleted while open stays until its last handle closes, with
    // its link count unchanged: the pending delete tells.
    FILE_STANDARD_INFO standard{};
    info.Unlinked = data.nNumberOfLinks == 0
                    || (::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)
                        && standard.DeletePending);
    return info;
}

// The full form of path, "." and ".." applied to its text; empty when there is none.
std::wstring FullName(const std::filesystem::path& path)
{
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        const DWORD size = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (size == 0)
            return {};
        if (size < full.size())
        {
            full.resize(size);
            return full;
        }
        full.resize(size);
    }
    return {};
}

// The path the system opens for path, every link and junction on it
// resolved; empty when it cannot be opened.
std::filesystem::path FinalPath(const std::filesystem::path& path)
{
    HANDLE handle = Open(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    std::wstring name(MAX_PATH, L'\0');
    DWORD size = 0;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        size = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), VOLUME_NAME_DOS);
        if (size < name.size())
            break;
        name.resize(size); // the size asked for, its terminating null included
    }
    ::CloseHandle(handle);
    if (size == 0 || size >= name.size())
        return {};
    name.resize(size);
    // Back to the forms a user writes; SystemName adds the prefix where needed.
    if (name.starts_with(LR"(\\?\UNC\)"))
        return LR"(\\)" + name.substr(8);
    if (name.starts_with(LR"(\\?\)"))
        return name.substr(4);
    return name;
}

struct TFindCloser
{
    void operator()(HANDLE find) const { ::FindClose(find); }
};

} // namespace

TReadBuffer::TReadBuffer(std::size_t bytes)
{
    Base = ::VirtualAlloc(nullptr, bytes == 0 ? 1 : bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (Base == nullptr)
        throw std::bad_alloc();
    Reserved = bytes;
    Start = static_cast<char*>(Base);
    Bytes = bytes;
}

void TReadBuffer::Free()
{
    if (Base != nullptr)
        ::VirtualFree(Base, 0, MEM_RELEASE);
    Base = nullptr;
    Start = nullptr;
    Reserved = 0;
    Bytes = 0;
}

// Map refuses, so a mapping never holds a view.
TFileMapping::~TFileMapping() = default;

TFileMapping::TFileMapping(TFileMapping&& other) noexcept = default;

TFileMapping& TFileMapping::operator=(TFileMapping&& other) noexcept = default;

bool TFileMapping::Intact() const
{
    return true;
}

void TFileMapping::Unmap()
{
}

TPathInfo PathInfo(const std::filesystem::path& path)
{
    // Reading attributes alone is never refused for sharing.
    HANDLE handle = Open(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return MissingInfo(LastErrno());
    const TPathInfo info = InfoOf(handle);
    ::CloseHandle(handle);
    return info;
}

TFileHandle::~TFileHandle()
{
    Close();
}

TFileHandle::TFileHandle(TFileHandle&& other) noexcept
    : Native(std::exchange(other.Native, kNoHandle))
    , Folder(std::move(other.Folder))
    , Position(other.Position)
{
}

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept
{
    if (this != &other)
    {
        Close();
        Native = std::exchange(other.Native, kNoHandle);
        Folder = std::move(other.Folder);
        Position = other.Position;
    }
    return *this;
}

bool TFileHandle::IsOpen() const
{
    return Native != kNoHandle;
}

void TFileHandle::Close()
{
    if (Native != kNoHandle)
        ::CloseHandle(AsHandle(std::exchange(Native, kNoHandle)));
    Folder.clear();
    Position = 0;
}

int TFileHandle::OpenForReading(const std::filesystem::path& path, const TFileHandle* folder)
{
    Close();
    const bool inFolder = folder && folder->IsOpen() && path.is_relative();
    // Folders open too (callers check the kind), as on Linux.
    HANDLE handle = Open(
        inFolder ? folder->Folder / path : path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    Native = FromHandle(handle);
    return 0;
}

int TFileHandle::OpenFolder(const std::filesystem::path& path)
{
    Close();
    HANDLE handle = Open(path, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    Native = FromHandle(handle);
    if (Info().Kind != TPathKind::Folder)
    {
        Close();
        return ENOTDIR;
    }
    Folder = path;
    return 0;
}

TPathInfo TFileHandle::Info() const
{
    return InfoOf(AsHandle(Native));
}

TPathInfo TFileHandle::InfoAt(const std::string& name) const
{
    return PathInfo(Folder / NativePath(name));
}

// Windows keeps no list of locks: each file is asked.
bool ExclusivelyLockedInodes(std::vector<uint64_t>& inodes)
{
    inodes.clear();
    return false;
}

bool TFileHandle::LockShared()
{
    // A program that opened the file without sharing was refused at opening
    // already. Locks on ranges are binding on Windows, so the shared lock is
    // only a probe for another program's exclusive one, and is given back.
    OVERLAPPED at{};
    if (::LockFileEx(AsHandle(Native), LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at))
    {
        ::UnlockFileEx(AsHandle(Native), 0, MAXDWORD, MAXDWORD, &at);
        return true;
    }
    return ::GetLastError() != ERROR_LOCK_VIOLATION;
}

int TFileHandle::TryLockExclusive()
{
    // No lock here: a handle held open would keep the file from being
    // replaced. The check that the file is unchanged still refuses a lost edit.
    return kErrNoLocks;
}

void TFileHandle::AdviseSequential()
{
    // The cache manager sees sequential reading by itself.
}

int64_t TFileHandle::Read(char* target, int64_t want, int& err)
{
    const int64_t n = ReadAt(target, want, Position, err);
    if (n > 0)
        Position += n;
    return n;
}

int64_t TFileHandle::ReadAt(char* target, int64_t want, int64_t offset, int& err) const
{
    // A read at an offset, so that the handle's own position never matters.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD got = 0;
    const auto ask = static_cast<DWORD>(std::min(want, kMaxTransfer));
    if (::ReadFile(AsHandle(Native), target, ask, &got, &at))
        return got;
    const DWORD code = ::GetLastError();
    if (code == ERROR_HANDLE_EOF)
        return 0;
    err = ErrnoOf(code);
    return -1;
}

int64_t TFileHandle::ReadCachedAt(char* target, int64_t want, int64_t offset, int& err) const
{
    // Windows cannot read from its cache alone without waiting.
    (void)target;
    (void)want;
    (void)offset;
    err = ENOTSUP;
    return -1;
}

int TFileHandle::Map(int64_t offset, int64_t length, TFileMapping& mapping) const
{
    // Files are read, not mapped, on Windows: a view there would keep other
    // programs from shortening the file while it is hashed.
    (void)offset;
    (void)length;
    (void)mapping;
    return ENOTSUP;
}

int TFileHandle::List(std::vector<std::string>& names) const
{
    return ListFolder(Folder, names);
}

int ListFolder(const std::filesystem::path& folder, std::vector<std::string>& names)
{
    names.clear();
    const TPathInfo info = PathInfo(folder);
    if (info.Kind == TPathKind::Missing)
        return info.Error;
    if (info.Kind != TPathKind::Folder)
        return ENOTDIR;
    WIN32_FIND_DATAW data{};
    std::unique_ptr<void, TFindCloser> find(::FindFirstFileExW(
        SystemName(folder / L"*").c_str(),
        FindExInfoBasic,
        &data,
        FindExSearchNameMatch,
        nullptr,
        FIND_FIRST_EX_LARGE_FETCH));
    if (find.get() == INVALID_HANDLE_VALUE)
    {
        find.release();
        const DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? 0 : ErrnoOf(code);
    }
    do
    {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(Utf16ToUtf8(name));
    } while (::FindNextFileW(find.get(), &data));
    const DWORD code = ::GetLastError();
    return code == ERROR_NO_MORE_FILES ? 0 : ErrnoOf(code);
}

std::filesystem::path WriteTargetOf(const std::filesystem::path& path)
{
    auto target = FinalPath(path);
    if (target.empty())
    {
        if (!path.has_filename())
            return path;
        const auto folder = FinalPath(path.has_parent_path() ? path.parent_path() : std::filesystem::path(L"."));
        if (folder.empty())
            return path;
        target = folder / path.filename();
    }
    // The same path in other letters names the same file.
    const std::wstring full = FullName(path);
    const bool same = !full.empty()
                      && ::CompareStringOrdinal(
                             full.c_str(),
                             static_cast<int>(full.size()),
                             target.c_str(),
                             static_cast<int>(target.native().size()),
                             TRUE)
                             == CSTR_EQUAL;
    return same ? path : target;
}

int CanReplaceFile(const std::filesystem::path& path)
{
    const TPathInfo info = PathInfo(path);
    if (info.Kind != TPathKind::RegularFile)
        return ReplaceableKind(info);
    if (!info.HasWriteBit)
        return EACCES;
    // Whether the user may write it; a program holding it open is no refusal yet.
    HANDLE handle = Open(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : 0;
    ::CloseHandle(handle);
    return 0;
}

std::string PlatformErrorText(int err)
{
    // The C runtime's texts differ from Linux's, and it has none for some values.
    static constexpr struct
    {
        int Code;
        const char* Text;
    } kTexts[] = {
        {ENOENT, "No such file or directory"},
        {EIO, "Input/output error"},
        {EBADF, "Bad file descriptor"},
        {ENOMEM, "Cannot allocate memory"},
        {EACCES, "Permission denied"},
        {EEXIST, "File exists"},
        {EXDEV, "Invalid cross-device link"},
        {ENOTDIR, "Not a directory"},
        {EISDIR, "Is a directory"},
        {EINVAL, "Invalid argument"},
        {EFBIG, "File too large"},
        {ENOSPC, "No space left on device"},
        {ENAMETOOLONG, "File name too long"},
        {ELOOP, "Too many levels of symbolic links"},
        {EWOULDBLOCK, "Resource temporarily unavailable"},
    };

    for (const auto& entry : kTexts)
    {
        if (entry.Code == err)
            return entry.Text;
    }
    return std::strerror(err);
}

TFileReplacement::~TFileReplacement()
{
    RemoveTemporary();
}

void TFileReplacement::RemoveTemporary()
{
    Temp.Close();
    if (!TempName.empty())
        ::DeleteFileW(SystemName(Dir.Folder / NativePath(TempName)).c_str());
    TempName.clear();
}

int TFileReplacement::CreateNamedTemporary()
{
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt)
    {
        std::string name = TemporaryName(Name, random(), NameMax);
        HANDLE handle = Open(Dir.Folder / NativePath(name), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (handle != INVALID_HANDLE_VALUE)
        {
            Temp.Native = FromHandle(handle);
            TempName = std::move(name);
            return 0;
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS)
            return ErrnoOf(code);
    }
    return EEXIST;
}

int TFileReplacement::Begin(const std::filesystem::path& path)
{
    RemoveTemporary();
    const auto target = WriteTargetOf(path);
    Name = PathBytes(target.filename());
    if (Name.empty() || Name == "." || Name == "..")
        return EISDIR;
    const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(L".");
    Dir.Close();
    // Opened without delete sharing, the folder cannot be renamed or removed
    // until the write is done.
    HANDLE handle = Open(
        folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    Dir.Native = FromHandle(handle);
    if (Dir.Info().Kind != TPathKind::Folder)
    {
        Dir.Close();
        return ENOTDIR;
    }
    Dir.Folder = folder;
    if (const int err = CanReplaceFile(Dir.Folder / NativePath(Name)); err != 0)
        return err;
    // Names count UTF-16 units there; 255 of them always fit.
    NameMax = 255;
    if (NativePath(Name).native().size() > 255)
        return ENAMETOOLONG;
    return CreateNamedTemporary();
}

int TFileReplacement::Commit(std::string_view data, const TPathInfo* unchanged, const std::atomic<bool>* abort)
{
    if (!Temp.IsOpen())
        return EBADF;
    const auto fail = [this](int err)
    {
        RemoveTemporary();
        return err;
    };
    std::size_t done = 0;
    while (done < data.size())
    {
        if (abort && abort->load())
            return fail(ECANCELED);
        const auto ask = static_cast<DWORD>(std::min(static_cast<int64_t>(data.size() - done), kMaxTransfer));
        DWORD written = 0;
        if (!::WriteFile(AsHandle(Temp.Native), data.data() + done, ask, &written, nullptr))
            return fail(LastErrno());
        done += written;
    }
    if (!::FlushFileBuffers(AsHandle(Temp.Native)))
        return fail(LastErrno());
    if (!::CloseHandle(AsHandle(std::exchange(Temp.Native, TFileHandle::kNoHandle))))
        return fail(LastErrno());
    const TPathInfo now = TargetInfo();
    if (const int err = ReplaceableKind(now); err != 0)
        return fail(err);
    if (unchanged && !SameUnchangedFile(*unchanged, now))
        return fail(kErrChangedMeanwhile);
    if (abort && abort->load())
        return fail(ECANCELED);
    if (!::MoveFileExW(
            SystemName(Dir.Folder / NativePath(TempName)).c_str(),
            SystemName(Dir.Folder / NativePath(Name)).c_str(),
            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail(LastErrno());
    TempName.clear();
    return 0;
}

std::filesystem::path NativePath(std::string_view bytes)
{
    return std::filesystem::path(Utf8ToUtf16(DisplayText(bytes)));
}

std::string PathBytes(const std::filesystem::path& path)
{
    return Utf16ToUtf8(path.native());
}

bool StandardErrorIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

} // namespace brisolt
