#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <utility>

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "create/createsupport.h"
#include "hashing/hashedstorage.h"
#include "platform/fileio.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::OraclePieces;
using test::TSandbox;

#ifdef _WIN32
// Another program's handle on a content file, closed after the run.
HANDLE gHeld = INVALID_HANDLE_VALUE;
#endif

// Records the run's progress as lines; optional actions let a test abort or
// change files at chosen moments.
class TRecorder final : public THashProgress
{
public:
    TRecorder(
        const std::vector<TTorrentSubFile>& files, int64_t pieceLength, bool multiFile, std::filesystem::path base)
    {
        Job.Files = files;
        Job.PieceLength = pieceLength;
        Job.MultiFile = multiFile;
        Job.BasePath = std::move(base);
        Job.Abort = &Abort;
    }

    void HashFiles() { Result = brisolt::HashFiles(Job, *this); }

    THashJob Job;
    THashResult Result;
    std::vector<std::string> Log;
    std::atomic<bool> Abort{false};
    int Reads = 0;
    // The read before which the abort token is raised (1 = the first).
    int AbortAtRead = 0;
    std::function<void(const std::string& path)> OnFileStarted;

protected:
    void FileStarted(const std::string& path, int64_t size) override
    {
        Log.push_back("file " + std::filesystem::path(path).filename().string() + " " + std::to_string(size));
        if (OnFileStarted)
            OnFileStarted(path);
    }

    void PieceHashed(int64_t pieces) override { Log.push_back("piece " + std::to_string(pieces)); }

    void ReportStatus(const std::string& status) override { Log.push_back(status); }

    void BeforeRead() override
    {
        if (++Reads == AbortAtRead)
            Abort = true;
    }
};

struct TContent
{
    std::vector<TTorrentSubFile> Files;
    std::vector<std::filesystem::path> Paths;
};

// Files named f0, f1, ... of the given sizes, with their full paths.
TContent MakeFiles(const TSandbox& box, const std::vector<int64_t>& sizes, uint32_t seed = 1)
{
    TContent content;
    for (std::size_t i = 0; i < sizes.size(); ++i)
    {
        const std::string name = "f" + std::to_string(i);
        const auto path =
            box.Write(name, test::RandomBytes(static_cast<std::size_t>(sizes[i]), seed + static_cast<uint32_t>(i)));
        TTorrentSubFile entry(name, "", sizes[i], 0);
        entry.FullPath = path.string();
        content.Files.push_back(entry);
        content.Paths.push_back(path);
    }
    return content;
}

// Entries as a listing leaves them, with identity and modification time; the
// time is set back first, so that a change made now shows.
void MarkListed(TContent& content)
{
    for (std::size_t i = 0; i < content.Files.size(); ++i)
    {
        std::filesystem::last_write_time(
            content.Paths[i], std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        const TPathInfo info = PathInfo(content.Paths[i]);
        content.Files[i].ListedDevice = info.Device;
        content.Files[i].ListedInode = info.Inode;
        content.Files[i].ListedModified = info.Modified;
    }
}

// The hook lines of a sequential run, worked out from the sizes alone: a
// piece is reported in the file where it ends.
std::vector<std::string> ExpectedLog(const std::vector<int64_t>& sizes, int64_t pieceLength)
{
    std::vector<std::string> log{"start"};
    int64_t offset = 0;
    int64_t pieces = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i)
    {
        log.push_back("file f" + std::to_string(i) + " " + std::to_string(sizes[i]));
        offset += sizes[i];
        int64_t ended = offset / pieceLength;
        if (i + 1 == sizes.size() && offset % pieceLength != 0)
            ++ended;
        while (pieces < ended)
            log.push_back("piece " + std::to_string(++pieces));
    }
    log.push_back("done");
    return log;
}

class HashedStorageThreads : public ::testing::TestWithParam<int>
{
};

INSTANTIATE_TEST_SUITE_P(Threads, HashedStorageThreads, ::testing::Values(1, 2, 4));

