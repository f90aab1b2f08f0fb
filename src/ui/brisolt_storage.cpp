#include "ui/brisolt_storage.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <thread>
#include <utility>

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

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

int BarSteps(int64_t steps)
{
    return static_cast<int>(std::clamp<int64_t>(steps, 0, INT_MAX));
}

void Step(QProgressBar* bar)
{
    // Beyond the maximum the bar stays full (a carried-over piece can give a
    // file more steps than its size suggests).
    if (bar->value() < bar->maximum())
        bar->setValue(bar->value() + 1);
}

// A bar that starts empty, also when it already was (so that it says so).
void Restart(QProgressBar* bar, int64_t steps)
{
    bar->reset();
    bar->setMaximum(BarSteps(steps));
    bar->setValue(0);
}

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
    SetPainting(false);
    for (const THook& hook : hooks)
    {
        if (hook.File)
            ShowFile(hook.Path, hook.Size);
        else
            ShowPiece();
    }
    SetPainting(true);
}

void TBrisoltBTHashedStorage::SetPainting(bool paint)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(Progress.lblHashing),
          static_cast<QWidget*>(Progress.ProgressBar1),
          static_cast<QWidget*>(Progress.ProgressBar2)})
        widget->setUpdatesEnabled(paint);
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
    Progress.setWindowTitle(Caption + ShownPath(output));
    Progress.show();
    Progress.raise();
    Restart(Progress.ProgressBar2, totalLength / PieceLength + 1);
}

void TBrisoltBTHashedStorage::ShowFile(const std::string& path, int64_t size)
{
    Progress.lblHashing->setText(QStringLiteral("Hashe Datei: ") + ShownPath(std::filesystem::path(path).filename()));
    Restart(Progress.ProgressBar1, size / PieceLength + 1);
}

void TBrisoltBTHashedStorage::ShowPiece()
{
    Step(Progress.ProgressBar1);
    Step(Progress.ProgressBar2);
}

void TBrisoltBTHashedStorage::ShowStatus(const std::string& status)
{
    if (status == "start")
    {
        Progress.btnFinished->setEnabled(false);
        Progress.btnAbort->setEnabled(true);
    }
    else if (status == "done")
    {
        Progress.btnFinished->setEnabled(true);
        Progress.btnAbort->setEnabled(false);
        Progress.btnFinished->setFocus();
        Progress.ProgressBar2->setValue(Progress.ProgressBar2->maximum());
        Progress.ProgressBar1->setValue(Progress.ProgressBar1->maximum());
    }
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
