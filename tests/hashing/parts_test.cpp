// The hashing engine's parts on their own, and the whole run over files held
// in memory, with faults at exact reads rather than at hook boundaries.
#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hashing/contentfile.h"
#include "hashing/hashedstorage.h"
#include "hashing/openahead.h"
#include "hashing/piecedigester.h"
#include "support/memoryfiles.h"
#include "support/systemsha1.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::TMemoryFiles;

using TFilesChange = std::function<void(TMemoryFiles&, const std::string& path)>;

void Shrink(TMemoryFiles& fs, const std::string& path)
{
    fs.Change(path, [](std::string& b) { b.resize(b.size() / 2); });
}

void Grow(TMemoryFiles& fs, const std::string& path)
{
    fs.Change(path, [](std::string& b) { b += 'x'; });
}

void WriteInPlace(TMemoryFiles& fs, const std::string& path)
{
    fs.Change(path, [](std::string& b) { b[0] = static_cast<char>(~b[0]); });
}

void Replace(TMemoryFiles& fs, const std::string& path)
{
    fs.Write(path, std::string(static_cast<std::size_t>(fs.Info(path).Size), 'n'));
}

void Remove(TMemoryFiles& fs, const std::string& path)
{
    fs.Remove(path);
}

TEST(ContentFile, EachFaultIsToldApart)
{
    const std::string bytes = test::RandomBytes(5000, 3);

    const struct
    {
        const char* Name;
        TFilesChange BeforeOpen;
        bool AskLocks;
        int OpenError;
        TFilesChange AfterOpen;
        int ReadFailure;
        int ReadError;
        bool Unchanged;
        bool ReadsChange = false; // the read sees the bytes written in place
    } kCases[] = {
        {"untouched", nullptr, true, 0, nullptr, 0, 0, true},
        {"missing", Remove, false, ENOENT, nullptr, 0, 0, false},
        // The listing is trusted: what took the file's place shows on reading.
        {"a folder",
         [](TMemoryFiles& fs, const std::string& p) { fs.MakeFolder(p); },
         false,
         0,
         nullptr,
         0,
         EISDIR,
         false},
        {"locked",
         [](TMemoryFiles& fs, const std::string& p) { fs.Lock(p, true); },
         true,
         kErrLockedByOther,
         nullptr,
         0,
         0,
         false},
        {"locked, not asked",
         [](TMemoryFiles& fs, const std::string& p) { fs.Lock(p, true); },
         false,
         0,
         nullptr,
         0,
         0,
         true},
        {"changed after listing", WriteInPlace, false, 0, nullptr, 0, 0, false, true},
        {"shrunk", nullptr, false, 0, Shrink, 0, kErrFileShrank, false},
        {"grown", nullptr, false, 0, Grow, 0, 0, false},
        {"written in place", nullptr, false, 0, WriteInPlace, 0, 0, false, true},
        {"replaced", nullptr, false, 0, Replace, 0, 0, false},
        {"removed", nullptr, false, 0, Remove, 0, 0, false},
        {"read fails", nullptr, false, 0, nullptr, EIO, EIO, true},
    };

    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.Name);
        TMemoryFiles fs;
        fs.Write("f", bytes);
        const TPathInfo listed = fs.Info("f");
        if (c.BeforeOpen)
            c.BeforeOpen(fs, "f");
        TLockWatch locks(fs);
        TContentFile file;
        // A failure carries its code and the file's message, made where it was met.
        const auto expected = [](int code, const char* done)
        {
            return code == 0 ? std::string() : FileMessage("f", done, SystemErrorText(code));
        };
        const TError opened = file.Open("f", &listed, c.AskLocks ? &locks : nullptr, fs);
        EXPECT_EQ(opened.Code(), c.OpenError);
        EXPECT_EQ(opened.Message(), expected(c.OpenError, "geöffnet"));
        if (opened)
        {
            EXPECT_FALSE(file.IsOpen());
            continue;
        }
        if (c.AfterOpen)
            c.AfterOpen(fs, "f");
        fs.BeforeRead = [&](const std::string&, int64_t)
        {
            return c.ReadFailure;
        };
        std::string target(bytes.size(), '\0');
        const TError read = file.ReadFullAt(target.data(), file.Size(), 0);
        EXPECT_EQ(read.Code(), c.ReadError);
        EXPECT_EQ(read.Message(), expected(c.ReadError, "gelesen"));
        EXPECT_EQ(read.Path(), c.ReadError == 0 ? "" : "f");
        // An open file reads what it was opened on, whatever the name leads to now.
        if (!read)
        {
            EXPECT_EQ(target[0] != bytes[0], c.ReadsChange);
            EXPECT_EQ(target.substr(1), bytes.substr(1));
        }
        EXPECT_EQ(file.Unchanged(), c.Unchanged);
    }
}