TEST_P(HashedStorageThreads, TwoFilesShareTheFirstPieceAndReportBothPiecesInTheSecond)
{
    TSandbox box;
    const auto content = MakeFiles(box, {100000, 300000});
    TRecorder storage(content.Files, 262144, true, box.Path());
    storage.Job.ThreadCount = GetParam();
    storage.HashFiles();
    EXPECT_FALSE(storage.Result.Failed()) << storage.Result.Error.Message();
    const std::vector<std::string> log{"start", "file f0 100000", "file f1 300000", "piece 1", "piece 2", "done"};
    EXPECT_EQ(storage.Log, log);
    EXPECT_EQ(static_cast<int64_t>(storage.Result.Pieces.size()), 2);
    EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(262144, content.Paths));
    EXPECT_TRUE(storage.Result.Pieces[0].Computed);
}

TEST_P(HashedStorageThreads, BoundariesEmptyFilesAndRemaindersMatchTheOracle)
{
    const std::vector<std::vector<int64_t>> cases{
        {65536, 65536},   // a non-last file ends on a boundary
        {131072},         // the last file ends on a boundary: no further piece
        {1000, 0, 70000}, // an empty file between others
        {65536, 0},       // empty last file after a boundary: no zero-byte piece
        {70000, 0},       // the final piece closes in the empty last file
        {0},              // empty content: no piece
        {0, 0, 0},
        {1},
        {65535, 1, 65537, 3},
    };
    for (const auto& sizes : cases)
    {
        TSandbox box;
        const auto content = MakeFiles(box, sizes);
        TRecorder storage(content.Files, 65536, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.HashFiles();
        EXPECT_FALSE(storage.Result.Failed()) << storage.Result.Error.Message();
        EXPECT_EQ(storage.Log, ExpectedLog(sizes, 65536)) << sizes.size() << " files, first " << sizes[0];
        EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(65536, content.Paths));
    }
}

TEST_P(HashedStorageThreads, EmptyListReportsStartAndDoneOnly)
{
    std::vector<TTorrentSubFile> none;
    TRecorder storage(none, 65536, true, "/nonexistent");
    storage.Job.ThreadCount = GetParam();
    storage.HashFiles();
    EXPECT_EQ(storage.Log, (std::vector<std::string>{"start", "done"}));
    EXPECT_EQ(static_cast<int64_t>(storage.Result.Pieces.size()), 0);
    EXPECT_FALSE(storage.Result.Failed());
}

TEST_P(HashedStorageThreads, AbortInTheThirdOfFiveFilesKeepsFinishedPiecesOnly)
{
    TSandbox box;
    const std::vector<int64_t> sizes(5, 200000);
    const auto content = MakeFiles(box, sizes);
    TRecorder storage(content.Files, 65536, true, box.Path());
    storage.Job.ThreadCount = GetParam();
    // Raised before the first read of the third file, and seen after it: f0
    // and f1 are read in 4 parts each, f2's first read (58,752 bytes)
    // completes piece 7.
    storage.AbortAtRead = 9;
    storage.HashFiles();
    const std::vector<std::string> log{
        "start",
        "file f0 200000",
        "piece 1",
        "piece 2",
        "piece 3",
        "file f1 200000",
        "piece 4",
        "piece 5",
        "piece 6",
        "file f2 200000",
        "piece 7",
        "done"};
    EXPECT_EQ(storage.Log, log);
    // Nothing read after the abort, the two skipped files never opened.
    EXPECT_EQ(storage.Reads, 9);
    auto expected = OraclePieces(65536, content.Paths);
    expected.resize(7);
    EXPECT_EQ(test::HexPieces(storage.Result.Pieces), expected);
    EXPECT_FALSE(storage.Result.Failed());
}

TEST_P(HashedStorageThreads, RandomTreesMatchTheOracleAndTheSequentialHooks)
{
    std::mt19937 rng(20240601u + static_cast<uint32_t>(GetParam()));
    for (int round = 0; round < 6; ++round)
    {
        TSandbox box;
        std::vector<int64_t> sizes(1 + rng() % 12);
        for (auto& size : sizes)
            size = rng() % 4 == 0 ? 0 : static_cast<int64_t>(rng() % 300000);
        const int64_t pieceLength = int64_t{65536} << (rng() % 3);
        const auto content = MakeFiles(box, sizes, static_cast<uint32_t>(rng()));
        TRecorder storage(content.Files, pieceLength, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.HashFiles();
        EXPECT_EQ(storage.Log, ExpectedLog(sizes, pieceLength)) << "round " << round;
        EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(pieceLength, content.Paths))
            << "round " << round;
    }
}

