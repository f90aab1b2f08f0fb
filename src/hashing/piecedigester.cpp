#include "hashing/piecedigester.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "core/sha1_many.h"
#include "hashing/contentfile.h"
#include "platform/cputime.h"

namespace brisolt
{

namespace
{

// Small pieces travel in slots of about this size.
constexpr std::size_t kSlotBytes = 1024 * 1024;
// The slots' buffers stay within this much when a slot is large.
constexpr std::size_t kSlotMemoryBound = 48u * 1024 * 1024;
// Pieces up to this size that the caller copies in fill a slot, one per lane;
// larger ones travel one per slot, so that a slot never needs a lane's worth
// of large pieces.
constexpr std::size_t kCopyPieceBytes = 512u * 1024;
// Pieces are copied whole only while two of them fit the memory bound; larger
// ones are digested as the caller reads them (whole ones inside a file still
// go to the workers, which read them in chunks).
constexpr std::size_t kCopyAtMostBytes = kSlotMemoryBound / 2;
// Pieces that a worker reads pass through the lanes in parts of this size (a
// multiple of the 64-byte block); sixteen of them fit the core's own cache.
constexpr std::size_t kChunkBytes = 64u * 1024;
// A worker maps the pieces it digests when they come to at least this much;
// below it the mapping's system calls cost more than the copy they spare.
constexpr std::size_t kMapFromBytes = 1024u * 1024;
// The views one worker keeps mapped at a time. Mapped pages are the page
// cache's own, not the process's memory, but the address space stays modest.
constexpr std::size_t kMapWindowBytes = 64u * 1024 * 1024;

// Workers measure whether mapping or reading the slots of a megabyte or more
// takes less time (TReadChoice). For tests and benchmarks, BRISOLT_READ_PATH=map
// maps every file piece instead, =mapsome maps slots of a megabyte or more,
// and =read maps none.
const char* ReadPathName()
{
    const char* forced = std::getenv("BRISOLT_READ_PATH");
    return forced != nullptr ? forced : "";
}

std::size_t MapFromBytes()
{
    const std::string_view name = ReadPathName();
    if (name == "map")
        return 0;
    if (name == "read")
        return std::numeric_limits<std::size_t>::max();
    return kMapFromBytes;
}

TReadChoice::TMode ReadMode()
{
    const std::string_view name = ReadPathName();
    if (name == "map" || name == "mapsome")
        return TReadChoice::TMode::Map;
    return name == "read" ? TReadChoice::TMode::Read : TReadChoice::TMode::Measure;
}

double Median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// Slot buffers outlive their run, so that the next run (the next torrent of
// the window, the next stretch of a check) touches no fresh page. Buffers of
// another size than a run needs are given back first: the pool never holds
// more than one run's worth.
class TBufferPool
{
public:
    std::vector<TReadBuffer> Take(std::size_t count, std::size_t bytes)
    {
        std::vector<TReadBuffer> taken;
        {
            std::lock_guard lock(Mutex);
            std::erase_if(Free, [&](const TReadBuffer& b) { return b.Size() != bytes; });
            while (!Free.empty() && taken.size() < count)
            {
                taken.push_back(std::move(Free.back()));
                Free.pop_back();
            }
        }
        while (taken.size() < count)
            taken.emplace_back(bytes);
        return taken;
    }

