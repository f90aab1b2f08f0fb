// The create page's handlers: each runs its page's action through Guarded.
#include "ui/brisolt_main.h"
#include "ui/page_create.h"

namespace brisolt
{

void TfrmBrisolt::ConnectCreateHandlers()
{
    connect(CreatePage, &TCreatePage::CreateClicked, this, &TfrmBrisolt::btnCreateTorrentClick);
    connect(CreatePage, &TCreatePage::DriveChanged, this, &TfrmBrisolt::DriveComboBox1Change);
    connect(CreatePage, &TCreatePage::FolderChanged, this, &TfrmBrisolt::DirectoryListBox1Change);
    connect(CreatePage, &TCreatePage::FileSelectionChanged, this, &TfrmBrisolt::FileListBox1Change);
    connect(CreatePage, &TCreatePage::DrivesChanged, this, &TfrmBrisolt::DriveComboBox1DrivesChanged);
    connect(CreatePage, &TCreatePage::AllClicked, this, &TfrmBrisolt::btnAllClick);
    connect(CreatePage, &TCreatePage::NoneClicked, this, &TfrmBrisolt::btnNoneClick);
    connect(CreatePage, &TCreatePage::InverseClicked, this, &TfrmBrisolt::btnInverseClick);
    connect(CreatePage, &TCreatePage::ClassicFileClicked, this, &TfrmBrisolt::btnClassicFileClick);
    connect(CreatePage, &TCreatePage::ClassicDirClicked, this, &TfrmBrisolt::btnClassicDirClick);
    connect(CreatePage, &TCreatePage::PieceSizeModeClicked, this, &TfrmBrisolt::radAutoClick);
    connect(CreatePage, &TCreatePage::PathClicked, this, &TfrmBrisolt::btnPathClick);
    connect(CreatePage, &TCreatePage::BackupClicked, this, &TfrmBrisolt::btnBackupClick);
    connect(CreatePage, &TCreatePage::PrivateClicked, this, &TfrmBrisolt::chkPrivate1Click);
    connect(CreatePage, &TCreatePage::BackupBoxClicked, this, &TfrmBrisolt::chkBackupClick);
    connect(CreatePage, &TCreatePage::TrackerTextChanged, this, &TfrmBrisolt::cmbAnnounceURL2Change);
    connect(CreatePage, &TCreatePage::VisitClicked, this, &TfrmBrisolt::btnVisitClick);
}

void TfrmBrisolt::btnCreateTorrentClick()
{
    Guarded([this] { CreatePage->Create(); });
}

void TfrmBrisolt::DriveComboBox1Change()
{
    Guarded([this] { CreatePage->ShowDriveFolder(); });
}

void TfrmBrisolt::DirectoryListBox1Change()
{
    Guarded([this] { CreatePage->ShowFolderFiles(); });
}

void TfrmBrisolt::FileListBox1Change()
{
    Guarded([this] { CreatePage->ShowFocusedFile(); });
}

void TfrmBrisolt::DriveComboBox1DrivesChanged()
{
    Guarded([this] { CreatePage->FollowDrives(); });
}

void TfrmBrisolt::btnAllClick()
{
    Guarded([this] { CreatePage->SelectAll(); });
}

void TfrmBrisolt::btnNoneClick()
{
    Guarded([this] { CreatePage->SelectNone(); });
}

void TfrmBrisolt::btnInverseClick()
{
    Guarded([this] { CreatePage->InvertSelection(); });
}

void TfrmBrisolt::btnClassicFileClick()
{
    Guarded([this] { CreatePage->BrowseClassicFile(); });
}

void TfrmBrisolt::btnClassicDirClick()
{
    Guarded([this] { CreatePage->BrowseClassicFolder(); });
}

void TfrmBrisolt::radAutoClick()
{
    Guarded([this] { CreatePage->TogglePieceSize(); });
}

void TfrmBrisolt::btnPathClick()
{
    Guarded([this] { CreatePage->ShowInstallDir(); });
}

void TfrmBrisolt::btnBackupClick()
{
    Guarded([this] { CreatePage->ShowBackupTrackers(); });
}

void TfrmBrisolt::chkPrivate1Click()
{
    Guarded([this] { CreatePage->TogglePrivate(); });
}

void TfrmBrisolt::chkBackupClick()
{
    Guarded([this] { CreatePage->ToggleBackup(); });
}

void TfrmBrisolt::cmbAnnounceURL2Change()
{
    Guarded([this] { CreatePage->ShowAnnounceURL(); });
}

void TfrmBrisolt::btnVisitClick()
{
    Guarded([this] { CreatePage->VisitTracker(); });
}

void TfrmBrisolt::RequestAbort()
{
    Session.AbortRequested = true;
}

} // namespace brisolt