std::string Digest(std::string_view bytes)
{
    return test::SystemSha1(bytes);
}

std::string Digest(const TDigest& digest)
{
    return std::string(digest.data(), digest.size());
}

// Copied pieces, pieces a worker reads from a file, and stretches it reads
// into copied pieces: every digest right, and a failing read named by its
// tag with the pieces before it kept.
TEST(PieceDigester, DigestsWhatWasCopiedOrReadAndNamesTheFileThatFailed)
{
    constexpr std::size_t kPiece = 16384;
    for (const int threads : {1, 2})
    {
        SCOPED_TRACE(threads);
        TPieceDigester digester(threads, kPiece);
        TMemoryFiles fs;
        const std::string bytes = test::RandomBytes(kPiece * 80, 5);
        fs.Write("f", bytes);
        const auto file = std::make_shared<TContentFile>();
        ASSERT_FALSE(file->Open("f", nullptr, nullptr, fs));

        // Copied in; the last piece short.
        // Every slot taken, none is left; one dropped unfilled is free again.
        {
            std::vector<TPieceDigester::TFilling> taken;
            while (TPieceDigester::TFilling next = digester.TryAcquire())
                taken.push_back(std::move(next));
            EXPECT_EQ(static_cast<int>(taken.size()), digester.SlotCount());
            taken.pop_back();
            EXPECT_TRUE(digester.TryAcquire());
            EXPECT_FALSE(digester.TryAcquire() && digester.TryAcquire());
        }

        TPieceDigester::TFilling filling = digester.TryAcquire();
        const int copied = digester.PiecesPerSlot();
        const auto piece = [&](int i, std::size_t size)
        {
            return std::string_view(bytes).substr(static_cast<std::size_t>(i) * kPiece, size);
        };
        for (int i = 0; i < copied; ++i)
        {
            const std::size_t size = i + 1 == copied ? 1000 : kPiece;
            std::memcpy(digester.NextPiece(filling), piece(i, size).data(), size);
            EXPECT_EQ(digester.AddPiece(filling, size), i);
        }
        // A full slot takes no more: nothing is written past its buffer.
        EXPECT_THROW(static_cast<void>(digester.NextPiece(filling)), std::logic_error);
        int slot = digester.Submit(std::move(filling));
        ASSERT_TRUE(digester.Wait(slot));
        for (int i = 0; i < copied; ++i)
            EXPECT_EQ(Digest(digester.Digest(slot, i)), Digest(piece(i, i + 1 == copied ? 1000 : kPiece))) << i;
        digester.Release(slot);

        // Read by the worker, whole and then failing.
        const int count = digester.FilePiecesPerSlot();
        for (const bool fail : {false, true})
        {
            fs.BeforeRead = [&](const std::string&, int64_t)
            {
                return fail ? EIO : 0;
            };
            filling = digester.TryAcquire();
            digester.AddFromFile(filling, *file, kPiece, count, int64_t{kPiece} * count, false, 7);
            slot = digester.Submit(std::move(filling));
            EXPECT_EQ(digester.Wait(slot), !fail);
            EXPECT_EQ(
                digester.ReadError(slot).Message(), fail ? FileMessage("f", "gelesen", SystemErrorText(EIO)) : "");
            EXPECT_EQ(digester.GoodPieces(slot), fail ? 0 : count);
            EXPECT_EQ(digester.FailedTag(slot), fail ? 7u : 0u);
            for (int i = 0; !fail && i < count; ++i)
                EXPECT_EQ(Digest(digester.Digest(slot, i)), Digest(piece(i + 1, kPiece))) << i;
            digester.Release(slot);
        }
        fs.BeforeRead = nullptr;

        // Stretches: piece 0 copied, piece 1 read whole, piece 2 from its
        // file's last 100 bytes padded to 300, piece 3 from a file that has
        // shrunk by the time the worker reads it. A single scalar thread's
        // slot holds one piece.
        if (copied < 4)
            continue;
        fs.Write("short", bytes.substr(0, 100));
        fs.Write("shrinks", bytes.substr(0, kPiece));
        const auto shortFile = std::make_shared<TContentFile>();
        const auto shrinks = std::make_shared<TContentFile>();
        ASSERT_FALSE(shortFile->Open("short", nullptr, nullptr, fs));
        ASSERT_FALSE(shrinks->Open("shrinks", nullptr, nullptr, fs));
        for (const bool shrink : {false, true})
        {
            filling = digester.TryAcquire();
            std::memcpy(digester.NextPiece(filling), bytes.data(), kPiece);
            digester.AddPiece(filling, kPiece);
            digester.AddExtent(filling, file, 0, 0, kPiece, false, 1);
            digester.AddPiece(filling, kPiece);
            digester.AddExtent(filling, shortFile, 0, 0, 300, true, 2);
            digester.AddPiece(filling, 300);
            digester.AddExtent(filling, shrinks, 0, 0, kPiece, false, 3);
            digester.AddPiece(filling, kPiece);
            if (shrink)
                Shrink(fs, "shrinks");
            slot = digester.Submit(std::move(filling));
            EXPECT_EQ(digester.Wait(slot), !shrink);
            EXPECT_EQ(digester.GoodPieces(slot), shrink ? 3 : 4);
            EXPECT_EQ(digester.ReadError(slot).Code(), shrink ? kErrFileShrank : 0);
            EXPECT_EQ(digester.ReadError(slot).Path(), shrink ? "shrinks" : "");
            EXPECT_EQ(digester.FailedTag(slot), shrink ? 3u : 0u);
            const std::string padded = bytes.substr(0, 100) + std::string(200, '\0');
            const std::vector<std::string> expected = {
                Digest(piece(0, kPiece)), Digest(piece(0, kPiece)), Digest(padded), Digest(piece(0, kPiece))};
            for (int i = 0; i < digester.GoodPieces(slot); ++i)
                EXPECT_EQ(Digest(digester.Digest(slot, i)), expected[static_cast<std::size_t>(i)]) << i;
            digester.Release(slot);
        }
    }
}

