// TfrmBrisolt: the main window. It holds the pages, the three dialogs and the
// session the pages share (ui/session.h), and keeps every control's handler
// name: the handlers run the page's action through Guarded, which shows what
// it throws in a message box. Each page is a class of its own (page_*.h). The settings are held in the Settings page's controls
// while the program runs and reach "brisolt.ini" through
// LoadSettings/SaveSettings. The state is private; the window tests reach it
// through test::TWindow alone. User-interface thread only.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <QUrl>

#include "config/tracker.h"
#include "core/torrentfile.h"
#include "create/createtorrent.h"
#include "platform/fileio.h"
#include "ui/session.h"

class QButtonGroup;
class QCheckBox;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDropEvent;
class QFrame;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

namespace brisolt
{

class TAboutPage;
class TCreatePage;
class TEditPage;
class TSettingsPage;
class TDirectoryListBox;
class THttpCli;
class TDriveComboBox;
class TFileListBox;
class TPrivateProfile;
class TScrollingCredits;
class TSettingsWriter;
class TUserInterface;
class TfrmAbout;
class TfrmBackup;
class TfrmProgress;

namespace test
{
class TWindow;
} // namespace test

// What the tracker choice holds before a tracker is chosen: the create page's
// prompt, and the remembered tracker's default on a first start.
inline constexpr const char* kTrackerPrompt = "Gib die Trackeradresse ein oder wähle einen aus der Liste";
inline constexpr const char* kRememberedTrackerDefault = "(enter a tracker URL, or select from list below)";
inline constexpr const char* kProgramTitle = "Brisolt v2.1 - Orl Edition Public Beta RC1";
inline constexpr int kMinimumWidth = 608;
inline constexpr int kMinimumHeight = 502;

class TfrmBrisolt : public QMainWindow
{
    Q_OBJECT

public:
    // arguments as the program got them, the program's name first. ui answers
    // every question the window asks and must outlive it. The window runs
    // FormCreate, then creates the hidden dialogs in this order, once.
    TfrmBrisolt(TUserInterface& ui, QStringList arguments, QWidget* parent = nullptr);
    ~TfrmBrisolt() override;

    [[nodiscard]] TfrmProgress* frmProgress() const { return Progress; }

    [[nodiscard]] TfrmBackup* frmBackup() const { return Backup; }

    [[nodiscard]] TfrmAbout* frmAbout() const { return About; }

    // Whether "-autosize" was the first argument.
    [[nodiscard]] bool AutoSizing() const { return AutoSize; }

    // The status bar's one text panel.
    void SetStatusText(const QString& text);

    // "Abbrechen" of the progress dialog: the running create action stops.
    void RequestAbort();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A drop is accepted only where it will work: on the create page any one
    // file or folder, or several files of one folder that the simple page
    // lists; on the edit page one torrent. Text fields pass drops of local
    // files on to the page (eventFilter).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // About page
    void btnHomepageClick();
    void btnOrlForumClick();
    void btnOrlTrackerClick();
    void btnAboutOrlClick();
    void updateTimerTimer();
    void btnSaveSettingsClick();
    void chkZINdefaultClick();
    void chkPrivate1Click();
    void chkBackupClick();
    // Edit page
    void chkPrivate2Click();
    void chkViewBackupClick();
    void btnTorrentBrowseClick();
    void txtTorrentChange();
    void lstFilesClick();
    void txtAnnounceURLChange();
    void txtViewNameChange();
    void mmoViewCommentChange();
    void btnCreationDateResetClick();
    void btnChangeClick();
    void btnViewBackupTrackersClick();
    void btnViewSaveClick();
    void btnViewSaveAsClick();
    void btnViewVerifyClick();
    void DirectoryListBox1Change();
    // Create page
    void btnCreateTorrentClick();
    void DriveComboBox1Change();
    void FileListBox1Change();
    void btnAllClick();
    void btnNoneClick();
    void btnInverseClick();
    void btnClassicFileClick();
    void btnClassicDirClick();
    void radAutoClick();
    void btnPathClick();
    void btnBackupClick();
    // Tracker directory
    void cmbAnnounceURL2Change();
    void btnVisitClick();
    void lstPrivateTrackersClick();
    void txtPrivateNameChange();
    void btnPrivateAddModifyClick();
    void btnPrivateDeleteClick();

private:
    // The one door of the window tests to the state below.
    friend class test::TWindow;

