// Opens small content files ahead of the hashing run on a few threads, so
// that the system calls of opening and checking thousands of them are spread
// across the cores while the run reads them in order. Each file is opened and
// checked (kind, size, lock) on a worker; the run takes the open files in
// file order and reads them itself, so what it reads is what the file holds
// when its turn comes. At most a fixed number of files are open ahead. Take is
// called from one thread, the run's.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hashing/contentfile.h"

namespace brisolt
{

// What opening one file ahead found.
struct TOpenedAhead
{
    TContentFile File; // its Path is the file's, opened or not
    TError Error;      // why it could not be opened
};

class TOpenAheadPool
{
public:
    // files: indexes in the run's file list, increasing; open fills in the
    // result for one of them (called on workers).
    TOpenAheadPool(int threads, std::vector<std::size_t> files, std::function<void(std::size_t, TOpenedAhead&)> open);
    ~TOpenAheadPool();
    TOpenAheadPool(const TOpenAheadPool&) = delete;
    TOpenAheadPool& operator=(const TOpenAheadPool&) = delete;

    // The result for file, waiting for it; false when file is not an item.
    // Files are asked in increasing order; items passed over are dropped.
    [[nodiscard]] bool Take(std::size_t file, TOpenedAhead& result);

    // Which files are opened ahead: small ones, for which opening costs about
    // as much as reading.
    [[nodiscard]] static bool Wanted(int64_t length);

private:
    void WorkerLoop();
    void ReadOne(std::size_t item);
    [[nodiscard]] bool MayStart() const;

    std::vector<std::size_t> Items;
    std::function<void(std::size_t, TOpenedAhead&)> Opener;
    std::vector<TOpenedAhead> Results;
    std::vector<char> Ready;
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
