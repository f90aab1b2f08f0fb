// The create page ("Erstelle Torrent"): the source (the simple page's drive,
// folder and file lists, or the classic page's path), the tracker choice,
// the options and the comment, the interlocks of its check boxes, and the
// create action, which hands the controls' values to the create layer and
// shows its progress and results. The page owns its controls; the main
// window keeps the controls' handler names and calls the page's actions from
// them, so each runs through its Guarded.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QWidget>

#include "create/createtorrent.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace brisolt
{

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TSession;

class TCreatePage : public QWidget
{
    Q_OBJECT

public:
    explicit TCreatePage(TSession& session, QWidget* parent = nullptr);

    // The folder lists start where the program was started, else at home.
    void ShowStartFolder();

    // The source from outside (the command line, a drop): a file or folder
    // for the classic page; files of one folder for the simple page.
    void TakeClassicPath(const QString& path);
    void SelectFiles(const QString& folder, const std::vector<std::string>& names);
    // The folder the simple page shows, and the one remembered from the last
    // run (a folder that is gone shows the home folder).
    [[nodiscard]] std::filesystem::path Folder() const;
    void ShowRememberedFolder(const std::filesystem::path& folder);
    // The simple page (false: the classic page).
    void ShowSimpleMode(bool simple);
    // The partner profile checks "Privater Torrent" and may lock it so.
    void SetPrivate(bool checked);
    void LockPrivate(bool locked);
    // The folder that holds the classic path's file or folder; empty when there is none.
    [[nodiscard]] QString ClassicFolder() const;

    // The tracker choice. Its names are the directory's; its text is what the
    // user typed or picked, kept when the names change.
    void SetTrackerNames(const QStringList& names);
    [[nodiscard]] QString TrackerText() const;
    void SetTrackerText(const QString& text);
    // The announce URL for the tracker choice's text (the text itself when no
    // directory entry has that name); sets lblStatus and enables btnVisit for
    // a directory entry.
    std::string GetAnnounceURL();

    // The actions behind the controls.
    void Create();
    void ShowDriveFolder();
    void ShowFolderFiles();
    void ShowFocusedFile();
    void SelectAll();
    void SelectNone();
    void InvertSelection();
    void BrowseClassicFile();
    void BrowseClassicFolder();
    void TogglePieceSize();
    void ShowInstallDir();
    void ShowBackupTrackers();
    void TogglePrivate();
    void ToggleBackup();
    void ShowAnnounceURL();
    void VisitTracker();
    // F5: the simple page's lists read again, keeping the selection.
    void RefreshLists();
    // The drives changed (a volume mounted or removed).
    void FollowDrives();

signals:
    void CreateClicked();
    void DriveChanged();
    void FolderChanged();
    void FileSelectionChanged();
    void DrivesChanged();
    void AllClicked();
    void NoneClicked();
    void InverseClicked();
    void ClassicFileClicked();
    void ClassicDirClicked();
    void PieceSizeModeClicked();
    void PathClicked();
    void BackupClicked();
    void PrivateClicked();
    void BackupBoxClicked();
    void TrackerTextChanged();
    void VisitClicked();

private:
    QWidget* BuildSimplePage();
    QWidget* BuildClassicPage();
    QLayout* BuildTrackerChoice();
    QLayout* BuildCreateOptions();
    QLayout* BuildCommentAndCreate();
    void Connect();

    // Whether the tracker choice names a tracker: a directory entry's name or
    // an address with "://"; never a prompt, nor empty.
    [[nodiscard]] bool TrackerGiven() const;
    // Whether the tracker choice holds a typed address without "://" that is no directory entry.
    [[nodiscard]] bool TrackerWithoutScheme() const;
    [[nodiscard]] bool ConfirmTrackerOnline();
    [[nodiscard]] TCreateOptions CreateOptions();
    void CreateSimple();
    void CreateClassic();
    // Content of zero bytes is refused with its message before any dialog.
    [[nodiscard]] bool RefusedAsEmpty(const std::filesystem::path& source, const std::vector<std::string>& selected);
    // The save dialog with its proposal; nothing when cancelled.
    [[nodiscard]] std::optional<std::filesystem::path> AskOutput(const std::filesystem::path& proposal);
    // Runs request with the progress dialog and the create button held; its
    // results, none when the tracker's rules refuse it.
    std::vector<TCreateResult>
    RunCreate(const TCreateRequest& request, std::vector<std::string>* notProcessed = nullptr);
    void ShowCreateResult(const TCreateResult& result);
    // "42 % – Erzeuge: <output>" in the window's title while a create action
    // runs, so that the task bar shows how far it is.
    void ShowCreateProgress();

    TSession& Session;
    bool CreatingPerEntry = false; // an empty entry is named once at the end, not on its own

    QTabWidget* pageMode = nullptr;
    QWidget* tabSimple = nullptr;
    QWidget* tabClassic = nullptr;
    TDriveComboBox* DriveComboBox1 = nullptr;
    TDirectoryListBox* DirectoryListBox1 = nullptr;
    TFileListBox* FileListBox1 = nullptr;
    QPushButton* btnAll = nullptr;
    QPushButton* btnNone = nullptr;
    QPushButton* btnInverse = nullptr;
    QLabel* lblSimpleTip = nullptr;
    QLabel* lblClassicPath = nullptr;
    QLineEdit* txtClassicPath = nullptr;
    QPushButton* btnClassicFile = nullptr;
    QPushButton* btnClassicDir = nullptr;
    QRadioButton* radFolder = nullptr;
    QRadioButton* radFile = nullptr;
    QLabel* lblAnnounceURL = nullptr;
    QComboBox* cmbAnnounceURL = nullptr;
    QPushButton* btnVisit = nullptr;
    QLabel* lblURL = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblPieceSize = nullptr;
    QRadioButton* radAuto = nullptr;
    QRadioButton* radCustom = nullptr;
    QComboBox* cmbPieceSize = nullptr;
    QCheckBox* chkPrivate1 = nullptr;
    QLabel* lblDHT1 = nullptr;
    QCheckBox* chkDHTAzu1 = nullptr;
    QCheckBox* chkDHTBitcomet1 = nullptr;
    QCheckBox* chkBackup = nullptr;
    QPushButton* btnBackup = nullptr;
    QLabel* lblComment = nullptr;
    QPlainTextEdit* mmoComment = nullptr;
    QPushButton* btnCreateTorrent = nullptr;
    QPushButton* btnPath = nullptr;
    QLabel* lblPfad = nullptr;
};

} // namespace brisolt