    void Give(TReadBuffer buffer)
    {
        std::lock_guard lock(Mutex);
        Free.push_back(std::move(buffer));
    }

private:
    std::mutex Mutex;
    std::vector<TReadBuffer> Free;
};

TBufferPool& Buffers()
{
    static TBufferPool pool;
    return pool;
}

// Reads length bytes at offset into target; the failure when the file ends
// first or fails. With pad, what the file cannot give is zeros and reading
// never fails.
TError ReadStretch(const TContentFile& file, char* target, std::size_t length, int64_t offset, bool pad)
{
    if (!pad)
        return file.ReadFullAt(target, static_cast<int64_t>(length), offset);
    std::size_t done = 0;
    while (done < length)
    {
        const TResult<int64_t> n =
            file.ReadAt(target + done, static_cast<int64_t>(length - done), offset + static_cast<int64_t>(done));
        if (!n || *n == 0)
            break;
        done += static_cast<std::size_t>(*n);
    }
    std::memset(target + done, 0, length - done);
    return {};
}

} // namespace

bool TReadChoice::MayMap()
{
    std::lock_guard lock(Mutex);
    return Mode != TMode::Read;
}

bool TReadChoice::Map()
{
    std::lock_guard lock(Mutex);
    if (Mode != TMode::Measure)
        return Mode == TMode::Map;
    const bool mapsDone = Mapped.Time.size() >= kSamples;
    const bool readsDone = Read.Time.size() >= kSamples;
    if (mapsDone && readsDone)
    {
        const bool faster = Median(Mapped.Time) < Median(Read.Time);
        const bool cheaper = Median(Mapped.Cpu) < Median(Read.Cpu);
        Mode = faster && cheaper ? TMode::Map : TMode::Read;
        return Mode == TMode::Map;
    }
    // Slots in flight have not told their cost yet: the way that still
    // lacks samples goes next, else the two take turns.
    if (mapsDone != readsDone)
        return readsDone;
    return Asked++ % 2 == 0;
}

void TReadChoice::Record(bool mapped, int64_t nanoseconds, int64_t cpuNanoseconds, std::size_t bytes)
{
    std::lock_guard lock(Mutex);
    if (Mode != TMode::Measure || bytes == 0 || nanoseconds <= 0)
        return;
    TSamples& samples = mapped ? Mapped : Read;
    samples.Time.push_back(static_cast<double>(nanoseconds) / static_cast<double>(bytes));
    samples.Cpu.push_back(static_cast<double>(cpuNanoseconds) / static_cast<double>(bytes));
}

void TReadChoice::MapFailed()
{
    std::lock_guard lock(Mutex);
    Mode = TMode::Read;
}

TReadChoice::TMode TReadChoice::Chosen()
{
    std::lock_guard lock(Mutex);
    return Mode;
}

int TPieceDigester::PiecesFor(int threadCount, std::size_t pieceLength, int lanes)
{
    if (threadCount <= 1 && lanes <= 1)
        return 1;
    return static_cast<int>(std::max<std::size_t>(static_cast<std::size_t>(lanes), kSlotBytes / pieceLength));
}

bool TPieceDigester::Copies(std::size_t pieceLength)
{
    return pieceLength <= kCopyAtMostBytes;
}

int TPieceDigester::SlotsFor(int threadCount, std::size_t slotBytes)
{
    if (threadCount <= 1)
        return 1;
    const auto byMemory = static_cast<int>(std::max<std::size_t>(2, kSlotMemoryBound / slotBytes));
    return std::min(threadCount * 2, byMemory);
}

TPieceDigester::TPieceDigester(int threadCount, std::size_t pieceLength)
    : PieceLength(pieceLength)
    , Chunk(std::min(pieceLength, kChunkBytes))
    , FileSlotPieces(PiecesFor(threadCount, pieceLength, Sha1PathLanes(Sha1CurrentPath())))
    , SlotPieces(pieceLength <= kCopyPieceBytes ? FileSlotPieces : 1)
    , MapFrom(MapFromBytes())
    , Choice(ReadMode())
{
    // Room for the pieces the caller copies in, or for one chunk of each
    // piece a worker reads, whichever is more. Pages a run never touches are
    // never allocated.
    const std::size_t chunks = Chunk * static_cast<std::size_t>(FileSlotPieces);
    const std::size_t bytes =
        CopiesPieces() ? std::max(pieceLength * static_cast<std::size_t>(SlotPieces), chunks) : chunks;
    SlotBytes = bytes;
    Slots.resize(static_cast<std::size_t>(SlotsFor(threadCount, bytes)));
    auto buffers = Buffers().Take(Slots.size(), bytes);
    for (std::size_t i = 0; i < Slots.size(); ++i)
    {
        TSlot& slot = Slots[i];
        slot.Data = std::move(buffers[i]);
        slot.Sizes.reserve(static_cast<std::size_t>(FileSlotPieces));
        slot.Digests.reserve(static_cast<std::size_t>(FileSlotPieces));
    }
    if (threadCount > 1)
    {
        // More workers than slots in flight would only sleep.
        const int workers = std::min(threadCount, SlotCount() - 1);
        for (int i = 0; i < workers; ++i)
            Workers.emplace_back([this] { WorkerLoop(); });
    }
}

TPieceDigester::~TPieceDigester()
{
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    WorkReady.notify_all();
    for (auto& worker : Workers)
        worker.join();
    for (auto& slot : Slots)
        Buffers().Give(std::move(slot.Data));
}

TPieceDigester::TFilling::~TFilling()
{
    if (Owner != nullptr)
        Owner->Release(Number);
}

TPieceDigester::TFilling::TFilling(TFilling&& other) noexcept
    : Owner(std::exchange(other.Owner, nullptr))
    , Number(std::exchange(other.Number, -1))
{
}

TPieceDigester::TFilling& TPieceDigester::TFilling::operator=(TFilling&& other) noexcept
{
    if (this != &other)
    {
        if (Owner != nullptr)
            Owner->Release(Number);
        Owner = std::exchange(other.Owner, nullptr);
        Number = std::exchange(other.Number, -1);
    }
    return *this;
}

TPieceDigester::TFilling TPieceDigester::TryAcquire()
{
    std::lock_guard lock(Mutex);
    for (std::size_t i = 0; i < Slots.size(); ++i)
    {
        TSlot& slot = Slots[i];
        if (!slot.Busy)
        {
            slot.Busy = true;
            slot.Submitted = false;
            slot.Done = false;
            slot.Failed = false;
            slot.Used = 0;
            slot.File = nullptr;
            slot.ReadError = {};
            slot.FailedTag = 0;
            slot.Pad = false;
            slot.Extents.clear();
            slot.Good = 0;
            ++slot.Generation;
            slot.Sizes.clear();
            slot.Digests.clear();
            return {this, static_cast<int>(i)};
        }
    }
    return {};
}

char* TPieceDigester::NextPiece(const TFilling& slot)
{
    TSlot& s = Slots[Index(slot.Slot())];
    if (s.Used + PieceLength > s.Data.Size())
        throw std::logic_error("piece slot is full");
    return s.Data.Data() + s.Used;
}

int TPieceDigester::AddPiece(const TFilling& slot, std::size_t size)
{
    TSlot& s = Slots[Index(slot.Slot())];
    s.Sizes.push_back(size);
    s.Used += PieceLength; // each piece keeps a whole piece's room
    return static_cast<int>(s.Sizes.size()) - 1;
}

void TPieceDigester::AddFromFile(
    const TFilling& slot, const TContentFile& file, int64_t offset, int count, int64_t total, bool pad, std::size_t tag)
{
    TSlot& s = Slots[Index(slot.Slot())];
    s.File = &file;
    s.Tag = tag;
    s.Pad = pad;
    s.Offset = offset;
    for (int i = 0; i < count; ++i)
    {
        const auto size = std::min(static_cast<int64_t>(PieceLength), total);
        s.Sizes.push_back(static_cast<std::size_t>(size));
        total -= size;
    }
}

void TPieceDigester::AddExtent(
    const TFilling& slot,
    std::shared_ptr<const TContentFile> file,
    int64_t offset,
    std::size_t into,
    std::size_t length,
    bool pad,
    std::size_t tag)
{
    TSlot& s = Slots[Index(slot.Slot())];
    if (into > PieceLength || length > PieceLength - into || s.Used + PieceLength > s.Data.Size())
        throw std::logic_error("stretch outside the piece slot");
    s.Extents.push_back({std::move(file), offset, s.Used + into, length, pad, tag});
}

void TPieceDigester::DigestSlot(TSlot& slot) const
{
    slot.Digests.resize(slot.Sizes.size());
    if (slot.File != nullptr)
    {
        DigestFromFile(slot);
        slot.Good = slot.ReadError ? 0 : static_cast<int>(slot.Sizes.size());
        if (slot.ReadError)
            slot.FailedTag = slot.Tag;
        return;
    }
    DigestWholePieces(slot, ReadExtents(slot));
}

// Fills the slot's stretches from their files, in order, and returns how
// many of its pieces are whole: all of them, or at the first stretch that
// fails (its reason and tag recorded) those that end before it. Files are let
// go once read, so the last holder closes them.
std::size_t TPieceDigester::ReadExtents(TSlot& slot) const
{
    std::size_t whole = slot.Sizes.size();
    for (const TExtent& e : slot.Extents)
    {
        char* target = slot.Data.Data() + e.Into;
        slot.ReadError = ReadStretch(*e.File, target, e.Length, e.Offset, e.Pad);
        if (slot.ReadError)
        {
            slot.FailedTag = e.Tag;
            whole = 0;
            while (whole < slot.Sizes.size() && whole * PieceLength + slot.Sizes[whole] <= e.Into)
                ++whole;
            break;
        }
    }
    slot.Extents.clear();
    return whole;
}

// The slot's first count pieces lie whole in its buffer, each at its
// piece's room.
void TPieceDigester::DigestWholePieces(TSlot& slot, std::size_t count) const
{
    slot.Good = static_cast<int>(count);
    if (count == 0)
        return;
    std::vector<TSha1Part> parts(count);
    for (std::size_t i = 0; i < count; ++i)
        parts[i] = {reinterpret_cast<const uint8_t*>(slot.Data.Data() + i * PieceLength), slot.Sizes[i]};
    TSha1Many sha;
    sha.Start(count);
    sha.Finish(parts);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(slot.Digests[i].data(), sha.Digest(i).data(), slot.Digests[i].size());
}

// The lanes read the file's pages where they lie. Up to a window's worth the
// slot is one view; beyond it each lane walks its piece through views of its
// own, so that what is mapped stays bounded whatever the piece length. False
// when the file could not be mapped (nothing is recorded then).
bool TPieceDigester::DigestMapped(TSlot& slot) const
{
    const std::size_t count = slot.Sizes.size();
    const std::size_t total = std::accumulate(slot.Sizes.begin(), slot.Sizes.end(), std::size_t{0});
    std::vector<TSha1Part> parts(count);
    TSha1Many sha;
    sha.Start(count);
    if (total <= kMapWindowBytes)
    {
        TFileMapping view;
        if (!slot.File->Map(slot.Offset, static_cast<int64_t>(total), view))
            return false;
        for (std::size_t i = 0; i < count; ++i)
            parts[i] = {reinterpret_cast<const uint8_t*>(view.Data() + i * PieceLength), slot.Sizes[i]};
        sha.Finish(parts);
        if (!view.Intact())
        {
            slot.ReadError = TError::File(slot.File->Path(), TFileAction::Read, kErrFileShrank);
            return true;
        }
    }
    else
    {
        const std::size_t window = std::max(kMapWindowBytes / count / 64 * 64, kChunkBytes);
        std::vector<TFileMapping> views(count);
        std::vector<std::size_t> done(count, 0);
        for (bool last = false; !last;)
        {
            last = true;
            for (std::size_t i = 0; i < count; ++i)
                last = last && slot.Sizes[i] - done[i] <= window;
            for (std::size_t i = 0; i < count; ++i)
            {
                const std::size_t rest = slot.Sizes[i] - done[i];
                parts[i].Size = last || rest > window ? std::min(rest, window) : 0;
                views[i] = TFileMapping();
                if (parts[i].Size == 0)
                    continue;
                const auto at = slot.Offset + static_cast<int64_t>(i * PieceLength + done[i]);
                if (!slot.File->Map(at, static_cast<int64_t>(parts[i].Size), views[i]))
                    return false;
                parts[i].Data = reinterpret_cast<const uint8_t*>(views[i].Data());
                done[i] += parts[i].Size;
            }
            if (last)
                sha.Finish(parts);
            else
                sha.Feed(parts);
            if (!std::all_of(views.begin(), views.end(), [](const TFileMapping& v) { return v.Intact(); }))
            {
                slot.ReadError = TError::File(slot.File->Path(), TFileAction::Read, kErrFileShrank);
                return true;
            }
        }
    }
    // Cut short inside the last page, a file faults nowhere: its size tells.
    if (slot.File->SizeNow() < slot.Offset + static_cast<int64_t>(total))
    {
        slot.ReadError = TError::File(slot.File->Path(), TFileAction::Read, kErrFileShrank);
        return true;
    }
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(slot.Digests[i].data(), sha.Digest(i).data(), slot.Digests[i].size());
    return true;
}

void TPieceDigester::DigestFromFile(TSlot& slot) const
{
    const std::size_t total = std::accumulate(slot.Sizes.begin(), slot.Sizes.end(), std::size_t{0});
    // A mapping tells a short file only after the fact: padding reads.
    if (total < MapFrom || slot.Pad || !Choice.MayMap() || (!Choice.IsForced() && !MayBeCached(slot)))
    {
        DigestRead(slot, total);
        return;
    }
    const bool map = Choice.Map();
    const auto start = std::chrono::steady_clock::now();
    const int64_t cpuStart = ThreadCpuNanoseconds();
    if (map && !DigestMapped(slot))
    {
        Choice.MapFailed();
        DigestRead(slot, total);
        return;
    }
    if (!map)
        DigestRead(slot, total);
    const auto took = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start);
    if (!slot.ReadError)
        Choice.Record(map, took.count(), ThreadCpuNanoseconds() - cpuStart, total);
}

