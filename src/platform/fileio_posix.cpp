#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "platform/direntries_posix.h"
#include "platform/fileio.h"

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
    info.Modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    info.Unlinked = st.st_nlink == 0;
    return info;
}

TPathInfo MissingInfo(int err)
{
    TPathInfo info;
    info.Error = err;
    return info;
}

// A file view that the calling thread reads. A page past the file's end (the
// file was cut short while mapped) raises SIGBUS; the handler looks up the
// faulting address here. Plain data without constructors, so that the handler
// may touch it.
struct TGuardedRange
{
    uintptr_t Begin;
    uintptr_t End;
    volatile sig_atomic_t Faulted;
    volatile sig_atomic_t InUse;
};

constexpr int kMaxGuardedRanges = 64;
thread_local TGuardedRange tGuarded[kMaxGuardedRanges];
struct sigaction gPreviousBusAction;
uintptr_t gPageSize = 4096;
bool gBusGuardInstalled = false;

// Maps zeros over the rest of the view, from the page the file no longer has
// on, and lets the read go on; the view's owner sees Intact() false. Faults
// elsewhere go where they went before.
void OnBusError(int sig, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (auto& range : tGuarded)
    {
        if (range.InUse == 0 || address < range.Begin || address >= range.End)
            continue;
        const uintptr_t page = address & ~(gPageSize - 1);
        void* zeros = ::mmap(
            reinterpret_cast<void*>(page), range.End - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED)
        {
            range.Faulted = 1;
            errno = savedErrno;
            return;
        }
        break;
    }
    const struct sigaction& previous = gPreviousBusAction;
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr)
        previous.sa_sigaction(sig, info, context);
    else if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN)
        previous.sa_handler(sig);
    else
    {
        // Delivered once this handler returns: the process ends as it would have.
        ::sigaction(SIGBUS, &previous, nullptr);
        ::raise(SIGBUS);
    }
    errno = savedErrno;
}

bool InstallBusGuard()
{
    static std::once_flag once;
    std::call_once(
        once,
        []
        {
            gPageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
            struct sigaction action
            {
            };
            action.sa_sigaction = OnBusError;
            action.sa_flags = SA_SIGINFO;
            sigemptyset(&action.sa_mask);
            gBusGuardInstalled = ::sigaction(SIGBUS, &action, &gPreviousBusAction) == 0;
        });
    return gBusGuardInstalled;
}

} // namespace

std::filesystem::path WriteTargetOf(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec))
        return path;
    auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target;
}

TFileMapping::~TFileMapping()
{
    Unmap();
}

TFileMapping::TFileMapping(TFileMapping&& other) noexcept
    : Base(std::exchange(other.Base, nullptr))
    , BaseSize(std::exchange(other.BaseSize, 0))
    , View(std::exchange(other.View, nullptr))
    , ViewSize(std::exchange(other.ViewSize, 0))
    , Guard(std::exchange(other.Guard, -1))
{
}

TFileMapping& TFileMapping::operator=(TFileMapping&& other) noexcept
{
    if (this != &other)
    {
        Unmap();
        Base = std::exchange(other.Base, nullptr);
        BaseSize = std::exchange(other.BaseSize, 0);
        View = std::exchange(other.View, nullptr);
        ViewSize = std::exchange(other.ViewSize, 0);
        Guard = std::exchange(other.Guard, -1);
    }
    return *this;
}

bool TFileMapping::Intact() const
{
    return Guard < 0 || tGuarded[Guard].Faulted == 0;
}

void TFileMapping::Unmap()
{
    if (Base == nullptr)
        return;
    tGuarded[Guard].InUse = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    ::munmap(Base, BaseSize);
    Base = nullptr;
    BaseSize = 0;
    View = nullptr;
    ViewSize = 0;
    Guard = -1;
}

