#include "hashing/openahead.h"

#include <algorithm>

namespace brisolt
{

namespace
{

// Files up to this size are opened ahead: for them the opening costs about
// as much as the reading.
constexpr int64_t kSmallFileBytes = 64 * 1024;
// How many files may be open ahead of the run.
constexpr std::size_t kAheadFiles = 64;

} // namespace

bool TOpenAheadPool::Wanted(int64_t length)
{
    return length <= kSmallFileBytes;
}

TOpenAheadPool::TOpenAheadPool(
    int threads, std::vector<std::size_t> files, std::function<void(std::size_t, TOpenedAhead&)> open)
    : Items(std::move(files))
    , Opener(std::move(open))
    , Results(Items.size())
    , Ready(Items.size(), 0)
{
    for (int i = 0; i < threads; ++i)
        Workers.emplace_back([this] { WorkerLoop(); });
}

TOpenAheadPool::~TOpenAheadPool()
{
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    WorkReady.notify_all();
    for (auto& worker : Workers)
        worker.join();
}

bool TOpenAheadPool::MayStart() const
{
    return Next < Items.size() && Next < Consumed + kAheadFiles;
}

void TOpenAheadPool::WorkerLoop()
{
    std::unique_lock lock(Mutex);
    for (;;)
    {
        if (!Stopping && !MayStart())
        {
            ++IdleWorkers;
            WorkReady.wait(lock, [this] { return Stopping || MayStart(); });
            --IdleWorkers;
        }
        if (Stopping)
            return;
        const std::size_t item = Next++;
        lock.unlock();
        // Only this worker touches the item's result until it is marked ready;
        // nothing may escape a worker thread: a failure is the file's.
        TOpenedAhead& result = Results[item];
        try
        {
            Opener(Items[item], result);
        }
        catch (const std::exception& e)
        {
            result.Error = TError::Other(e.what());
        }
        lock.lock();
        Ready[item] = 1;
        if (ConsumerWaiting)
            ResultReady.notify_one();
    }
}

bool TOpenAheadPool::Take(std::size_t file, TOpenedAhead& result)
{
    std::unique_lock lock(Mutex);
    std::size_t at = Consumed;
    while (at < Items.size() && Items[at] < file)
        ++at;
    if (at >= Items.size() || Items[at] != file)
        return false;
    // Items passed over and not yet started never are; those started close
    // their files with the pool.
    Next = std::max(Next, at);
    Consumed = at;
    if (Ready[at] == 0)
    {
        ConsumerWaiting = true;
        if (IdleWorkers > 0)
            WorkReady.notify_all();
        ResultReady.wait(lock, [&] { return Ready[at] != 0; });
        ConsumerWaiting = false;
    }
    result = std::move(Results[at]);
    Consumed = at + 1;
    // Idle workers are woken once half the room ahead is free, not per file.
    const bool wake = IdleWorkers > 0 && Next < Consumed + kAheadFiles / 2;
    lock.unlock();
    if (wake)
        WorkReady.notify_all();
    return true;
}

} // namespace brisolt