// Whether the page cache holds the slot's file: a byte at each of a few
// points spread over the whole file, so that what read-ahead has just
// fetched around the slot does not count; true where the system cannot
// tell.
bool TPieceDigester::MayBeCached(const TSlot& slot)
{
    constexpr int kPoints = 8;
    const int64_t size = slot.File->Size();
    char probe = 0;
    for (int i = 0; i < kPoints; ++i)
    {
        if (slot.File->ReadCachedAt(&probe, 1, size / kPoints * i) == -1)
            return false;
    }
    return true;
}

// Each piece in turn gives the lanes its next chunk, so the buffer holds one
// chunk per piece; the pieces' states wait in the digest between chunks.
void TPieceDigester::DigestRead(TSlot& slot, std::size_t total) const
{
    const std::size_t count = slot.Sizes.size();
    // Whole pieces lie next to each other in the file and in the buffer: one
    // read takes them all when the buffer holds them.
    if (total <= SlotBytes)
    {
        slot.ReadError = ReadStretch(*slot.File, slot.Data.Data(), total, slot.Offset, slot.Pad);
        if (!slot.ReadError)
            DigestWholePieces(slot, count);
        return;
    }
    std::vector<TSha1Part> parts(count);
    std::vector<std::size_t> done(count, 0);
    for (std::size_t i = 0; i < count; ++i)
        parts[i].Data = reinterpret_cast<const uint8_t*>(slot.Data.Data() + i * Chunk);
    const auto read = [&](std::size_t i, std::size_t size)
    {
        const auto at = slot.Offset + static_cast<int64_t>(i * PieceLength + done[i]);
        slot.ReadError = ReadStretch(*slot.File, slot.Data.Data() + i * Chunk, size, at, slot.Pad);
        if (slot.ReadError)
            return false;
        done[i] += size;
        return true;
    };
    TSha1Many sha;
    sha.Start(count);
    for (;;)
    {
        bool more = false;
        for (std::size_t i = 0; i < count; ++i)
        {
            parts[i].Size = slot.Sizes[i] - done[i] > Chunk ? Chunk : 0;
            if (parts[i].Size > 0 && !read(i, parts[i].Size))
                return;
            more = more || parts[i].Size > 0;
        }
        if (!more)
            break;
        sha.Feed(parts);
    }
    // Whole small pieces lie next to each other in the file and in the
    // buffer: one read takes them all.
    if (Chunk == PieceLength)
    {
        slot.ReadError = ReadStretch(*slot.File, slot.Data.Data(), total, slot.Offset, slot.Pad);
        if (slot.ReadError)
            return;
        for (std::size_t i = 0; i < count; ++i)
            parts[i].Size = slot.Sizes[i];
    }
    else
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            parts[i].Size = slot.Sizes[i] - done[i];
            if (!read(i, parts[i].Size))
                return;
        }
    }
    sha.Finish(parts);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(slot.Digests[i].data(), sha.Digest(i).data(), slot.Digests[i].size());
}

