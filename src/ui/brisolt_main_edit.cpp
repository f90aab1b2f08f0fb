// The edit page's handlers: each runs its page's action through Guarded.
#include "ui/brisolt_main.h"
#include "ui/page_edit.h"

namespace brisolt
{

void TfrmBrisolt::ConnectEditHandlers()
{
    connect(EditPage, &TEditPage::BrowseClicked, this, &TfrmBrisolt::btnTorrentBrowseClick);
    connect(EditPage, &TEditPage::TorrentChanged, this, &TfrmBrisolt::txtTorrentChange);
    connect(EditPage, &TEditPage::FileChosen, this, &TfrmBrisolt::lstFilesClick);
    connect(EditPage, &TEditPage::AnnounceChanged, this, &TfrmBrisolt::txtAnnounceURLChange);
    connect(EditPage, &TEditPage::NameChanged, this, &TfrmBrisolt::txtViewNameChange);
    connect(EditPage, &TEditPage::CommentChanged, this, &TfrmBrisolt::mmoViewCommentChange);
    connect(EditPage, &TEditPage::CreationDateResetClicked, this, &TfrmBrisolt::btnCreationDateResetClick);
    connect(EditPage, &TEditPage::ChangeClicked, this, &TfrmBrisolt::btnChangeClick);
    connect(EditPage, &TEditPage::BackupTrackersClicked, this, &TfrmBrisolt::btnViewBackupTrackersClick);
    connect(EditPage, &TEditPage::PrivateClicked, this, &TfrmBrisolt::chkPrivate2Click);
    connect(EditPage, &TEditPage::BackupClicked, this, &TfrmBrisolt::chkViewBackupClick);
    connect(EditPage, &TEditPage::SaveClicked, this, &TfrmBrisolt::btnViewSaveClick);
    connect(EditPage, &TEditPage::SaveAsClicked, this, &TfrmBrisolt::btnViewSaveAsClick);
    connect(EditPage, &TEditPage::VerifyClicked, this, &TfrmBrisolt::btnViewVerifyClick);
}

void TfrmBrisolt::chkPrivate2Click()
{
    Guarded([this] { EditPage->TogglePrivate(); });
}

void TfrmBrisolt::chkViewBackupClick()
{
    Guarded([this] { EditPage->ToggleBackup(); });
}

void TfrmBrisolt::btnTorrentBrowseClick()
{
    Guarded([this] { EditPage->BrowseTorrent(); });
}

void TfrmBrisolt::txtTorrentChange()
{
    Guarded([this] { EditPage->LoadNamedTorrent(); });
}

void TfrmBrisolt::lstFilesClick()
{
    Guarded([this] { EditPage->ShowChosenFile(); });
}

void TfrmBrisolt::txtAnnounceURLChange()
{
    Guarded([this] { EditPage->TakeAnnounce(); });
}

void TfrmBrisolt::txtViewNameChange()
{
    Guarded([this] { EditPage->TakeName(); });
}

void TfrmBrisolt::mmoViewCommentChange()
{
    Guarded([this] { EditPage->TakeComment(); });
}

void TfrmBrisolt::btnCreationDateResetClick()
{
    Guarded([this] { EditPage->ResetCreationDate(); });
}

void TfrmBrisolt::btnChangeClick()
{
    Guarded([this] { EditPage->RenameChosenFile(); });
}

void TfrmBrisolt::btnViewBackupTrackersClick()
{
    Guarded([this] { EditPage->ShowBackupTrackers(); });
}

void TfrmBrisolt::btnViewSaveClick()
{
    Guarded([this] { EditPage->Save(); });
}

void TfrmBrisolt::btnViewSaveAsClick()
{
    Guarded([this] { EditPage->SaveAs(); });
}

void TfrmBrisolt::btnViewVerifyClick()
{
    Guarded([this] { EditPage->Verify(); });
}

} // namespace brisolt
