#include "hashing/hashedstorage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <stdexcept>
#include <thread>

#include "core/sha1_many.h"
#include "hashing/contentfile.h"
#include "hashing/openahead.h"
#include "hashing/piecedigester.h"
#include "platform/fileio.h"

namespace brisolt
{

namespace
{

constexpr int kMaxThreads = 64;
// Files whose reading is left to the workers and whose check is still due:
// each stays open until then, and the process's open files are limited.
constexpr int kMaxPendingFiles = 256;
// Pieces too large to copy whole are read in parts of at most this size.
constexpr int64_t kStreamChunkBytes = 256 * 1024;
constexpr std::size_t kBlock = 64;

// One piece digested while it is read, through a buffer of one part: the
// digest takes whole blocks, so the part's last bytes short of a block wait
// at the buffer's front for the next part.
class TPieceStream
{
public:
    TPieceStream()
        : Buffer(static_cast<std::size_t>(kStreamChunkBytes) + kBlock)
    {
    }

    // Where the next part goes (kStreamChunkBytes of room).
    [[nodiscard]] char* Room() { return Buffer.Data() + Carry; }

    // The next part, of bytes bytes, is in Room.
    void Add(std::size_t bytes)
    {
        if (!Started)
        {
            Sha.Start(1);
            Started = true;
        }
        const std::size_t have = Carry + bytes;
        const std::size_t whole = have - have % kBlock;
        const TSha1Part part{reinterpret_cast<const uint8_t*>(Buffer.Data()), whole};
        Sha.Feed({&part, 1});
        Carry = have - whole;
        std::memmove(Buffer.Data(), Buffer.Data() + whole, Carry);
    }

    // The piece's digest; the stream is ready for the next piece.
    TDigest Finish()
    {
        if (!Started)
            Sha.Start(1);
        const TSha1Part part{reinterpret_cast<const uint8_t*>(Buffer.Data()), Carry};
        Sha.Finish({&part, 1});
        TDigest digest;
        std::memcpy(digest.data(), Sha.Digest(0).data(), digest.size());
        Carry = 0;
        Started = false;
        return digest;
    }

private:
    TReadBuffer Buffer;
    TSha1Many Sha;
    std::size_t Carry = 0;
    bool Started = false;
};

int EffectiveThreads(int requested)
{
    if (requested <= 0)
        requested = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::min(requested, kMaxThreads);
}

} // namespace

namespace
{

// One hashing run. The calling thread fills piece buffers with what the
// system's cache holds; with worker threads, stretches of files that would
// wait for the disk it names for them to read instead (at most
// kMaxPendingFiles files at a time; beyond, with one thread, and where the
// system cannot tell, it reads them itself); finished pieces go to the
// digester. A file whose stretches the workers read is checked for changes
// once they have read it, where its end is reported in order. Pieces too
// large for it to copy are digested here as they are read, part by part, so that memory stays a few parts
// whatever the piece length; runs of whole pieces inside a file still go to
// the workers. The hooks that report (FileStarted, PieceHashed) wait in a
// queue and are delivered in their sequential order: a file's FileStarted
// only after every piece that ended before it was recorded, and every piece
// before the next FileStarted or the end of the run. Queries (IsAborted,
// ProcessMessages) are made at their sequential points.
class TRun
{
public:
    TRun(const THashJob& job, THashProgress& progress, THashResult& result, int threads)
        : Job(job)
        , Progress(progress)
        , Result(result)
        , Digester(threads, static_cast<std::size_t>(job.PieceLength))
        , Locks(*job.FileSystem)
    {
        if (!Digester.CopiesPieces())
            Stream = std::make_unique<TPieceStream>();
        if (threads > 1)
            StartOpenAhead(threads);
    }

