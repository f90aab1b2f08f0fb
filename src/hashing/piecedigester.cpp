#include "hashing/piecedigester.h"

#include <algorithm>
#include <cstring>

#include "core/messagedigests.h"

namespace brisolt
{

namespace
{

// Small pieces travel in slots of about this size.
constexpr std::size_t kSlotBytes = 1024 * 1024;
// Past four slots, slots stop growing once they would hold this much.
constexpr std::size_t kSlotMemoryBound = 16u * 1024 * 1024;

} // namespace

int TPieceDigester::PiecesFor(int threadCount, std::size_t pieceLength)
{
    // One piece per slot keeps a sequential run's hooks exactly in step.
    if (threadCount <= 1)
        return 1;
    return static_cast<int>(std::max<std::size_t>(1, kSlotBytes / pieceLength));
}

int TPieceDigester::SlotsFor(int threadCount, std::size_t slotBytes)
{
    if (threadCount <= 1)
        return 1;
    const auto byMemory = static_cast<int>(4 + kSlotMemoryBound / slotBytes);
    return std::min(threadCount * 2, byMemory);
}

TPieceDigester::TPieceDigester(int threadCount, std::size_t pieceLength)
    : PieceLength(pieceLength)
    , SlotPieces(PiecesFor(threadCount, pieceLength))
    , Slots(static_cast<std::size_t>(SlotsFor(threadCount, pieceLength * static_cast<std::size_t>(SlotPieces))))
{
    for (auto& slot : Slots)
    {
        slot.Data = std::make_unique_for_overwrite<char[]>(pieceLength * static_cast<std::size_t>(SlotPieces));
        slot.Sizes.reserve(static_cast<std::size_t>(SlotPieces));
        slot.Digests.reserve(static_cast<std::size_t>(SlotPieces));
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
}

int TPieceDigester::TryAcquire()
{
    std::lock_guard lock(Mutex);
    for (std::size_t i = 0; i < Slots.size(); ++i)
    {
        TSlot& slot = Slots[i];
        if (!slot.Busy)
        {
            slot.Busy = true;
            slot.Done = false;
            slot.Failed = false;
            slot.Used = 0;
            slot.Sizes.clear();
            slot.Digests.clear();
            return static_cast<int>(i);
        }
    }
    return -1;
}

char* TPieceDigester::NextPiece(int slot)
{
    TSlot& s = Slots[Index(slot)];
    return s.Data.get() + s.Used;
}

int TPieceDigester::AddPiece(int slot, std::size_t size)
{
    TSlot& s = Slots[Index(slot)];
    s.Sizes.push_back(size);
    s.Used += PieceLength; // each piece keeps a whole piece's room
    return static_cast<int>(s.Sizes.size()) - 1;
}

void TPieceDigester::DigestSlot(TSlot& slot)
{
    TSHA1 sha;
    slot.Digests.resize(slot.Sizes.size());
    const std::size_t room = slot.Sizes.empty() ? 0 : slot.Used / slot.Sizes.size();
    for (std::size_t i = 0; i < slot.Sizes.size(); ++i)
    {
        sha.Initialize();
        sha.Transform(slot.Data.get() + i * room, slot.Sizes[i]);
        sha.Complete();
        const std::string digest = sha.Digest();
        std::memcpy(slot.Digests[i].data(), digest.data(), slot.Digests[i].size());
    }
}

void TPieceDigester::Submit(int slot)
{
    TSlot& s = Slots[Index(slot)];
    if (Workers.empty())
    {
        DigestSlot(s); // on the caller's thread: its exceptions are the caller's
        s.Done = true;
        return;
    }
    {
        std::lock_guard lock(Mutex);
        Queue.push_back(slot);
    }
    WorkReady.notify_one();
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
        }
        lock.lock();
        Slots[Index(slot)].Failed = failed;
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

bool TPieceDigester::IsDone(int slot)
{
    std::lock_guard lock(Mutex);
    return Slots[Index(slot)].Done;
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