// Runs of whole pieces inside one file are read by the workers, pieces larger
// than a chunk pass through the lanes in parts: pieces and hooks stay those
// of the sequential run.
TEST_P(HashedStorageThreads, LongFilesReadByTheWorkersMatchTheOracle)
{
    struct TCase
    {
        int64_t PieceLength;
        std::vector<int64_t> Sizes;
    };

    const TCase cases[] = {
        {16384, {16384 * 70 + 5, 100}},                       // full slots in a file that is not the last
        {300007, {300007 * 17 + 1000}},                       // pieces past a chunk, of no whole block count
        {1 << 20, {5000, (int64_t{1} << 20) * 17 + 77}},      // a straddling piece, then a long run
        {1 << 20, {(3 << 20) + 5, (2 << 20) + 100, 6 << 20}}, // large pieces: short runs inside files
    };
    for (const auto& c : cases)
    {
        TSandbox box;
        const auto content = MakeFiles(box, c.Sizes, 7);
        TRecorder storage(content.Files, c.PieceLength, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.HashFiles();
        EXPECT_FALSE(storage.Result.Failed()) << storage.Result.Error.Message();
        EXPECT_EQ(storage.Log, ExpectedLog(c.Sizes, c.PieceLength)) << c.PieceLength;
        EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(c.PieceLength, content.Paths)) << c.PieceLength;
    }
}

// Pieces too large to copy whole are digested as they are read, across file
// boundaries, parts of no whole block count and whole pieces the workers read
// in between. f1 cut short mid-piece once its start is reported ends the run,
// or under padding reads as zeros and is recorded as changed.
TEST_P(HashedStorageThreads, LargePiecesAcrossFilesMatchTheOracle)
{
    constexpr int64_t kMiB = 1 << 20;

    const struct
    {
        int64_t PieceLength;
        std::vector<int64_t> Sizes;
        int64_t CutTo; // f1's size once its start is reported; -1: not cut
        TLengthPolicy Policy;
    } kCases[] = {
        {32 * kMiB, {100, 0, 20 * kMiB, 13 * kMiB, 777}, -1, TLengthPolicy::Exact},
        {64 * kMiB, {64 * kMiB, 300, 1}, -1, TLengthPolicy::Exact},
        {32 * kMiB, {kMiB + 5, 4 * kMiB}, 2 * kMiB + 3, TLengthPolicy::Exact},
        {32 * kMiB, {kMiB + 5, 4 * kMiB}, 2 * kMiB + 3, TLengthPolicy::PadToListed},
    };

    for (const auto& c : kCases)
    {
        SCOPED_TRACE(std::to_string(c.PieceLength) + " cut to " + std::to_string(c.CutTo));
        TSandbox box;
        const auto content = MakeFiles(box, c.Sizes);
        auto paths = content.Paths;
        if (c.CutTo >= 0)
        {
            // What padding reads: f1's first bytes, then zeros.
            std::string padded = test::RandomBytes(static_cast<std::size_t>(c.Sizes[1]), 2);
            std::fill(padded.begin() + c.CutTo, padded.end(), '\0');
            paths[1] = box.Write("padded", padded);
        }
        TRecorder storage(content.Files, c.PieceLength, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.Job.LengthPolicy = c.Policy;
        storage.OnFileStarted = [&](const std::string& path)
        {
            if (c.CutTo >= 0 && path == content.Paths[1].string())
                std::filesystem::resize_file(path, static_cast<uintmax_t>(c.CutTo));
        };
        storage.HashFiles();
        if (c.CutTo >= 0 && c.Policy == TLengthPolicy::Exact)
        {
            EXPECT_EQ(
                storage.Result.Error.Message(),
                "Datei " + content.Paths[1].string()
                    + " kann nicht gelesen werden. Die Datei ist beim Lesen kürzer geworden.");
            EXPECT_EQ(storage.Log, (std::vector<std::string>{"start", "file f0 1048581", "file f1 4194304", "done"}));
            continue;
        }
        EXPECT_FALSE(storage.Result.Failed()) << storage.Result.Error.Message();
        EXPECT_EQ(storage.Result.ChangedFiles, c.CutTo >= 0 ? std::vector<std::size_t>{1} : std::vector<std::size_t>{});
        EXPECT_EQ(storage.Log, ExpectedLog(c.Sizes, c.PieceLength));
        EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(c.PieceLength, paths));
    }
}