    void Run()
    {
        const std::size_t count = Job.Files.size();
        for (std::size_t i = 0; i < count; ++i)
        {
            // Asked for every entry, so that once raised every remaining
            // entry is skipped the same way.
            if (Aborted())
                continue;
            if (!HashFile(i, i == 0 ? Job.StartOffset : 0, i + 1 == count))
                break;
        }
        // Finished pieces still in the slot being filled are digested too;
        // a partly read piece is not, but its stretches are read, so that
        // the files before it get their check.
        if (!Stopped)
        {
            if (Filling)
                SubmitSlot();
            (void)Deliver(true);
        }
        // Checks of files read ahead and of the files after them come in
        // either order.
        std::sort(Result.ChangedFiles.begin(), Result.ChangedFiles.end());
    }

private:
    static constexpr int kFileStart = -1;
    static constexpr int kDigested = -2;
    static constexpr int kFileEnd = -3;

    struct TEvent
    {
        // A piece of a slot when >= 0, a piece the reader digested itself
        // (kDigested), a file start, or the end of a file the workers read.
        int Slot = kFileStart;
        int Piece = 0; // the piece's index within its slot
        std::string Path;
        int64_t Size = 0;
        TDigest Digest{}; // of a kDigested piece
        // kFileEnd: the slot that reads the file's last stretch, in the
        // acquisition its generation names; the file and its index.
        int Reads = -1;
        uint64_t Generation = 0;
        std::shared_ptr<const TContentFile> File = nullptr;
        std::size_t Index = 0;
    };

    // Small files are opened and checked ahead on threads of their own; with
    // fewer than two the cost is not worth a thread.
    void StartOpenAhead(int threads)
    {
        std::vector<std::size_t> items;
        for (std::size_t i = 0; i < Job.Files.size(); ++i)
        {
            if (TOpenAheadPool::Wanted(Job.Files[i].Length))
                items.push_back(i);
        }
        if (items.size() < 2)
            return;
        OpenAhead = std::make_unique<TOpenAheadPool>(
            threads,
            std::move(items),
            [this](std::size_t i, TOpenedAhead& result) { result.Error = OpenEntry(i, result.File); });
    }

    // Opens an entry. A listed file's open is its only system call before
    // reading: what the listing saw is checked once it has been read. Under
    // the exact policy a file another program holds locked is refused.
    TError OpenEntry(std::size_t index, TContentFile& file)
    {
        const TTorrentSubFile& entry = Job.Files[index];
        const std::string path = PathBytes(ResolvePath(Job, entry));
        TPathInfo listed;
        listed.Kind = TPathKind::RegularFile;
        listed.Size = entry.Length;
        listed.Device = entry.ListedDevice;
        listed.Inode = entry.ListedInode;
        listed.Modified = entry.ListedModified;
        const bool exact = Job.LengthPolicy == TLengthPolicy::Exact;
        return file.Open(path, entry.ListedInode != 0 ? &listed : nullptr, exact ? &Locks : nullptr, *Job.FileSystem);
    }

