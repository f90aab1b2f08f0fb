// The edit page ("Bearbeite Torrent"): loading a torrent into its fields, the
// edits, renaming file entries, the backup trackers, checking the content
// against it, and saving. The page owns its controls and the loaded torrent;
// the main window keeps the controls' handler names and calls the page's
// actions from them, so each runs through its Guarded. The rules below the
// controls live in create/edittorrent.
#pragma once

#include <memory>

#include <QString>
#include <QWidget>

#include "core/torrentfile.h"
#include "platform/fileio.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace brisolt
{

class TSession;
struct TVerifyResult;

class TEditPage : public QWidget
{
    Q_OBJECT

public:
    explicit TEditPage(TSession& session, QWidget* parent = nullptr);
    ~TEditPage() override;

    // The torrent loaded, or null; the path it was loaded from.
    [[nodiscard]] const TTorrentFile* Torrent() const { return Loaded.get(); }

    [[nodiscard]] const QString& FileName() const { return LoadedName; }

    // A torrent named from outside (the command line, a drop): shown in the
    // path field, which loads it; the same path again loads it anew.
    void OpenTorrent(const QString& path);
    // The partner profile checks "Privater Torrent" and may lock it so.
    void SetPrivate(bool checked);
    void LockPrivate(bool locked);

    // The actions behind the controls.
    void BrowseTorrent();
    void LoadNamedTorrent();
    void ShowChosenFile();
    void TakeAnnounce();
    void TakeName();
    void TakeComment();
    void ResetCreationDate();
    void RenameChosenFile();
    void ShowBackupTrackers();
    void TogglePrivate();
    void ToggleBackup();
    void Save();
    void SaveAs();
    void Verify();

signals:
    void BrowseClicked();
    void TorrentChanged();
    void FileChosen();
    void AnnounceChanged();
    void NameChanged();
    void CommentChanged();
    void CreationDateResetClicked();
    void ChangeClicked();
    void BackupTrackersClicked();
    void PrivateClicked();
    void BackupClicked();
    void SaveClicked();
    void SaveAsClicked();
    void VerifyClicked();

private:
    QLayout* BuildFields();
    QWidget* BuildFiles();
    void Connect();
    void Load(const QString& fileName);
    void Fill();
    void Clear();
    void ShowCreationDate();
    void SaveTo(const QString& fileName, const QString& successSuffix);
    void VerifyAgainst(const QString& content);
    void ShowVerifyResult(const TVerifyResult& result);
    void EnableActions(bool loaded);

    TSession& Session;
    std::unique_ptr<TTorrentFile> Loaded;
    QString LoadedName;
    TPathInfo LoadedFile; // the file as it was read: a save checks that no other program changed it
    bool Filling = false; // the load sets the fields: the model already holds their bytes

    QPushButton* btnTorrentBrowse = nullptr;
    QLineEdit* txtTorrent = nullptr;
    QLabel* lblTorrent = nullptr;
    QLabel* lblViewAnnounceURL = nullptr;
    QLineEdit* txtAnnounceURL = nullptr;
    QCheckBox* chkViewBackup = nullptr;
    QPushButton* btnViewBackupTrackers = nullptr;
    QLabel* lblViewName = nullptr;
    QLineEdit* txtViewName = nullptr;
    QLabel* lblViewComment = nullptr;
    QPlainTextEdit* mmoViewComment = nullptr;
    QLabel* lblViewSHA1 = nullptr;
    QLabel* lblViewCreationDate = nullptr;
    QPushButton* btnCreationDateReset = nullptr;
    QCheckBox* chkPrivate2 = nullptr;
    QCheckBox* chkDHTAzu2 = nullptr;
    QCheckBox* chkDHTBitcomet2 = nullptr;
    QGroupBox* grpFiles = nullptr;
    QListWidget* lstFiles = nullptr;
    QLabel* lblFilesName = nullptr;
    QLineEdit* txtFilesName = nullptr;
    QPushButton* btnChange = nullptr;
    QLabel* lblFilesSize = nullptr;
    QPushButton* btnViewSave = nullptr;
    QPushButton* btnViewSaveAs = nullptr;
    QPushButton* btnViewVerify = nullptr;
};

} // namespace brisolt