// Cut to a page boundary, a mapped file loses whole pages; cut inside its
// last page, nothing faults and only its size tells.
TEST_P(HashedStorageThreads, LongFileThatShrinksWhileTheWorkersReadItEndsTheRun)
{
    const std::pair<int64_t, uintmax_t> kCases[] = {{16384 * 200, 16384 * 10}, {16384 * 64, 16384 * 64 - 100}};
    for (const auto& [size, cutTo] : kCases)
    {
        TSandbox box;
        const auto content = MakeFiles(box, {size});
        TRecorder storage(content.Files, 16384, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.OnFileStarted = [&, cutTo = cutTo](const std::string& path)
        {
            std::filesystem::resize_file(path, cutTo);
        };
        storage.HashFiles();
        ASSERT_TRUE(storage.Result.Failed());
        EXPECT_EQ(
            storage.Result.Error.Message(),
            "Datei " + content.Paths[0].string()
                + " kann nicht gelesen werden. Die Datei ist beim Lesen kürzer geworden.")
            << cutTo;
        EXPECT_EQ(storage.Log.back(), "done");
        EXPECT_LT(static_cast<int64_t>(storage.Result.Pieces.size()), size / 16384);
    }
}

TEST_P(HashedStorageThreads, ManySmallFilesKeepTheHookOrder)
{
    TSandbox box;
    std::vector<int64_t> sizes;
    for (int i = 0; i < 300; ++i)
        sizes.push_back((i * 7919) % 3000);
    const auto content = MakeFiles(box, sizes);
    TRecorder storage(content.Files, 65536, true, box.Path());
    storage.Job.ThreadCount = GetParam();
    storage.HashFiles();
    EXPECT_EQ(storage.Log, ExpectedLog(sizes, 65536));
    EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(65536, content.Paths));
}

constexpr const char* kLocked = " kann nicht geöffnet werden. Sie ist von einem anderen Programm gesperrt.";

// What happened to f1 between listing and hashing decides at its turn,
// whether it was read ahead or not: the files before it are hashed, nothing
// after it is reported.
TEST_P(HashedStorageThreads, FileChangedAfterListingEndsTheRunAtItsTurn)
{
    // Each change returns a descriptor to close after the run, or -1.
    const struct
    {
        const char* Name;
        int (*Change)(const std::filesystem::path& path, TTorrentSubFile& entry);
        const char* Message;
    } kCases[] = {
        {"deleted",
         [](const std::filesystem::path& path, TTorrentSubFile&)
         {
             std::filesystem::remove(path);
             return -1;
         },
         " kann nicht geöffnet werden. No such file or directory"},
        {"a folder now",
         [](const std::filesystem::path& path, TTorrentSubFile&)
         {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
             return -1;
         },
         " kann nicht geöffnet werden. Is a directory"},
        {"other size",
         [](const std::filesystem::path&, TTorrentSubFile& entry)
         {
             entry.Length = 4999;
             return -1;
         },
         " kann nicht gelesen werden. Die Größe hat sich seit dem Auflisten geändert."},
#ifdef _WIN32
        // Another program's handle without read sharing, and its lock on
        // the whole file.
        {"opened without sharing",
         [](const std::filesystem::path& path, TTorrentSubFile&)
         {
             gHeld = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             EXPECT_NE(gHeld, INVALID_HANDLE_VALUE);
             return -1;
         },
         kLocked},
        {"locked by another program",
         [](const std::filesystem::path& path, TTorrentSubFile&)
         {
             gHeld = ::CreateFileW(
                 path.c_str(),
                 GENERIC_READ,
                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                 nullptr,
                 OPEN_EXISTING,
                 0,
                 nullptr);
             OVERLAPPED at{};
             EXPECT_TRUE(
                 ::LockFileEx(gHeld, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &at));
             return -1;
         },
         kLocked},
#else
        {"locked by another program",
         [](const std::filesystem::path& path, TTorrentSubFile&)
         {
             const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
             EXPECT_EQ(::flock(fd, LOCK_EX), 0);
             return fd;
         },
         kLocked},
#endif
    };

    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.Name);
        TSandbox box;
        auto content = MakeFiles(box, {70000, 5000, 1000, 2000});
        const int held = c.Change(content.Paths[1], content.Files[1]);
        TRecorder storage(content.Files, 65536, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.HashFiles();
#ifdef _WIN32
        EXPECT_LT(held, 0);
        if (gHeld != INVALID_HANDLE_VALUE)
            ::CloseHandle(std::exchange(gHeld, INVALID_HANDLE_VALUE));
#else
        if (held >= 0)
            ::close(held);
#endif
        ASSERT_TRUE(storage.Result.Failed());
        EXPECT_EQ(storage.Result.Error.Path(), content.Paths[1].string());
        EXPECT_EQ(storage.Result.Error.Message(), "Datei " + content.Paths[1].string() + c.Message);
        EXPECT_EQ(storage.Log, (std::vector<std::string>{"start", "file f0 70000", "piece 1", "done"}));
        EXPECT_EQ(static_cast<int64_t>(storage.Result.Pieces.size()), 1);
    }
}

