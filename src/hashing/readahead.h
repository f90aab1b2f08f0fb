// Reads small content files ahead of the hashing run on a few threads, so
// that opening, checking and reading thousands of them is spread across the
// cores while the run consumes them in order. Each file is opened, checked,
// read whole and closed on a worker; the run takes the results in file order.
// Memory stays within a fixed number of files and bytes ahead of the one
// taken last. Take is called from one thread, the run's.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brisolt
{

// What reading one file ahead found.
struct TReadAhead
{
    std::string Path;
    bool Opened = false;
    // Why it could not be opened, or why reading stopped after Bytes.
    std::string Reason;
    int64_t Size = 0; // taken at opening
    // Bytes read from the start, at most the listed length + 1; valid until
    // the next Take.
    const char* Data = nullptr;
    int64_t Bytes = 0;
    bool ReadFailed = false; // reading ended with an error after Bytes

    // The same contract as TContentFile::ReadAt, from the bytes read.
    [[nodiscard]] int64_t ReadAt(char* target, int64_t want, int64_t offset, std::string& reason) const;
};

class TReadAheadPool
{
public:
    struct TItem
    {
        std::size_t File; // index in the run's file list
        int64_t Length;   // listed length: one byte more is read, to see growth
    };

    // items in file order; resolve gives an item's path (called on workers);
    // lockShared as for TContentFile::Open.
    TReadAheadPool(
        int threads, std::vector<TItem> items, std::function<std::string(std::size_t)> resolve, bool lockShared);
    ~TReadAheadPool();
    TReadAheadPool(const TReadAheadPool&) = delete;
    TReadAheadPool& operator=(const TReadAheadPool&) = delete;

    // The result for file, waiting for it; false when file is not an item.
    // Files are asked in increasing order; items passed over are dropped.
    // The result's bytes stay valid until the next call.
    [[nodiscard]] bool Take(std::size_t file, TReadAhead& result);

    // Which files are read ahead: small ones only, so that a large file's
    // bytes are read when the run gets there.
    [[nodiscard]] static bool Wanted(int64_t length);

private:
    void WorkerLoop();
    void ReadOne(std::size_t item);
    [[nodiscard]] bool MayStart() const;

    std::vector<TItem> Items;
    std::function<std::string(std::size_t)> Resolve;
    bool LockShared;
    std::vector<TReadAhead> Results;
    std::vector<char> Ready;
    std::unique_ptr<char[]> Buffers;
    std::size_t Next = 0;     // next item to start
    std::size_t Consumed = 0; // items taken or passed over
    bool Stopping = false;
    int IdleWorkers = 0;
    bool ConsumerWaiting = false;
    std::mutex Mutex;
    std::condition_variable WorkReady;
    std::condition_variable ResultReady;
    std::vector<std::thread> Workers;
};

} // namespace brisolt