    // Reads one file into the stream from byte start on; false when an error
    // ended the run. A file opened ahead is checked here as if opened now.
    bool HashFile(std::size_t index, int64_t start, bool last)
    {
        const TTorrentSubFile& entry = Job.Files[index];
        const bool pad = Job.LengthPolicy == TLengthPolicy::PadToListed;
        // Shared with the slots whose workers read it.
        const auto file = std::make_shared<TContentFile>();
        TError opened;
        TOpenedAhead ahead;
        if (OpenAhead && OpenAhead->Take(index, ahead))
        {
            *file = std::move(ahead.File);
            opened = std::move(ahead.Error);
        }
        else
            opened = OpenEntry(index, *file);
        if (opened && !pad)
            return Fail(std::move(opened));
        const std::string& path = file->Path();
        const int64_t size = pad ? entry.Length : file->Size();
        const bool defer = !Stream && Digester.HasWorkers() && file->IsOpen() && PendingFiles < kMaxPendingFiles;
        int reads = -1; // the slot that reads the file's last stretch
        uint64_t generation = 0;
        if (!pad && size != entry.Length)
            return Fail(TError::File(path, TFileAction::Read, kErrSizeChanged));
        Events.push_back({kFileStart, 0, path, size});
        if (!Deliver(false))
            return false;

        // Workers may still read the file: it stays open until they are done.
        struct TWaitForReaders
        {
            TPieceDigester& Digester;
            bool Armed = false;

            ~TWaitForReaders()
            {
                if (Armed)
                    Digester.WaitAll();
            }
        } readers{Digester};

        int64_t pos = std::min(start, size);
        for (;;)
        {
            Progress.BeforeRead();
            bool atEnd = false;
            if (Filled == 0 && AddFileSlot(*file, index, pad, pos, size, last))
            {
                if (Stopped)
                    return false;
                readers.Armed = true;
                atEnd = pos == size;
            }
            else
            {
                if (!Stream && !Filling && !(Filling = AcquireSlot()))
                    return false;
                int64_t want = std::min(Job.PieceLength - Filled, size - pos);
                if (Stream)
                    want = std::min(want, kStreamChunkBytes);
                char* target = Stream ? Stream->Room() : Digester.NextPiece(Filling) + Filled;
                int64_t got = 0;
                // What the system's cache holds is copied here at once; a
                // stretch that would wait for the disk is left to a worker,
                // so that the waits of many small files overlap.
                int64_t cached = -2;
                if (want > 0 && defer && !NoCachedReads)
                {
                    cached = AssumeUncached ? -1 : file->ReadCachedAt(target, want, pos);
                    NoCachedReads = cached == -2;
                }
                if (want > 0 && cached == want)
                {
                    got = want;
                }
                else if (want > 0 && cached != -2)
                {
                    Digester.AddExtent(
                        Filling,
                        file,
                        pos,
                        static_cast<std::size_t>(Filled),
                        static_cast<std::size_t>(want),
                        pad,
                        index);
                    got = want;
                    reads = Filling.Slot();
                    generation = Digester.Generation(reads);
                }
                else if (want > 0)
                {
                    TError failed = Read(*file, pad, pos, want, target, got);
                    if (failed)
                        return Fail(std::move(failed));
                }
                if (Stream)
                    Stream->Add(static_cast<std::size_t>(got));
                pos += got;
                Filled += got;
                atEnd = pos == size;
                if (Filled == Job.PieceLength || (atEnd && last && Filled > 0))
                    FinishPiece();
            }
            if (!Deliver(false))
                return false;
            if (atEnd)
                break;
            if (Aborted())
                return true;
        }
        if (readers.Armed)
        {
            Digester.WaitAll();
            if (!Deliver(false))
                return false;
        }
        if (reads >= 0)
        {
            TEvent end{kFileEnd, 0, path};
            end.Reads = reads;
            end.Generation = generation;
            end.File = file;
            end.Index = index;
            Events.push_back(std::move(end));
            ++PendingFiles;
            return Deliver(false);
        }
        if (!Check(*file, index))
            return Fail(TError::File(path, TFileAction::Read, kErrChangedWhileRead));
        return true;
    }

    // Bytes written, a file grown, cut, replaced or deleted meanwhile: what
    // was read need not be what the file holds. False when that ends the run;
    // a check of content records it.
    bool Check(const TContentFile& file, std::size_t index)
    {
        if (!file.IsOpen() || file.Unchanged())
            return true;
        if (Job.LengthPolicy == TLengthPolicy::Exact)
            return false;
        Result.ChangedFiles.push_back(index);
        return true;
    }

    // At a piece boundary with a full slot's worth of whole pieces left in
    // the file (or the file's and the content's end): a worker reads them
    // itself, straight from the file. False when the pieces are read here;
    // true with Stopped set when waiting for a slot met an earlier failure.
    bool AddFileSlot(const TContentFile& file, std::size_t index, bool pad, int64_t& pos, int64_t size, bool last)
    {
        // Padding reads zeros where the file falls short: only the reader does that.
        if (!file.IsOpen() || (pad && file.Size() != size))
            return false;
        const int64_t length = Job.PieceLength;
        const int64_t rest = size - pos;
        const int64_t full = Digester.FilePiecesPerSlot();
        int64_t pieces = rest / length;
        int64_t total = pieces * length;
        if (pieces >= full)
        {
            pieces = full;
            total = full * length;
        }
        else if (last && pieces > 0)
        {
            pieces += rest % length != 0 ? 1 : 0;
            total = rest;
        }
        else if (pieces == 0 || pieces < Digester.MinFilePieces())
        {
            return false;
        }
        if (Filling && Digester.PieceCount(Filling.Slot()) > 0)
            SubmitSlot();
        if (!Filling && !(Filling = AcquireSlot()))
            return true;
        Digester.AddFromFile(Filling, file, pos, static_cast<int>(pieces), total, pad, index);
        for (int i = 0; i < static_cast<int>(pieces); ++i)
            Events.push_back({Filling.Slot(), i, {}, 0});
        SubmitSlot();
        pos += total;
        return true;
    }

