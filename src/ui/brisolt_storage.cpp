#include "ui/brisolt_storage.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <thread>
#include <utility>

#include <QCoreApplication>
#include <QEvent>

#include "ui/brisolt_progress.h"
#include "ui/nametext.h"

namespace brisolt
{

namespace
{

// Hooks reach the dialog in batches at most this often, each batch painted
// once, so that thousands of small files or pieces do not spend their time
// painting; each hook still has its own effect, in order.
constexpr int kDrainIntervalMs = 15;

} // namespace

TBrisoltBTHashedStorage::TBrisoltBTHashedStorage(
    TfrmProgress& progress, std::function<void(const TCreateResult&)> finished)
    : Progress(progress)
    , Finished(std::move(finished))
{
    DrainTimer.setSingleShot(true);
    DrainTimer.setInterval(kDrainIntervalMs);
    connect(&DrainTimer, &QTimer::timeout, this, &TBrisoltBTHashedStorage::Drain);
}

void TBrisoltBTHashedStorage::Run(const std::function<void()>& create)
{
    bool over = false;
    std::exception_ptr error;
    std::thread worker(
        [&]
        {
            try
            {
                create();
            }
            catch (...)
            {
                error = std::current_exception();
            }
            QMetaObject::invokeMethod(
                this, [&over] { over = true; }, Qt::QueuedConnection);
        });
    // Not a nested event loop that quitting the program could end early: the
    // worker may be waiting for this thread, so it is served until the end.
    while (!over)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    worker.join();
    DrainTimer.stop();
    Drain();
    if (error)
        std::rethrow_exception(error);
}

void TBrisoltBTHashedStorage::Post(THook hook)
{
    bool first = false;
    {
        const std::lock_guard<std::mutex> guard(Lock);
        first = Queue.empty();
        Queue.push_back(std::move(hook));
    }
    if (first)
    {
        QMetaObject::invokeMethod(
            this,
            [this]
            {
                if (!DrainTimer.isActive())
                    DrainTimer.start();
            },
            Qt::QueuedConnection);
    }
}

void TBrisoltBTHashedStorage::OnWindow(const std::function<void()>& work)
{
    QMetaObject::invokeMethod(
        this,
        [this, &work]
        {
            Drain();
            work();
        },
        Qt::BlockingQueuedConnection);
}

void TBrisoltBTHashedStorage::Drain()
{
    std::deque<THook> hooks;
    {
        const std::lock_guard<std::mutex> guard(Lock);
        hooks.swap(Queue);
    }
    if (hooks.empty())
        return;
    Progress.SetPainting(false);
    for (const THook& hook : hooks)
    {
        if (hook.File)
            ShowFile(hook.Path, hook.Size);
        else
            ShowPiece();
    }
    Progress.SetPainting(true);
}

void TBrisoltBTHashedStorage::TorrentStarted(
    const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength, std::size_t fileCount)
{
    (void)fileCount;
    OnWindow([&] { ShowTorrent(output, totalLength, pieceLength); });
}

void TBrisoltBTHashedStorage::FileStarted(const std::string& path, int64_t size)
{
    Post({true, path, size});
}

void TBrisoltBTHashedStorage::PieceHashed()
{
    Post({});
}

void TBrisoltBTHashedStorage::ReportStatus(const std::string& status)
{
    OnWindow([&] { ShowStatus(status); });
}

void TBrisoltBTHashedStorage::TorrentFinished(const TCreateResult& result)
{
    OnWindow(
        [&]
        {
            if (Finished)
                Finished(result);
        });
}

void TBrisoltBTHashedStorage::ShowTorrent(const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength)
{
    PieceLength = std::max<int64_t>(pieceLength, 1);
    Progress.StartTorrent(Caption + ShownPath(output), totalLength / PieceLength + 1);
}

void TBrisoltBTHashedStorage::ShowFile(const std::string& path, int64_t size)
{
    Progress.StartFile(ShownPath(std::filesystem::path(path).filename()), size / PieceLength + 1);
}

void TBrisoltBTHashedStorage::ShowPiece()
{
    Progress.Step();
}

void TBrisoltBTHashedStorage::ShowStatus(const std::string& status)
{
    if (status == "start")
        Progress.SetRunning(true);
    else if (status == "done")
        Progress.SetRunning(false);
}

TCloseDuringRun::TCloseDuringRun(QObject* window, std::function<bool()> busy, std::function<void()> abort)
    : QObject(window)
    , Busy(std::move(busy))
    , Abort(std::move(abort))
{
    window->installEventFilter(this);
}

bool TCloseDuringRun::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched == parent() && Busy())
    {
        Abort();
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brisolt