// A file that shrinks (reads that return nothing would repeat forever) or
// grows while it is read ends the run with its reason. Its start is reported
// before its first read (nothing is queued yet), so it changes while open.
TEST_P(HashedStorageThreads, FileThatChangesWhileReadEndsTheRun)
{
    const struct
    {
        const char* Name;
        void (*Change)(const std::string& path);
        const char* Reason;
    } kCases[] = {
        {"shrinks",
         [](const std::string& path) { std::filesystem::resize_file(path, 50000); },
         "Die Datei ist beim Lesen kürzer geworden."},
        {"grows",
         [](const std::string& path) { std::ofstream(path, std::ios::binary | std::ios::app) << "more"; },
         "Die Datei hat sich beim Lesen verändert."},
    };

    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.Name);
        TSandbox box;
        const auto content = MakeFiles(box, {100000, 200000});
        TRecorder storage(content.Files, 65536, true, box.Path());
        storage.Job.ThreadCount = GetParam();
        storage.OnFileStarted = [&](const std::string& path)
        {
            if (path == content.Paths[0].string())
                c.Change(path);
        };
        storage.HashFiles();
        ASSERT_TRUE(storage.Result.Failed());
        EXPECT_EQ(
            storage.Result.Error.Message(),
            "Datei " + content.Paths[0].string() + " kann nicht gelesen werden. " + c.Reason);
        EXPECT_EQ(storage.Log.back(), "done");
    }
}