    // One read into the current piece. With padding, what the file cannot give
    // is zeros; otherwise a read that returns nothing before the size taken at
    // opening is an error, never a retry.
    static TError Read(const TContentFile& file, bool pad, int64_t pos, int64_t want, char* target, int64_t& got)
    {
        got = 0;
        if (file.IsOpen())
        {
            // At the offset: workers may have read the stretch before it.
            const TResult<int64_t> read = file.ReadAt(target, want, pos);
            if (!read && !pad)
                return read.Error();
            got = read ? *read : 0;
        }
        if (got == 0)
        {
            if (!pad)
                return TError::File(file.Path(), TFileAction::Read, kErrFileShrank);
            std::memset(target, 0, static_cast<std::size_t>(want));
            got = want;
        }
        return {};
    }

    // The current piece is complete: queue its report; a full slot goes to
    // the digester.
    void FinishPiece()
    {
        if (Stream)
        {
            Events.push_back({kDigested, 0, {}, 0, Stream->Finish()});
            Filled = 0;
            return;
        }
        const int piece = Digester.AddPiece(Filling, static_cast<std::size_t>(Filled));
        Events.push_back({Filling.Slot(), piece, {}, 0});
        Filled = 0;
        if (Digester.PieceCount(Filling.Slot()) == Digester.PiecesPerSlot())
            SubmitSlot();
    }

    void SubmitSlot() { (void)Digester.Submit(std::move(Filling)); }

    // A free slot; while none is free, the oldest pieces are waited for and
    // recorded, which frees their slot. None when that met a failure.
    TPieceDigester::TFilling AcquireSlot()
    {
        for (;;)
        {
            if (TPieceDigester::TFilling slot = Digester.TryAcquire())
                return slot;
            if (!DeliverOnePiece())
                return {};
        }
    }

    // Delivers queued events in order; stops at a piece whose digest is not
    // ready unless wait is set. False when a failure ended the run.
    [[nodiscard]] bool Deliver(bool wait)
    {
        while (!Events.empty())
        {
            const TEvent& front = Events.front();
            if (!wait && front.Slot >= 0 && !Digester.IsDone(front.Slot))
                return true;
            if (!wait && front.Slot == kFileEnd && !Digester.IsDone(front.Reads, front.Generation))
                return true;
            if (!DeliverFront())
                return false;
        }
        return true;
    }

    // Delivers events up to and including the oldest slot's last piece.
    [[nodiscard]] bool DeliverOnePiece()
    {
        while (!Events.empty())
        {
            const TEvent& front = Events.front();
            const bool lastOfSlot = front.Slot >= 0 && front.Piece + 1 == Digester.PieceCount(front.Slot);
            if (!DeliverFront())
                return false;
            if (lastOfSlot)
                return true;
        }
        throw std::logic_error("no piece buffer in flight");
    }