// Measuring, the two ways take turns until each has its samples (a slow
// first slot of each does not sway it); then mapping stays only when it was
// both faster and cheaper in processor time, else reading does; a failed
// mapping reads from then on; a forced way never changes.
TEST(ReadChoice, TakesTurnsThenKeepsTheCheaperWay)
{
    using TMode = TReadChoice::TMode;

    const struct
    {
        bool MapFaster;
        bool MapCheaper;
    } kCases[] = {{true, true}, {true, false}, {false, true}, {false, false}};

    for (const auto& c : kCases)
    {
        SCOPED_TRACE(std::to_string(c.MapFaster) + std::to_string(c.MapCheaper));
        TReadChoice choice(TMode::Measure);
        std::size_t maps = 0;
        for (std::size_t i = 0; i < 2 * TReadChoice::kSamples; ++i)
        {
            const bool map = choice.Map();
            maps += map ? 1 : 0;
            const int64_t slow = i < 2 ? 5 : 1;
            const int64_t time = (map == c.MapFaster ? 1000 : 2000) * slow;
            const int64_t cpu = (map == c.MapCheaper ? 1000 : 2000) * slow;
            choice.Record(map, time, cpu, 1000);
        }
        EXPECT_EQ(maps, TReadChoice::kSamples);
        const bool mapped = c.MapFaster && c.MapCheaper;
        EXPECT_EQ(choice.Map(), mapped);
        choice.Record(!mapped, 1, 1, 1000);
        EXPECT_EQ(choice.Map(), mapped);
        EXPECT_EQ(choice.Chosen(), mapped ? TMode::Map : TMode::Read);
        EXPECT_EQ(choice.MayMap(), mapped);
    }

    TReadChoice waiting(TMode::Measure);
    for (std::size_t i = 0; i < TReadChoice::kSamples; ++i)
        waiting.Record(true, 1000, 1000, 1000);
    EXPECT_FALSE(waiting.Map());
    EXPECT_FALSE(waiting.Map());
    EXPECT_EQ(waiting.Chosen(), TMode::Measure);

    TReadChoice failing(TMode::Measure);
    failing.MapFailed();
    EXPECT_FALSE(failing.Map());
    EXPECT_FALSE(failing.MayMap());

    TReadChoice forced(TMode::Map);
    for (std::size_t i = 0; i < 2 * TReadChoice::kSamples; ++i)
        forced.Record(i % 2 == 0, i % 2 == 0 ? 9000 : 1, 1, 1000);
    EXPECT_TRUE(forced.Map());
}

TEST(OpenAheadPool, HandsOutResultsInOrderAndPassesOverWhatWasNotAsked)
{
    std::vector<std::size_t> items;
    for (std::size_t i = 1; i < 400; i += 2)
        items.push_back(i);
    for (const int threads : {1, 2})
    {
        SCOPED_TRACE(threads);
        TOpenAheadPool pool(
            threads,
            items,
            [](std::size_t i, TOpenedAhead& result)
            {
                if (i % 10 == 5)
                    result.Error = TError::File(std::to_string(i), TFileAction::Open, ENOENT);
                else
                    result.Error = TError::Other(std::to_string(i));
            });
        TOpenedAhead result;
        // Item 1 is passed over; 4 is no item; 5 failed to open; far ahead
        // of what was opened so far still comes.
        for (const std::size_t asked : {3u, 4u, 5u, 7u, 201u, 399u})
        {
            const bool item = asked % 2 == 1;
            ASSERT_EQ(pool.Take(asked, result), item) << asked;
            if (!item)
                continue;
            const bool missing = asked % 10 == 5;
            EXPECT_EQ(result.Error.Code(), missing ? ENOENT : kErrOther) << asked;
            EXPECT_EQ(result.Error.Path(), missing ? std::to_string(asked) : "") << asked;
            EXPECT_EQ(result.Error.Message() == std::to_string(asked), !missing) << asked;
        }
        // Passed-over items are gone.
        EXPECT_FALSE(pool.Take(399, result));
    }
}