TReadBuffer::TReadBuffer(std::size_t bytes)
{
    // Aligned to a huge page, so that the system may back it with them.
    constexpr std::size_t kHuge = 2u << 20;
    const std::size_t size = (bytes + kHuge - 1) & ~(kHuge - 1);
    void* base = ::mmap(nullptr, size + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        throw std::bad_alloc();
    Base = base;
    Reserved = size + kHuge;
    const auto aligned = (reinterpret_cast<uintptr_t>(base) + kHuge - 1) & ~(uintptr_t{kHuge} - 1);
    Start = reinterpret_cast<char*>(aligned);
    Bytes = bytes;
    ::madvise(Start, size, MADV_HUGEPAGE);
}

void TReadBuffer::Free()
{
    if (Base != nullptr)
        ::munmap(Base, Reserved);
    Base = nullptr;
    Start = nullptr;
    Reserved = 0;
    Bytes = 0;
}

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
    : Native(std::exchange(other.Native, kNoHandle))
{
}

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept
{
    if (this != &other)
    {
        Close();
        Native = std::exchange(other.Native, kNoHandle);
    }
    return *this;
}

bool TFileHandle::IsOpen() const
{
    return Descriptor() >= 0;
}

void TFileHandle::Close()
{
    if (Descriptor() >= 0)
        ::close(static_cast<int>(std::exchange(Native, kNoHandle)));
}

int TFileHandle::OpenForReading(const std::filesystem::path& path, const TFileHandle* folder)
{
    Close();
    const int at = folder && folder->IsOpen() ? folder->Descriptor() : AT_FDCWD;
    Native = ::openat(at, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    return Descriptor() < 0 ? errno : 0;
}

int TFileHandle::OpenFolder(const std::filesystem::path& path)
{
    Close();
    Native = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return Descriptor() < 0 ? errno : 0;
}

TPathInfo TFileHandle::Info() const
{
    struct stat st
    {
    };

    return ::fstat(Descriptor(), &st) == 0 ? InfoOf(st) : MissingInfo(errno);
}

TPathInfo TFileHandle::InfoAt(const std::string& name) const
{
    struct stat st
    {
    };

    return ::fstatat(Descriptor(), name.c_str(), &st, 0) == 0 ? InfoOf(st) : MissingInfo(errno);
}

bool TFileHandle::LockShared()
{
    if (::flock(Descriptor(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return false;

    // Record locks live apart from flock's: ask whether one for writing
    // covers any byte. An open file description's query sees every process's
    // locks, this one's included.
    struct flock probe
    {
    };

    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(Descriptor(), F_OFD_GETLK, &probe) != 0)
    {
        probe = {};
        probe.l_type = F_RDLCK;
        probe.l_whence = SEEK_SET;
        if (::fcntl(Descriptor(), F_GETLK, &probe) != 0)
            return true;
    }
    return probe.l_type == F_UNLCK;
}

int TFileHandle::TryLockExclusive()
{
    return ::flock(Descriptor(), LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

void TFileHandle::AdviseSequential()
{
    ::posix_fadvise(Descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

int64_t TFileHandle::Read(char* target, int64_t want, int& err)
{
    for (;;)
    {
        const ssize_t n = ::read(Descriptor(), target, static_cast<std::size_t>(want));
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
        const ssize_t n = ::pread(Descriptor(), target, static_cast<std::size_t>(want), static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR)
        {
            err = errno;
            return -1;
        }
    }
}

int64_t TFileHandle::ReadCachedAt(char* target, int64_t want, int64_t offset, int& err) const
{
    iovec part{target, static_cast<std::size_t>(want)};
    for (;;)
    {
        const ssize_t n = ::preadv2(Descriptor(), &part, 1, static_cast<off_t>(offset), RWF_NOWAIT);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        // Kernels and file systems without the flag say EOPNOTSUPP or EINVAL.
        err = errno;
        return -1;
    }
}

int TFileHandle::Map(int64_t offset, int64_t length, TFileMapping& mapping) const
{
    mapping.Unmap();
    if (offset < 0 || length <= 0)
        return EINVAL;
    if (!InstallBusGuard())
        return ENOTSUP;
    int guard = 0;
    while (guard < kMaxGuardedRanges && tGuarded[guard].InUse != 0)
        ++guard;
    if (guard == kMaxGuardedRanges)
        return ENOMEM;
    const auto start = offset - static_cast<int64_t>(static_cast<uintptr_t>(offset) % gPageSize);
    const auto span = static_cast<uintptr_t>(offset + length - start);
    const std::size_t size = (span + gPageSize - 1) & ~(gPageSize - 1);
    void* base = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, Descriptor(), static_cast<off_t>(start));
    if (base == MAP_FAILED)
        return errno;
    ::madvise(base, size, MADV_SEQUENTIAL);
    ::madvise(base, size, MADV_WILLNEED);
    TGuardedRange& range = tGuarded[guard];
    range.Begin = reinterpret_cast<uintptr_t>(base);
    range.End = range.Begin + size;
    range.Faulted = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    range.InUse = 1;
    mapping.Base = base;
    mapping.BaseSize = size;
    mapping.View = static_cast<const char*>(base) + (offset - start);
    mapping.ViewSize = length;
    mapping.Guard = guard;
    return 0;
}

bool ExclusivelyLockedInodes(std::vector<uint64_t>& inodes)
{
    inodes.clear();
    const int fd = ::open("/proc/locks", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string text;
    char buffer[16384];
    for (;;)
    {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ::close(fd);
            if (n < 0)
                return false;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    // "1: FLOCK  ADVISORY  WRITE 123 fd:01:4567 0 EOF"; a waiting request
    // ("1: -> FLOCK ...") holds nothing, leases are not locks.
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        char kind[16] = {};
        char mode[16] = {};
        char access[16] = {};
        long pid = 0;
        unsigned major = 0;
        unsigned minor = 0;
        unsigned long long inode = 0;
        const std::string line = text.substr(start, end - start);
        if (std::sscanf(
                line.c_str(), "%*d: %15s %15s %15s %ld %x:%x:%llu", kind, mode, access, &pid, &major, &minor, &inode)
                == 7
            && std::strcmp(access, "WRITE") == 0
            && (std::strcmp(kind, "FLOCK") == 0 || std::strcmp(kind, "POSIX") == 0 || std::strcmp(kind, "OFDLCK") == 0))
        {
            inodes.push_back(inode);
        }
        start = end + 1;
    }
    std::sort(inodes.begin(), inodes.end());
    return true;
}

int ListFolder(const std::filesystem::path& folder, std::vector<std::string>& names)
{
    names.clear();
    const std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return errno;
    return EachDirEntry(dir.get(), [&](const dirent& entry) { names.emplace_back(entry.d_name); });
}

int TFileHandle::List(std::vector<std::string>& names) const
{
    names.clear();
    // The listing owns a descriptor of its own; it starts at the folder's
    // beginning whatever an earlier listing left.
    const int own = ::fcntl(Descriptor(), F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return errno;
    std::unique_ptr<DIR, TDirCloser> dir(::fdopendir(own));
    if (!dir)
    {
        const int err = errno;
        ::close(own);
        return err;
    }
    ::rewinddir(dir.get());
    return EachDirEntry(dir.get(), [&](const dirent& entry) { names.emplace_back(entry.d_name); });
}

int CanReplaceFile(const std::filesystem::path& path)
{
    // A file without any write bit counts as read-only for every user, the
    // superuser included.
    const TPathInfo info = PathInfo(path);
    if (info.Kind != TPathKind::RegularFile)
        return ReplaceableKind(info);
    if (!info.HasWriteBit || ::access(path.c_str(), W_OK) != 0)
        return EACCES;
    return 0;
}

std::string PlatformErrorText(int err)
{
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
        ::unlinkat(Dir.Descriptor(), TempName.c_str(), 0);
    TempName.clear();
}

int TFileReplacement::CreateNamedTemporary()
{
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt)
    {
        std::string name = TemporaryName(Name, random(), NameMax);
        Temp.Native = ::openat(Dir.Descriptor(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Temp.IsOpen())
        {
            TempName = std::move(name);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int TFileReplacement::Begin(const std::filesystem::path& path)
{
    RemoveTemporary();
    const auto target = WriteTargetOf(path);
    Name = target.filename().native();
    if (Name.empty() || Name == "." || Name == "..")
        return EISDIR;
    const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // Only a handle on the folder: opening it for reading would need its read permission.
    Dir.Close();
    Dir.Native = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (!Dir.IsOpen())
        return errno;
    const TPathInfo info = TargetInfo();
    if (const int err = ReplaceableKind(info); err != 0)
        return err;
    if (info.Kind == TPathKind::RegularFile
        && (!info.HasWriteBit || ::faccessat(Dir.Descriptor(), Name.c_str(), W_OK, AT_EACCESS) != 0))
        return EACCES;
    const long nameMax = ::fpathconf(Dir.Descriptor(), _PC_NAME_MAX);
    NameMax = nameMax > 0 ? static_cast<int>(std::min<long>(nameMax, 255)) : 255;
    if (static_cast<long>(Name.size()) > NameMax)
        return ENAMETOOLONG;
    // An unnamed file leaves nothing behind whatever ends the process; it
    // gets a name only when its content is complete.
    Temp.Native = ::openat(Dir.Descriptor(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (Temp.IsOpen())
        return 0;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
    return CreateNamedTemporary();
}

namespace
{

int WriteAll(int fd, std::string_view data, const std::atomic<bool>* abort)
{
    // Pieces small enough that an abort is noticed soon.
    constexpr std::size_t kChunk = 8u << 20;
    std::size_t done = 0;
    while (done < data.size())
    {
        if (abort && abort->load())
            return ECANCELED;
        const ssize_t n = ::write(fd, data.data() + done, std::min(kChunk, data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace

int TFileReplacement::Commit(std::string_view data, const TPathInfo* unchanged, const std::atomic<bool>* abort)
{
    if (!Temp.IsOpen())
        return EBADF;
    const auto fail = [this](int err)
    {
        RemoveTemporary();
        return err;
    };
    if (const int err = WriteAll(Temp.Descriptor(), data, abort); err != 0)
        return fail(err);

    struct stat st
    {
    };

    if (::fstatat(Dir.Descriptor(), Name.c_str(), &st, 0) == 0)
    {
        if (!S_ISREG(st.st_mode))
            return fail(S_ISDIR(st.st_mode) ? EISDIR : kErrNotRegularFile);
        // Keep the mode, and where allowed the owner, of the file being replaced.
        ::fchmod(Temp.Descriptor(), st.st_mode & 07777);
        if (::fchown(Temp.Descriptor(), st.st_uid, st.st_gid) != 0)
        {
            // Only the superuser may give a file away; others keep their own.
        }
    }
    if (::fsync(Temp.Descriptor()) != 0)
        return fail(errno);
    if (TempName.empty())
    {
        // The unnamed file gets a temporary name through its /proc entry (no
        // privilege needed); where that fails, its content is written anew
        // into a named one.
        const std::string self = "/proc/self/fd/" + std::to_string(Temp.Descriptor());
        std::random_device random;
        for (int attempt = 0; attempt < 16 && TempName.empty(); ++attempt)
        {
            std::string name = TemporaryName(Name, random(), NameMax);
            if (::linkat(AT_FDCWD, self.c_str(), Dir.Descriptor(), name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                TempName = std::move(name);
            else if (errno != EEXIST)
                break;
        }
        if (TempName.empty())
        {
            Temp.Close();
            if (const int err = CreateNamedTemporary(); err != 0)
                return fail(err);
            if (const int err = WriteAll(Temp.Descriptor(), data, abort); err != 0)
                return fail(err);
            if (::fstatat(Dir.Descriptor(), Name.c_str(), &st, 0) == 0)
                ::fchmod(Temp.Descriptor(), st.st_mode & 07777);
            if (::fsync(Temp.Descriptor()) != 0)
                return fail(errno);
        }
    }
    if (::close(static_cast<int>(std::exchange(Temp.Native, TFileHandle::kNoHandle))) != 0)
        return fail(errno);
    // The last look before the rename: another program's change, or an
    // abort, leaves the target as it is.
    if (unchanged && !SameUnchangedFile(*unchanged, TargetInfo()))
        return fail(kErrChangedMeanwhile);
    if (abort && abort->load())
        return fail(ECANCELED);
    if (::renameat(Dir.Descriptor(), TempName.c_str(), Dir.Descriptor(), Name.c_str()) != 0)
        return fail(errno);
    TempName.clear();
    return 0;
}

std::filesystem::path NativePath(std::string_view bytes)
{
    return std::string(bytes);
}

std::string PathBytes(const std::filesystem::path& path)
{
    return path.native();
}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace brisolt