    // False when the event is a file's failure (a worker could not read it,
    // or it changed while read): that ends the run with the file's message,
    // and nothing queued after it is reported.
    [[nodiscard]] bool DeliverFront()
    {
        TEvent event = std::move(Events.front());
        Events.pop_front();
        if (event.Slot == kFileStart)
        {
            Progress.FileStarted(event.Path, event.Size);
            return true;
        }
        if (event.Slot == kFileEnd)
        {
            --PendingFiles;
            Digester.Wait(event.Reads, event.Generation);
            const bool same = Digester.Generation(event.Reads) == event.Generation;
            if (same && Digester.ReadError(event.Reads) && Digester.FailedTag(event.Reads) == event.Index)
                return Stop(Digester.ReadError(event.Reads));
            if (!Check(*event.File, event.Index))
                return Stop(TError::File(event.Path, TFileAction::Read, kErrChangedWhileRead));
            return true;
        }
        if (event.Slot == kDigested)
        {
            Result.Pieces.emplace_back(std::string_view(event.Digest.data(), event.Digest.size()), true);
        }
        else
        {
            if (!Digester.Wait(event.Slot) && event.Piece >= Digester.GoodPieces(event.Slot))
            {
                if (Digester.ReadError(event.Slot))
                    return Stop(Digester.ReadError(event.Slot));
                return Stop(TError::Other("SHA-1 digest failed"));
            }
            const TDigest& digest = Digester.Digest(event.Slot, event.Piece);
            Result.Pieces.emplace_back(std::string_view(digest.data(), digest.size()), true);
            if (event.Piece + 1 == Digester.PieceCount(event.Slot))
                Digester.Release(event.Slot);
        }
        Progress.PieceHashed(static_cast<int64_t>(Result.Pieces.size()));
        return true;
    }

    // A failure met while reading: the run ends after what is queued.
    bool Fail(TError error)
    {
        Result.Error = std::move(error);
        return false;
    }

    // A failure met while delivering: an earlier file's than one found
    // before, so it is the one a sequential run meets first; nothing queued
    // is delivered, and the run ends at once.
    bool Stop(TError error)
    {
        Events.clear();
        Stopped = true;
        return Fail(std::move(error));
    }

    bool Aborted() const { return Job.Abort != nullptr && Job.Abort->load(); }

    const THashJob& Job;
    THashProgress& Progress;
    THashResult& Result;
    TPieceDigester Digester;
    TLockWatch Locks;
    std::unique_ptr<TOpenAheadPool> OpenAhead;
    // Set when pieces are too large to copy whole: the reader digests them.
    std::unique_ptr<TPieceStream> Stream;
    std::deque<TEvent> Events;
    TPieceDigester::TFilling Filling; // the slot being filled
    int64_t Filled = 0;               // bytes of its current piece; PieceLength - Filled is "need"
    int PendingFiles = 0;             // kFileEnd events queued
    bool Stopped = false;             // a failure met while delivering ended the run
    bool NoCachedReads = false;       // the system cannot read from its cache alone
    // For tests and benchmarks, BRISOLT_ASSUME_UNCACHED=1 leaves every
    // stretch the workers may read to them, as if the cache held nothing.
    const bool AssumeUncached = std::getenv("BRISOLT_ASSUME_UNCACHED") != nullptr;
};

} // namespace

std::filesystem::path ResolvePath(const THashJob& job, const TTorrentSubFile& entry)
{
    if (!entry.FullPath.empty())
        return NativePath(entry.FullPath);
    if (job.MultiFile)
        return job.BasePath / NativeRelativePath(entry.Path, entry.Name);
    return job.BasePath;
}

namespace
{

// What makes a job impossible to run, or no failure.
TError JobError(const THashJob& job)
{
    if (job.PieceLength <= 0 || job.PieceLength > kMaxPieceLength)
        return TError::Other("invalid piece length " + std::to_string(job.PieceLength));
    // A negative length would never be reached by reading.
    for (const auto& entry : job.Files)
    {
        if (entry.Length < 0)
            return TError::Other("invalid file length " + std::to_string(entry.Length));
    }
    return {};
}

} // namespace

THashResult HashFiles(const THashJob& job, THashProgress& progress)
{
    THashResult result;
    progress.ReportStatus("start");
    try
    {
        result.Error = JobError(job);
        if (!result.Failed())
        {
            TRun run(job, progress, result, EffectiveThreads(job.ThreadCount));
            run.Run();
        }
    }
    catch (const std::exception& e)
    {
        // Nothing escapes the run (memory, threads, a broken promise inside
        // it): such a failure ends it like a file error.
        if (!result.Failed())
            result.Error = TError::Other(e.what());
    }
    progress.ReportStatus("done");
    return result;
}

} // namespace brisolt