int TPieceDigester::Submit(TFilling filling)
{
    const int slot = std::exchange(filling.Number, -1);
    filling.Owner = nullptr;
    TSlot& s = Slots[Index(slot)];
    if (Workers.empty())
    {
        DigestSlot(s); // on the caller's thread: its exceptions are the caller's
        s.Failed = s.ReadError.Failed();
        s.Done = true;
        return slot;
    }
    {
        std::lock_guard lock(Mutex);
        s.Submitted = true;
        Queue.push_back(slot);
    }
    WorkReady.notify_one();
    return slot;
}

void TPieceDigester::WorkerLoop()
{
    std::unique_lock lock(Mutex);
    for (;;)
    {
        WorkReady.wait(lock, [this] { return Stopping || !Queue.empty(); });
        if (Stopping)
            return;
        const int slot = Queue.front();
        Queue.pop_front();
        lock.unlock();
        bool failed = false;
        // Nothing may escape a worker thread; a failure reaches the reader.
        try
        {
            DigestSlot(Slots[Index(slot)]);
        }
        catch (...)
        {
            failed = true;
            Slots[Index(slot)].Good = 0;
        }
        lock.lock();
        Slots[Index(slot)].Failed = failed || Slots[Index(slot)].ReadError.Failed();
        Slots[Index(slot)].Done = true;
        DigestReady.notify_all();
    }
}