// A file changed once it is open (its start is reported before its first
// read), small ones opened ahead included, ends the run when it has been
// read, listed or not; a check of content records it and goes on.
TEST_P(HashedStorageThreads, FileChangedWhileHashedEndsTheRun)
{
    const struct
    {
        const char* Name;
        void (*Change)(const std::filesystem::path& path);
    } kCases[] = {
        {"bytes written in place",
         [](const std::filesystem::path& path)
         {
             std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
             file.seekp(10);
             file << "changed";
         }},
        {"replaced by a rename",
         [](const std::filesystem::path& path)
         {
             const auto other = path.string() + ".new";
             std::ofstream(other, std::ios::binary) << std::string(std::filesystem::file_size(path), 'n');
             std::filesystem::rename(other, path);
         }},
        {"deleted",
         [](const std::filesystem::path& path)
         {
             std::filesystem::remove(path);
         }},
        {"grown",
         [](const std::filesystem::path& path)
         {
             std::ofstream(path, std::ios::binary | std::ios::app) << "x";
         }},
    };

    for (const auto& c : kCases)
    {
#ifdef _WIN32
        // Windows refuses to rename over a file that a handle holds open,
        // even one shared for deleting: that change cannot happen there. A
        // delete stays pending while the file is open, and Wine reports
        // neither the pending delete nor a link count of 0.
        if (std::string_view(c.Name) == "replaced by a rename" || std::string_view(c.Name) == "deleted")
            continue;
#endif
        for (const std::vector<int64_t>& sizes : {std::vector<int64_t>{1000, 2000, 3000}, {100000, 200000}})
        {
            for (const bool listed : {false, true})
            {
                for (const auto policy : {TLengthPolicy::Exact, TLengthPolicy::PadToListed})
                {
                    SCOPED_TRACE(
                        std::string(c.Name) + " " + std::to_string(sizes[0]) + (listed ? " listed" : "")
                        + (policy == TLengthPolicy::Exact ? "" : " padded"));
                    TSandbox box;
                    auto content = MakeFiles(box, sizes);
                    if (listed)
                        MarkListed(content);
                    TRecorder storage(content.Files, 65536, true, box.Path());
                    storage.Job.ThreadCount = GetParam();
                    storage.Job.LengthPolicy = policy;
                    storage.OnFileStarted = [&](const std::string& path)
                    {
                        if (path == content.Paths[0].string())
                            c.Change(content.Paths[0]);
                    };
                    storage.HashFiles();
                    EXPECT_EQ(storage.Log.back(), "done");
                    if (policy == TLengthPolicy::PadToListed)
                    {
                        EXPECT_FALSE(storage.Result.Failed()) << storage.Result.Error.Message();
                        EXPECT_EQ(storage.Result.ChangedFiles, std::vector<std::size_t>{0});
                        continue;
                    }
                    EXPECT_EQ(
                        storage.Result.Error.Message(),
                        "Datei " + content.Paths[0].string()
                            + " kann nicht gelesen werden. Die Datei hat sich beim Lesen verändert.");
                }
            }
        }
    }
}

// Every lock another program may hold for writing refuses the file, listed
// or not, opened ahead or not: flock, and record locks on any part of it.
TEST(HashedStorage, FileLockedForWritingIsRefused)
{
    BRISOLT_LINUX_ONLY("flock and record locks");
#ifndef _WIN32
    const struct
    {
        const char* Name;
        bool (*Lock)(int fd);
    } kLocks[] = {
        {"flock",
         [](int fd)
         {
             return ::flock(fd, LOCK_EX) == 0;
         }},
        {"fcntl",
         [](int fd)
         {
             struct flock range
             {
             };
             range.l_type = F_WRLCK;
             range.l_whence = SEEK_SET;
             range.l_start = 10;
             range.l_len = 5;
             return ::fcntl(fd, F_SETLK, &range) == 0;
         }},
        {"open file description",
         [](int fd)
         {
             struct flock range
             {
             };
             range.l_type = F_WRLCK;
             range.l_whence = SEEK_SET;
             return ::fcntl(fd, F_OFD_SETLK, &range) == 0;
         }},
        {"lockf",
         [](int fd)
         {
             return ::lockf(fd, F_TLOCK, 0) == 0;
         }},
    };

    for (const auto& lock : kLocks)
    {
        for (const bool listed : {false, true})
        {
            for (const int threads : {1, 4})
            {
                SCOPED_TRACE(std::string(lock.Name) + (listed ? " listed " : " ") + std::to_string(threads));
                TSandbox box;
                auto content = MakeFiles(box, {3000, 2000, 1000});
                if (listed)
                    MarkListed(content);
                const int fd = ::open(content.Paths[1].c_str(), O_RDWR | O_CLOEXEC);
                ASSERT_TRUE(lock.Lock(fd));
                TRecorder storage(content.Files, 65536, true, box.Path());
                storage.Job.ThreadCount = threads;
                storage.HashFiles();
                ::close(fd);
                EXPECT_EQ(storage.Result.Error.Message(), "Datei " + content.Paths[1].string() + kLocked);
                EXPECT_EQ(storage.Log, (std::vector<std::string>{"start", "file f0 3000", "done"}));
            }
        }
    }
#endif
}

TEST(HashedStorage, FileChangedSinceListingIsNotHashed)
{
    TSandbox box;
    auto content = MakeFiles(box, {1000});
    content.Files[0].Length = 999;
    TRecorder storage(content.Files, 65536, true, box.Path());
    storage.HashFiles();
    EXPECT_EQ(
        storage.Result.Error.Message(),
        "Datei " + content.Paths[0].string()
            + " kann nicht gelesen werden. Die Größe hat sich seit dem Auflisten geändert.");
    EXPECT_EQ(storage.Log, (std::vector<std::string>{"start", "done"}));
}

