// Digests whole pieces on a small pool of worker threads. The caller fills a
// slot's buffer with consecutive pieces, submits it, and later collects each
// piece's digest; a fixed number of slots bounds the memory. A slot holds
// several small pieces so that threads meet once per slot rather than once
// per piece. With one thread no worker is started, a slot holds one piece,
// and a submitted slot is digested at once on the calling thread. Every
// member function is called from the one owning thread; the workers only
// touch the slots they were handed.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brisolt
{

using TDigest = std::array<char, 20>;

class TPieceDigester
{
public:
    // threadCount >= 1; pieceLength > 0.
    TPieceDigester(int threadCount, std::size_t pieceLength);
    ~TPieceDigester();
    TPieceDigester(const TPieceDigester&) = delete;
    TPieceDigester& operator=(const TPieceDigester&) = delete;

    [[nodiscard]] int SlotCount() const { return static_cast<int>(Slots.size()); }

    // Pieces one slot holds.
    [[nodiscard]] int PiecesPerSlot() const { return SlotPieces; }

    // A free slot, or -1 when every slot is being filled or is in flight.
    [[nodiscard]] int TryAcquire();
    // Where the slot's next piece goes (PieceLength bytes of room).
    [[nodiscard]] char* NextPiece(int slot);
    // Records that the slot's next piece holds size bytes; returns its index
    // within the slot.
    int AddPiece(int slot, std::size_t size);

    [[nodiscard]] int PieceCount(int slot) const { return static_cast<int>(Slots[Index(slot)].Sizes.size()); }

    // Hands the slot's pieces to be digested.
    void Submit(int slot);
    // Blocks until the submitted slot is digested; false when a worker failed.
    [[nodiscard]] bool Wait(int slot);
    [[nodiscard]] bool IsDone(int slot);
    // The digest of a piece of a slot that Wait reported done.
    [[nodiscard]] const TDigest& Digest(int slot, int piece) const;
    // Gives a collected slot back for reuse.
    void Release(int slot);

    // Slots for a thread count: enough to keep every worker busy while the
    // reader fills the next; at most four once a slot is large.
    [[nodiscard]] static int SlotsFor(int threadCount, std::size_t slotBytes);
    // Pieces per slot: up to about 1 MiB of small pieces, else one.
    [[nodiscard]] static int PiecesFor(int threadCount, std::size_t pieceLength);

private:
    struct TSlot
    {
        std::unique_ptr<char[]> Data;
        std::vector<std::size_t> Sizes;
        std::vector<TDigest> Digests;
        std::size_t Used = 0; // bytes of the pieces added so far
        bool Busy = false;    // acquired and not yet released
        bool Done = false;    // digests ready
        bool Failed = false;
    };

    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }

    void WorkerLoop();
    static void DigestSlot(TSlot& slot);

    std::size_t PieceLength;
    int SlotPieces;
    std::vector<TSlot> Slots;
    std::mutex Mutex;
    std::condition_variable WorkReady;
    std::condition_variable DigestReady;
    std::deque<int> Queue;
    bool Stopping = false;
    std::vector<std::thread> Workers;
};

} // namespace brisolt