bool TPieceDigester::Wait(int slot)
{
    std::unique_lock lock(Mutex);
    DigestReady.wait(lock, [&] { return Slots[Index(slot)].Done; });
    return !Slots[Index(slot)].Failed;
}

void TPieceDigester::WaitAll()
{
    std::unique_lock lock(Mutex);
    DigestReady.wait(
        lock,
        [&]
        {
            return Queue.empty()
                   && std::none_of(
                       Slots.begin(), Slots.end(), [](const TSlot& s) { return s.Busy && s.Submitted && !s.Done; });
        });
}

bool TPieceDigester::IsDone(int slot)
{
    std::lock_guard lock(Mutex);
    return Slots[Index(slot)].Done;
}

bool TPieceDigester::IsDone(int slot, uint64_t generation)
{
    std::lock_guard lock(Mutex);
    const TSlot& s = Slots[Index(slot)];
    return s.Generation != generation || s.Done || !s.Busy;
}

void TPieceDigester::Wait(int slot, uint64_t generation)
{
    std::unique_lock lock(Mutex);
    const TSlot& s = Slots[Index(slot)];
    DigestReady.wait(lock, [&] { return s.Generation != generation || s.Done || !s.Busy; });
}

const TDigest& TPieceDigester::Digest(int slot, int piece) const
{
    return Slots[Index(slot)].Digests[static_cast<std::size_t>(piece)];
}

void TPieceDigester::Release(int slot)
{
    std::lock_guard lock(Mutex);
    Slots[Index(slot)].Busy = false;
    Slots[Index(slot)].Done = false;
}

} // namespace brisolt