TEST(HashedStorage, FolderAndFifoAreRefusedWithoutBlocking)
{
    TSandbox box;
    std::filesystem::create_directory(box.Path() / "dir");
#ifdef _WIN32
    for (const std::string name : {"dir"})
    {
#else
    ASSERT_EQ(::mkfifo((box.Path() / "fifo").c_str(), 0644), 0);
    for (const std::string name : {"dir", "fifo"})
    {
#endif
        std::vector<TTorrentSubFile> files{TTorrentSubFile(name, "", 0, 0)};
        TRecorder storage(files, 65536, true, box.Path());
        storage.HashFiles();
        const std::string reason = name == "dir" ? "Is a directory" : "Keine reguläre Datei.";
        EXPECT_EQ(
            storage.Result.Error.Message(),
            "Datei " + (box.Path() / name).string() + " kann nicht geöffnet werden. " + reason);
    }
}

TEST(HashedStorage, PathsResolveFromFullPathBaseFolderOrTheFileItself)
{
    std::vector<TTorrentSubFile> files;
    TTorrentSubFile withFull("a", "", 0, 0);
    withFull.FullPath = "/x/y/a";
    TRecorder multi(files, 65536, true, "/base");
    EXPECT_EQ(ResolvePath(multi.Job, withFull), "/x/y/a");
    EXPECT_EQ(ResolvePath(multi.Job, TTorrentSubFile("n.txt", "", 0, 0)), "/base/n.txt");
    EXPECT_EQ(ResolvePath(multi.Job, TTorrentSubFile("n.txt", "s\\t", 0, 0)), "/base/s/t/n.txt");
    TRecorder single(files, 65536, false, "/base/file.bin");
    EXPECT_EQ(ResolvePath(single.Job, TTorrentSubFile("other", "", 0, 0)), "/base/file.bin");
}

TEST(HashedStorage, SingleFileStorageReadsTheBasePath)
{
    TSandbox box;
    const auto path = box.Write("one.bin", test::RandomBytes(70000, 5));
    std::vector<TTorrentSubFile> files{TTorrentSubFile("one.bin", "", 70000, 0)};
    TRecorder storage(files, 65536, false, path);
    storage.HashFiles();
    EXPECT_EQ(test::HexPieces(storage.Result.Pieces), OraclePieces(65536, {path}));
}

TEST(HashedStorage, PaddingStandsInForMissingAndShortFiles)
{
    TSandbox box;
    const auto a = box.Write("a", std::string(1000, 'x'));
    const auto zeros = box.Write("zeros", std::string(3000, '\0'));
    const auto c = box.Write("c", std::string(500, 'y'));
    const auto expected = OraclePieces(1 << 16, {a, zeros, c});
    std::filesystem::remove(zeros);
    box.Write("short", std::string(400, '\0')); // 600 bytes short
    std::vector<TTorrentSubFile> files{
        TTorrentSubFile("a", "", 1000, 0),
        TTorrentSubFile("zeros", "", 2000, 0),
        TTorrentSubFile("short", "", 1000, 0),
        TTorrentSubFile("c", "", 500, 0)};
    TRecorder storage(files, 1 << 16, true, box.Path());
    storage.Job.LengthPolicy = TLengthPolicy::PadToListed;
    storage.HashFiles();
    EXPECT_FALSE(storage.Result.Failed()) << storage.Result.Error.Message();
    EXPECT_EQ(test::HexPieces(storage.Result.Pieces), expected);
}

TEST(HashedStorage, InvalidPieceLengthFailsWithoutReading)
{
    std::vector<TTorrentSubFile> files{TTorrentSubFile("a", "", 1, 0)};
    TRecorder storage(files, 0, true, "/nonexistent");
    storage.HashFiles();
    EXPECT_TRUE(storage.Result.Failed());
    EXPECT_EQ(storage.Log, (std::vector<std::string>{"start", "done"}));
}

} // namespace
} // namespace brisolt