class HashedStorageParts : public ::testing::TestWithParam<int>
{
};

INSTANTIATE_TEST_SUITE_P(Threads, HashedStorageParts, ::testing::Values(1, 2, 4));

// What each fault at an exact read does to a whole run, the same whatever
// the threads, the cache and the read path: the exact policy ends the run
// with the sequential run's message; padding marks the file as changed.
TEST_P(HashedStorageParts, FaultsAtChosenReadsGiveTheSequentialResult)
{
    const std::vector<int64_t> sizes = {40000, 300000, 5000};

    // Pieces: those finished before the fault in the long file, where it
    // strikes at the read that starts 25,536 bytes in (the second piece's
    // start) and a change shows once the file has been read.
    const struct
    {
        const char* Name;
        TFilesChange Change;
        int Failure;
        int Error;
        int64_t Pieces;
    } kCases[] = {
        {"shrunk", Shrink, 0, kErrFileShrank, 2},
        {"grown", Grow, 0, kErrChangedWhileRead, 5},
        {"written in place", WriteInPlace, 0, kErrChangedWhileRead, 5},
        {"replaced", Replace, 0, kErrChangedWhileRead, 5},
        {"removed", Remove, 0, kErrChangedWhileRead, 5},
        {"read fails", nullptr, EIO, EIO, 1},
    };

    for (const auto& c : kCases)
    {
        // The small first file's only read, or a read inside the long one.
        for (const std::string target : {"m/f0", "m/f1"})
        {
            for (const bool cached : {true, false})
            {
                for (const auto policy : {TLengthPolicy::Exact, TLengthPolicy::PadToListed})
                {
                    const bool exact = policy == TLengthPolicy::Exact;
                    SCOPED_TRACE(
                        std::string(c.Name) + " " + target + (cached ? "" : " uncached") + (exact ? "" : " padded"));
                    TMemoryFiles fs;
                    std::vector<TTorrentSubFile> files;
                    for (std::size_t i = 0; i < sizes.size(); ++i)
                    {
                        const std::string path = "m/f" + std::to_string(i);
                        fs.Write(
                            path, test::RandomBytes(static_cast<std::size_t>(sizes[i]), 9 + static_cast<uint32_t>(i)));
                        const TPathInfo info = fs.Info(path);
                        TTorrentSubFile entry(path, "", sizes[i], 0);
                        entry.FullPath = path;
                        entry.ListedDevice = info.Device;
                        entry.ListedInode = info.Inode;
                        entry.ListedModified = info.Modified;
                        files.push_back(entry);
                    }
                    fs.Cached = cached;
                    std::mutex mutex;
                    bool struck = false;
                    fs.BeforeRead = [&](const std::string& path, int64_t at)
                    {
                        std::lock_guard lock(mutex);
                        if (path != target || (!struck && target == "m/f1" && at == 0))
                            return 0;
                        // A change happens once; a failing read stays failing.
                        if (!struck && c.Change)
                            c.Change(fs, path);
                        struck = true;
                        return c.Failure;
                    };
                    THashJob job;
                    job.Files = files;
                    job.PieceLength = 65536;
                    job.BasePath = "m";
                    job.FileSystem = &fs;
                    job.ThreadCount = GetParam();
                    job.LengthPolicy = policy;
                    THashProgress quiet;
                    const THashResult run = HashFiles(job, quiet);
                    EXPECT_TRUE(struck);
                    if (exact)
                    {
                        EXPECT_EQ(run.Error.Code(), c.Error);
                        EXPECT_EQ(run.Error.Path(), target);
                        EXPECT_EQ(run.Error.Message(), FileMessage(target, "gelesen", SystemErrorText(c.Error)));
                        EXPECT_EQ(static_cast<int64_t>(run.Pieces.size()), target == "m/f0" ? 0 : c.Pieces);
                        continue;
                    }
                    // Zeros stand in for what cannot be read: the pieces
                    // show it, the file is no changed one.
                    EXPECT_FALSE(run.Failed()) << run.Error.Message();
                    EXPECT_EQ(static_cast<int64_t>(run.Pieces.size()), 6);
                    const std::vector<std::size_t> none;
                    EXPECT_EQ(run.ChangedFiles, c.Change ? std::vector<std::size_t>{target == "m/f0" ? 0u : 1u} : none);
                }
            }
        }
    }
}

} // namespace
} // namespace brisolt
