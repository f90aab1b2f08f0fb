#include "hashing/readahead.h"

#include <algorithm>
#include <cstring>

#include "hashing/contentfile.h"

namespace brisolt
{

namespace
{

// Files up to this size are read ahead: for them the opening costs about as
// much as the reading. It is also the largest read a small file needs.
constexpr int64_t kSmallFileBytes = 64 * 1024;
// How far the workers may run ahead of the run: one buffer of a small
// file's size each, used in turn (4 MiB in all).
constexpr std::size_t kAheadFiles = 64;
constexpr std::size_t kBufferBytes = kSmallFileBytes + 64;

} // namespace

int64_t TReadAhead::ReadAt(char* target, int64_t want, int64_t offset, std::string& reason) const
{
    if (offset < Bytes)
    {
        const int64_t n = std::min(want, Bytes - offset);
        std::memcpy(target, Data + offset, static_cast<std::size_t>(n));
        return n;
    }
    if (ReadFailed)
    {
        reason = Reason;
        return -1;
    }
    return 0;
}

bool TReadAheadPool::Wanted(int64_t length)
{
    return length <= kSmallFileBytes;
}

TReadAheadPool::TReadAheadPool(
    int threads, std::vector<TItem> items, std::function<std::string(std::size_t)> resolve, bool lockShared)
    : Items(std::move(items))
    , Resolve(std::move(resolve))
    , LockShared(lockShared)
    , Results(Items.size())
    , Ready(Items.size(), 0)
    , Buffers(std::make_unique_for_overwrite<char[]>(kAheadFiles * kBufferBytes))
{
    for (int i = 0; i < threads; ++i)
        Workers.emplace_back([this] { WorkerLoop(); });
}

TReadAheadPool::~TReadAheadPool()
{
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    WorkReady.notify_all();
    for (auto& worker : Workers)
        worker.join();
}

// The buffer of an item is free once the run has taken a later item: the
// one taken last (at Consumed - 1) may still be read from.
bool TReadAheadPool::MayStart() const
{
    return Next < Items.size() && Next + 1 < Consumed + kAheadFiles;
}

void TReadAheadPool::WorkerLoop()
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
        // Nothing may escape a worker thread: a failure is the file's.
        try
        {
            ReadOne(item);
        }
        catch (const std::exception& e)
        {
            Results[item].Opened = false;
            Results[item].Reason = e.what();
        }
        lock.lock();
        Ready[item] = 1;
        if (ConsumerWaiting)
            ResultReady.notify_one();
    }
}

// Only this worker touches the item's result and buffer until it is marked
// ready.
void TReadAheadPool::ReadOne(std::size_t item)
{
    TReadAhead& result = Results[item];
    result.Path = Resolve(Items[item].File);
    TContentFile file;
    result.Opened = file.Open(result.Path, result.Reason, LockShared);
    if (!result.Opened)
        return;
    result.Size = file.Size();
    const int64_t want = Items[item].Length + 1;
    char* data = Buffers.get() + (item % kAheadFiles) * kBufferBytes;
    result.Data = data;
    while (result.Bytes < want)
    {
        const int64_t n = file.ReadAt(data + result.Bytes, want - result.Bytes, result.Bytes, result.Reason);
        if (n <= 0)
        {
            result.ReadFailed = n < 0;
            break;
        }
        result.Bytes += n;
        // A short read that reaches the size taken at opening is the end: no
        // second call to hear it.
        if (result.Bytes >= result.Size)
            break;
    }
}

bool TReadAheadPool::Take(std::size_t file, TReadAhead& result)
{
    std::unique_lock lock(Mutex);
    const std::size_t first = Consumed;
    std::size_t at = first;
    while (at < Items.size() && Items[at].File < file)
        ++at;
    if (at >= Items.size() || Items[at].File != file)
        return false;
    // Items passed over and not yet started never are; those started are
    // waited for too, so that no worker still writes a buffer that turns.
    const std::size_t started = std::min(Next, at);
    Next = std::max(Next, at);
    Consumed = at;
    const auto done = [&]
    {
        for (std::size_t i = first; i < started; ++i)
        {
            if (Ready[i] == 0)
                return false;
        }
        return Ready[at] != 0;
    };
    if (!done())
    {
        ConsumerWaiting = true;
        if (IdleWorkers > 0)
            WorkReady.notify_all();
        ResultReady.wait(lock, done);
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
