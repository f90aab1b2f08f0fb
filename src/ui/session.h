// What the pages of the main window share, so that no page reaches into
// another: the questions to the user, the install folder, the status bar, the dialogs, the
// tracker directory, the folders the file dialogs last used, and the one
// create or verify run that may go on at a time. The main window owns it;
// the pages hold a reference. User-interface thread only, but for
// AbortRequested, which the hashing thread reads.
#pragma once

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <QString>

#include "config/tracker.h"

class QMainWindow;

namespace brisolt
{

class TUserInterface;
class TfrmBackup;
class TfrmProgress;

// What a file or folder dialog is for: each starts in the folder last used
// for the same purpose.
enum class TDialogPurpose
{
    Source,         // the classic path's file or folder
    PerEntryTarget, // where the per-entry torrents go
    OpenTorrent,
    SaveTorrentAs,
};

class TSession
{
public:
    TSession(TUserInterface& ui, QMainWindow& window)
        : Ui(ui)
        , Window(window)
    {
    }

    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // Answers every question the window asks; outlives the window.
    TUserInterface& Ui;

    // Opens a web page in the browser; says so in a message when none starts.
    void OpenWebPage(const QString& url) const;

    // The status bar's one text panel.
    void SetStatusText(const QString& text) const;
    [[nodiscard]] QString StatusText() const;
    // Shows the status bar's text at once, before a long step on this thread.
    void RepaintStatus() const;

    // The folder of the settings file and the tracker cache, ending in a
    // separator; read when first needed.
    [[nodiscard]] const std::string& InstallDir();
    // InstallDir + "brisolt.ini" and + "trackers.lst".
    [[nodiscard]] std::filesystem::path SettingsPath();
    [[nodiscard]] std::filesystem::path CachePath();

    // The dialogs, made by the main window after its pages; never null afterwards.
    TfrmProgress* Progress = nullptr;
    TfrmBackup* Backup = nullptr;

    // The tracker directory: the downloaded list's entries followed by the
    // user's own trackers, and the user's own alone (the Settings page's).
    std::vector<TTracker> Trackers;
    std::vector<TTracker> PrivateTrackers;
    // Announce URL of the last directory entry named exactly name, or empty.
    [[nodiscard]] std::string LookupAnnounceURL(const std::string& name) const;

    // "Datei thumbs.db immer ignorieren" of the Settings page, which keeps it.
    bool SkipThumbs = false;

    // The folder last used for purpose while it still exists, else own when
    // it is a folder, else the home folder.
    [[nodiscard]] QString DialogFolder(TDialogPurpose purpose, const QString& own) const;
    void RememberDialogFolder(TDialogPurpose purpose, const QString& folder);

    // One create or verify run at a time; the progress dialog shows it.
    bool Running = false;
    // "Abbrechen" or closing the window asks the running action to stop.
    std::atomic<bool> AbortRequested{false};
    // The window was closed during the run: it closes once the run is over.
    bool CloseAfterRun = false;
    // After a run: closes the window when that was asked meanwhile; true then.
    bool CloseIfAskedDuringRun();

private:
    QMainWindow& Window;
    std::string Install;
    std::map<TDialogPurpose, QString> DialogFolders;
};

} // namespace brisolt
