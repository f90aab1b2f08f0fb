// Digests whole pieces on a small pool of worker threads. The caller acquires
// a slot (a move-only TFilling: one owner fills it), fills its buffer with
// consecutive pieces, or names consecutive pieces of one open file for the
// worker to read itself, submits it (giving up the TFilling for the slot's
// number), and later collects each piece's digest by that number and
// releases the slot; a fixed number of slots bounds the memory. A
// slot holds at least as many pieces as the SHA-1 path has vector lanes, and
// they are digested together, one piece per lane. Pieces a worker reads are
// streamed through the lanes in chunks, so a slot's buffer never needs a
// whole piece per lane. Pieces too large to copy whole the caller digests
// itself (CopiesPieces). With one thread no worker is started and a submitted
// slot is digested at once on the calling thread. Every member function is
// called from the one owning thread; the workers only touch the slots they
// were handed.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/fileio.h"

namespace brisolt
{

class TContentFile;

using TDigest = std::array<char, 20>;

// How workers get the pieces of a file they digest: mapped, or read into the
// slot's buffer. Which is faster depends on the machine, on how the file
// entered the page cache and on whether the cache holds it: a fresh mapping
// costs a fault per page on some virtual machines, a read costs a copy
// everywhere, and from the disk the two fetch ahead differently. Measuring,
// the first slots of a run take turns, and the rest map only when mapping
// took both less time and less processor time per byte (medians of kSamples
// each): the time counts the waits for the disk, the processor time is not
// stretched by other work on the machine, and reading is the safe way when
// the two disagree. Only files that the page cache holds are measured and
// mapped: from the disk, reading with the file's sequential read-ahead
// streams better than faults do. Any thread.
class TReadChoice
{
public:
    enum class TMode
    {
        Read,
        Map,
        Measure,
    };

    static constexpr std::size_t kSamples = 3;

    explicit TReadChoice(TMode mode)
        : Mode(mode)
        , Forced(mode != TMode::Measure)
    {
    }

    // Whether the way was given, not measured.
    [[nodiscard]] bool IsForced() const { return Forced; }

    // Whether a slot may still be mapped: false once reading is forced or
    // chosen, so that no slot asks the page cache in vain.
    [[nodiscard]] bool MayMap();
    // Whether the next slot maps.
    [[nodiscard]] bool Map();
    // What a slot took: the time and the processor time its worker spent on
    // bytes, mapped or read.
    void Record(bool mapped, int64_t nanoseconds, int64_t cpuNanoseconds, std::size_t bytes);
    // A file could not be mapped: read from now on.
    void MapFailed();
    // Measure until both ways have their samples, then the way chosen.
    [[nodiscard]] TMode Chosen();

private:
    std::mutex Mutex;
    TMode Mode;
    const bool Forced;
    int Asked = 0;

    struct TSamples
    {
        std::vector<double> Time; // per byte
        std::vector<double> Cpu;
    };

    TSamples Mapped;
    TSamples Read;
};

class TPieceDigester
{
public:
    // The right to fill one slot, from TryAcquire until Submit. Dropped
    // without being submitted, it gives the slot back.
    class TFilling
    {
    public:
        TFilling() = default;
        ~TFilling();
        TFilling(TFilling&& other) noexcept;
        TFilling& operator=(TFilling&& other) noexcept;
        TFilling(const TFilling&) = delete;
        TFilling& operator=(const TFilling&) = delete;

        // Whether it holds a slot.
        explicit operator bool() const { return Owner != nullptr; }

        // The slot's number, as the collecting calls take it.
        [[nodiscard]] int Slot() const { return Number; }

    private:
        friend class TPieceDigester;

        TFilling(TPieceDigester* owner, int number)
            : Owner(owner)
            , Number(number)
        {
        }

        TPieceDigester* Owner = nullptr;
        int Number = -1;
    };

    // threadCount >= 1; pieceLength > 0.
    TPieceDigester(int threadCount, std::size_t pieceLength);
    ~TPieceDigester();
    TPieceDigester(const TPieceDigester&) = delete;
    TPieceDigester& operator=(const TPieceDigester&) = delete;

    [[nodiscard]] int SlotCount() const { return static_cast<int>(Slots.size()); }

    // Whether the caller may copy pieces in (NextPiece, AddPiece); larger
    // pieces it digests itself as it reads them, and only whole pieces a
    // worker reads (AddFromFile) use the slots.
    [[nodiscard]] bool CopiesPieces() const { return Copies(PieceLength); }

    [[nodiscard]] static bool Copies(std::size_t pieceLength);

    // Pieces one slot holds when the caller copies them in.
    [[nodiscard]] int PiecesPerSlot() const { return SlotPieces; }

    // Pieces one slot takes when its worker reads them.
    [[nodiscard]] int FilePiecesPerSlot() const { return FileSlotPieces; }

    // The fewest pieces worth a slot of their own that a worker reads: any
    // once the caller would copy pieces one per slot (its lanes idle, and the
    // worker maps instead of copying), else a full slot.
    [[nodiscard]] int MinFilePieces() const { return SlotPieces == 1 ? 1 : FileSlotPieces; }

    // A free slot to fill, or none when every slot is being filled or is in
    // flight. The digester outlives it.
    [[nodiscard]] TFilling TryAcquire();
    // Where the slot's next piece goes (PieceLength bytes of room); throws
    // std::logic_error once the slot holds PiecesPerSlot pieces.
    [[nodiscard]] char* NextPiece(const TFilling& slot);
    // Records that the slot's next piece holds size bytes; returns its index
    // within the slot.
    int AddPiece(const TFilling& slot, std::size_t size);

