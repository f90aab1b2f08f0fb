// TBrisoltBTHashedStorage: the window's side of a hashing run. The create
// layer owns the hashed storage of each torrent and passes its hooks on; this
// class turns them into the progress dialog's label, bars and buttons.
//
// Run calls the create layer on a worker thread and returns when the action
// is over, so that from the create action's view hashing stays synchronous,
// while the window's thread keeps handling its events the whole time: the
// bars move and "Abbrechen" is answered at once, whatever the piece length.
// The hooks arrive on the worker and are applied on the window's thread in
// their order, each with its exact effect. "start", "done", a torrent's
// start and its result wait until the window has applied them (and all hooks
// before them), so an abort raised by any hook is seen before the torrent is
// written, and messages appear in the order of the torrents. IsAborted is the
// main window's AbortRequested, which the create action hands to the create
// layer. Construct, Run and destroy on the window's thread; one run at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include <QObject>
#include <QTimer>

#include "create/createtorrent.h"

namespace brisolt
{

class TfrmProgress;

class TBrisoltBTHashedStorage final
    : public QObject
    , public TCreateObserver
{
    Q_OBJECT

public:
    // finished is told what became of each torrent, in order, on the window's thread.
    TBrisoltBTHashedStorage(TfrmProgress& progress, std::function<void(const TCreateResult&)> finished);

    // Runs create (which calls the create layer with this observer) on a
    // worker thread, handling the window's events until it returns. What
    // create throws is thrown here.
    void Run(const std::function<void()>& create);

    // What the dialog's title says before the torrent's path ("Erzeuge: ").
    void SetCaption(const QString& caption) { Caption = caption; }

    // The hooks; called on the worker thread.
    void TorrentStarted(
        const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength, std::size_t fileCount) override;
    void FileStarted(const std::string& path, int64_t size) override;
    void PieceHashed() override;
    void ReportStatus(const std::string& status) override;
    void TorrentFinished(const TCreateResult& result) override;

private:
    struct THook
    {
        bool File = false; // a file's start, else a finished piece
        std::string Path;
        int64_t Size = 0;
    };

    // Worker: queues a hook; the first of a batch asks the window to apply them.
    void Post(THook hook);
    // Worker: runs work on the window's thread after every queued hook, and waits.
    void OnWindow(const std::function<void()>& work);
    // Window: applies the queued hooks in order, painting once afterwards.
    void Drain();

    // What each hook does to the dialog (window's thread).
    void ShowTorrent(const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength);
    void ShowFile(const std::string& path, int64_t size);
    void ShowPiece();
    void ShowStatus(const std::string& status);

    TfrmProgress& Progress;
    std::function<void(const TCreateResult&)> Finished;
    int64_t PieceLength = 1;
    QString Caption = QStringLiteral("Erzeuge: ");
    std::mutex Lock;
    std::deque<THook> Queue;
    QTimer DrainTimer;
};

// Holds back the closing of a window while busy() says a run goes on, and
// calls abort instead; the run's owner closes the window once the run is over.
class TCloseDuringRun final : public QObject
{
    Q_OBJECT

public:
    TCloseDuringRun(QObject* window, std::function<bool()> busy, std::function<void()> abort);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> Busy;
    std::function<void()> Abort;
};

} // namespace brisolt