    void FormCreate();
    // The path given on the command line: a torrent opens on the edit page,
    // anything else fills the create page's classic path.
    void OpenStartPath();

    // What a drop of urls does on the page shown (brisolt_main_desktop.cpp).
    struct TDropPlan
    {
        enum class TKind
        {
            None,
            ClassicPath, // Path: a file or folder for the classic page
            Selection,   // Path: a folder for the simple page, Names: its files to select
            Torrent,     // Path: a torrent for the edit page
        };
        TKind Kind = TKind::None;
        QString Path;
        std::vector<std::string> Names;
    };

    [[nodiscard]] TDropPlan PlanDrop(const QList<QUrl>& urls) const;
    [[nodiscard]] static TDropPlan PlanSelection(const QStringList& paths);
    void ApplyDrop(const TDropPlan& plan);
    bool DragAccepted = false; // the drag over the window was accepted when it entered
    // A frame around the pages while an accepted drag is over the window, so
    // that the acceptance shows beside the pointer; it never takes the mouse.
    QFrame* DropHint = nullptr;
    void ShowDropHint(bool shown);
    // Text fields, F5 on the create page, the drive list's changes.
    void ConnectDesktopHandlers();
    // F5: the simple page's lists read again.
    void RefreshSimpleLists();
    void DriveComboBox1DrivesChanged();

    void FormShow();
    void FormResize();
    // Bounds the window to area and centres it there.
    void FitOnScreen(const QRect& area);
    void FormCloseQuery();
    void SaveWindowPositionGuarded();
    void LoadSettings();
    // Waits for the write; throws with the message of a write that failed.
    void SaveSettings();
    // Takes the writer's failures: a failed position write is said once in a
    // message, later ones in the status bar. A failed settings write is
    // thrown when throwSettings, which stands for position failures taken with it.
    void ReportWriteFailures(bool throwSettings);
    void ShowWriteFailures();
    bool PositionFailureSaid = false;
    void LoadWindowPosition();
    void SaveWindowPosition();

    // Runs an event handler's body; whatever it throws is shown in a message box.
    void Guarded(const std::function<void()>& body);

    void BuildWindow();
    void ConnectHandlers();
    void ConnectCreateHandlers();
    void ConnectEditHandlers();
    void ApplyRememberedFolder(const TPrivateProfile& profile);
    // Tracker directory
    void ConnectTrackerHandlers();
    void InstallDefaultTrackerList();
    // Whether the settings name an address to download the list from.
    [[nodiscard]] bool TrackerListConfigured();
    // The cached list, or the shipped one when there is no cache; the status bar names which.
    void LoadLocalTrackerList(const std::filesystem::path& cache);
    [[nodiscard]] bool DownloadTrackerList(std::string& buffer);
    void ParseTrackerBuffer(const std::string& buffer);
    void ApplyRememberedTracker();
    bool RememberedTrackerApplied = false; // only the session's first refresh applies it
    bool Refreshed = false; // the first refresh keeps what an action (a torrent to load) left in the status bar

    TUserInterface& Ui;
    TSession Session; // what the pages share
    TCreatePage* CreatePage = nullptr;
    TEditPage* EditPage = nullptr;
    TSettingsPage* SettingsPage = nullptr;
    TAboutPage* AboutPage = nullptr;
    QStringList Arguments;
    bool AutoSize = false;
    bool Shown = false;
    TSettingsWriter* Writer = nullptr; // created first, so that it outlives every control

    // Created by the constructor: never null afterwards.
    TfrmProgress* Progress = nullptr;
    TfrmBackup* Backup = nullptr;
    TfrmAbout* About = nullptr;

    QTimer* updateTimer = nullptr;
    std::unique_ptr<THttpCli> HttpCli1;
    // The window is closing: a running tracker refresh ends quietly.
    bool Closing = false;
    QTimer* windowSaveTimer = nullptr; // lets a resize settle before it is written
    QTabWidget* pgeMain = nullptr;
    QWidget* tabCreate = nullptr;
    QWidget* tabViewTorrent = nullptr;
    QWidget* tabSettings = nullptr;
    QWidget* tabAbout = nullptr;
    QWidget* tabAboutOrl = nullptr;
};

} // namespace brisolt