    [[nodiscard]] int PieceCount(int slot) const { return static_cast<int>(Slots[Index(slot)].Sizes.size()); }

    // Pieces the worker reads itself: count pieces from offset of file (the
    // last one may be short, total bytes in all), into an empty slot. The file
    // stays open until the slot is done. pad: what the file cannot give is
    // zeros, never an error. tag: the caller's name for the file.
    void AddFromFile(
        const TFilling& slot,
        const TContentFile& file,
        int64_t offset,
        int count,
        int64_t total,
        bool pad,
        std::size_t tag);

    // Whether submitted slots go to worker threads (else they are digested at
    // once on the calling thread).
    [[nodiscard]] bool HasWorkers() const { return !Workers.empty(); }

    // A stretch of a file that the worker reads into the slot's next piece,
    // at byte into of it, before digesting the slot: length bytes from offset.
    // The slot holds the file open until it has been read. pad: what the file
    // cannot give is zeros, never an error. tag: the caller's name for the file.
    void AddExtent(
        const TFilling& slot,
        std::shared_ptr<const TContentFile> file,
        int64_t offset,
        std::size_t into,
        std::size_t length,
        bool pad,
        std::size_t tag);

    // Why the slot's reading failed (no failure when it did not, or was not
    // reading), and the tag of the file that failed.
    [[nodiscard]] const TError& ReadError(int slot) const { return Slots[Index(slot)].ReadError; }

    [[nodiscard]] std::size_t FailedTag(int slot) const { return Slots[Index(slot)].FailedTag; }

    // Counts the slot's acquisitions.
    [[nodiscard]] uint64_t Generation(int slot) const { return Slots[Index(slot)].Generation; }

    // Whether the slot's acquisition that generation names is done, released
    // or over; Wait blocks until it is.
    [[nodiscard]] bool IsDone(int slot, uint64_t generation);
    void Wait(int slot, uint64_t generation);

    // Blocks until every submitted slot is done.
    void WaitAll();

    // Hands the slot's pieces to be digested; its number, by which they are
    // collected.
    int Submit(TFilling slot);
    // Blocks until the submitted slot is digested; false when a worker failed.
    [[nodiscard]] bool Wait(int slot);

    // The slot's pieces that have a digest, from the first: all of them
    // unless Wait reported a failure; then those read whole before it.
    [[nodiscard]] int GoodPieces(int slot) const { return Slots[Index(slot)].Good; }

    [[nodiscard]] bool IsDone(int slot);
    // The digest of a piece of a slot that Wait reported done.
    [[nodiscard]] const TDigest& Digest(int slot, int piece) const;
    // Gives a collected slot back for reuse.
    void Release(int slot);

    // Slots for a thread count: enough to keep every worker busy while the
    // reader fills the next; fewer once slots are large, never under two.
    [[nodiscard]] static int SlotsFor(int threadCount, std::size_t slotBytes);
    // Pieces per slot: the SHA-1 lanes, more while small pieces stay within
    // about 1 MiB; one for a single scalar thread, so that its hooks keep
    // step with the reading.
    [[nodiscard]] static int PiecesFor(int threadCount, std::size_t pieceLength, int lanes);

private:
    struct TExtent
    {
        std::shared_ptr<const TContentFile> File;
        int64_t Offset = 0;
        std::size_t Into = 0; // where in the slot's buffer
        std::size_t Length = 0;
        bool Pad = false;
        std::size_t Tag = 0;
    };

    struct TSlot
    {
        TReadBuffer Data;
        std::vector<std::size_t> Sizes;
        std::vector<TDigest> Digests;
        std::size_t Used = 0;               // bytes of the pieces added so far
        const TContentFile* File = nullptr; // set when the worker reads
        int64_t Offset = 0;
        TError ReadError;
        std::size_t FailedTag = 0;
        std::size_t Tag = 0;          // of File
        bool Pad = false;             // for File
        std::vector<TExtent> Extents; // read before the slot is digested
        uint64_t Generation = 0;
        bool Busy = false; // acquired and not yet released
        bool Submitted = false;
        bool Done = false; // digests ready
        bool Failed = false;
        int Good = 0; // pieces digested, from the first; all unless Failed
    };

    static std::size_t Index(int slot) { return static_cast<std::size_t>(slot); }

    void WorkerLoop();
    void DigestSlot(TSlot& slot) const;
    void DigestWholePieces(TSlot& slot, std::size_t count) const;
    void DigestFromFile(TSlot& slot) const;
    void DigestRead(TSlot& slot, std::size_t total) const;
    [[nodiscard]] static bool MayBeCached(const TSlot& slot);
    [[nodiscard]] std::size_t ReadExtents(TSlot& slot) const;
    [[nodiscard]] bool DigestMapped(TSlot& slot) const;

    std::size_t PieceLength;
    std::size_t Chunk; // bytes of a piece per lane and pass, when reading
    int FileSlotPieces;
    int SlotPieces;
    std::size_t MapFrom; // slots of at least this many bytes may be mapped
    mutable TReadChoice Choice;
    std::size_t SlotBytes = 0;
    std::vector<TSlot> Slots;
    std::mutex Mutex;
    std::condition_variable WorkReady;
    std::condition_variable DigestReady;
    std::deque<int> Queue;
    bool Stopping = false;
    std::vector<std::thread> Workers;
};

} // namespace brisolt
