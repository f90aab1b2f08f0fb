#include "ui/page_edit.h"

#include <cerrno>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "core/oledate.h"
#include "create/edittorrent.h"
#include "create/verify.h"
#include "platform/dateformat.h"
#include "platform/fileio.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_main.h"
#include "ui/brisolt_progress.h"
#include "ui/brisolt_storage.h"
#include "ui/controls.h"
#include "ui/nametext.h"
#include "ui/session.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

// The memo holds lines; the model holds them joined by CR LF.
QString MemoText(const std::string& comment)
{
    return ShownText(comment).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Only a regular file loads: a folder does not, nor a device or pipe whose
// read could block the window.
bool NamesFile(const QString& fileName)
{
    return !fileName.isEmpty() && PathInfo(TypedPath(fileName)).Kind == TPathKind::RegularFile;
}

// Clears a flag when the scope ends, also by an exception.
class TFlagScope
{
public:
    explicit TFlagScope(bool& flag)
        : Flag(flag)
    {
        Flag = true;
    }

    ~TFlagScope() { Flag = false; }

    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& Flag;
};

// Both saves need a loaded torrent; without one the user is told so.
bool SaidNoTorrent(TUserInterface& ui, const TTorrentFile* torrent)
{
    if (torrent)
        return false;
    ui.MessageBox(QStringLiteral("Kein Torrent geladen!"), QStringLiteral("Error"), TMessageButtons::Ok);
    return true;
}

} // namespace

TEditPage::TEditPage(TSession& session, QWidget* parent)
    : QWidget(parent)
    , Session(session)
{
    setObjectName(QStringLiteral("tabViewTorrent"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildFields());
    layout->addWidget(BuildFiles(), 1);
    btnViewSave = MakeControl<QPushButton>(this, "btnViewSave", QStringLiteral("S&peichern"));
    btnViewSaveAs = MakeControl<QPushButton>(this, "btnViewSaveAs", QStringLiteral("Speichern a&ls"));
    btnViewVerify = MakeControl<QPushButton>(this, "btnViewVerify", Text("Pr&üfen"));
    btnViewVerify->setToolTip(Text("Prüft den Inhalt auf der Platte gegen den geladenen Torrent"));
    EnableActions(false);
    auto* save = new QHBoxLayout;
    save->addWidget(btnViewVerify);
    save->addStretch();
    save->addWidget(btnViewSave);
    save->addWidget(btnViewSaveAs);
    layout->addLayout(save);
    Connect();
}

TEditPage::~TEditPage() = default;

QLayout* TEditPage::BuildFields()
{
    btnTorrentBrowse = MakeControl<QPushButton>(this, "btnTorrentBrowse", Text("Ö&ffne Torrent"));
    txtTorrent = MakeControl<QLineEdit>(this, "txtTorrent");
    txtTorrent->setAccessibleName(QStringLiteral("Torrent"));
    // Names and addresses are not cut at the default 32767 characters.
    txtTorrent->setMaxLength(std::numeric_limits<int>::max());
    lblTorrent = MakeControl<QLabel>(this, "lblTorrent", QStringLiteral("Torrent:"));
    lblTorrent->setVisible(false);
    lblViewAnnounceURL = MakeControl<QLabel>(this, "lblViewAnnounceURL", QStringLiteral("&Announce URL:"));
    txtAnnounceURL = MakeControl<QLineEdit>(this, "txtAnnounceURL");
    txtAnnounceURL->setMaxLength(std::numeric_limits<int>::max());
    lblViewAnnounceURL->setBuddy(txtAnnounceURL);
    chkViewBackup = MakeControl<QCheckBox>(this, "chkViewBackup");
    chkViewBackup->setAccessibleName(QStringLiteral("Backup Tracker mitspeichern"));
    btnViewBackupTrackers = MakeControl<QPushButton>(this, "btnViewBackupTrackers", QStringLiteral("Ba&ckup"));
    btnViewBackupTrackers->setEnabled(false);
    lblViewName = MakeControl<QLabel>(this, "lblViewName", QStringLiteral("&Name:"));
    txtViewName = MakeControl<QLineEdit>(this, "txtViewName");
    txtViewName->setMaxLength(std::numeric_limits<int>::max());
    lblViewName->setBuddy(txtViewName);
    // Two fields of the page are captioned "Name:"; a screen reader tells them apart.
    txtViewName->setAccessibleName(QStringLiteral("Name des Torrents"));
    lblViewComment = MakeControl<QLabel>(this, "lblViewComment", QStringLiteral("&Kommentar:"));
    mmoViewComment = MakeControl<QPlainTextEdit>(this, "mmoViewComment");
    mmoViewComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoViewComment->setTabChangesFocus(true);
    mmoViewComment->setMinimumHeight(mmoViewComment->fontMetrics().lineSpacing() * 3);
    lblViewComment->setBuddy(mmoViewComment);
    lblViewSHA1 = MakeControl<QLabel>(this, "lblViewSHA1", QStringLiteral("Hash:"));
    lblViewSHA1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblViewCreationDate = MakeControl<QLabel>(this, "lblViewCreationDate", QStringLiteral("Erstellungsdatum:"));
    btnCreationDateReset = MakeControl<QPushButton>(this, "btnCreationDateReset", QStringLiteral("Rese&t"));
    chkPrivate2 = MakeControl<QCheckBox>(this, "chkPrivate2", QStringLiteral("Pri&vater Torrent"));
    chkDHTAzu2 = MakeControl<QCheckBox>(this, "chkDHTAzu2", QStringLiteral("A&zureus DHT"));
    chkDHTBitcomet2 = MakeControl<QCheckBox>(this, "chkDHTBitcomet2", QStringLiteral("B&itcomet DHT"));

    auto* open = new QHBoxLayout;
    open->addWidget(btnTorrentBrowse);
    open->addWidget(txtTorrent, 1);
    auto* fields = new QGridLayout;
    fields->addWidget(lblViewAnnounceURL, 0, 0);
    fields->addWidget(txtAnnounceURL, 0, 1);
    fields->addWidget(chkViewBackup, 0, 2);
    fields->addWidget(btnViewBackupTrackers, 0, 3);
    fields->addWidget(lblViewName, 1, 0);
    fields->addWidget(txtViewName, 1, 1, 1, 3);
    fields->addWidget(lblViewComment, 2, 0, Qt::AlignTop);
    fields->addWidget(mmoViewComment, 2, 1, 1, 3);
    fields->setColumnStretch(1, 1);
    auto* date = new QHBoxLayout;
    date->addWidget(lblViewCreationDate);
    date->addWidget(btnCreationDateReset);
    date->addStretch();
    auto* flags = new QHBoxLayout;
    flags->addWidget(chkPrivate2);
    flags->addWidget(chkDHTAzu2);
    flags->addWidget(chkDHTBitcomet2);
    flags->addStretch();
    auto* layout = new QVBoxLayout;
    layout->addLayout(open);
    layout->addLayout(fields);
    layout->addWidget(lblViewSHA1);
    layout->addLayout(date);
    layout->addLayout(flags);
    return layout;
}

QWidget* TEditPage::BuildFiles()
{
    grpFiles = MakeControl<QGroupBox>(this, "grpFiles");
    grpFiles->setTitle(QStringLiteral("Dateien"));
    QWidget* group = grpFiles;
    lstFiles = MakeControl<QListWidget>(group, "lstFiles");
    lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFiles->setAccessibleName(QStringLiteral("Dateien"));
    lblFilesName = MakeControl<QLabel>(group, "lblFilesName", QStringLiteral("Na&me:"));
    txtFilesName = MakeControl<QLineEdit>(group, "txtFilesName");
    txtFilesName->setMaxLength(std::numeric_limits<int>::max());
    lblFilesName->setBuddy(txtFilesName);
    txtFilesName->setAccessibleName(Text("Pfad und Name der gewählten Datei"));
    btnChange = MakeControl<QPushButton>(group, "btnChange", Text("Än&dern"));
    lblFilesSize = MakeControl<QLabel>(group, "lblFilesSize", Text("Größe:"));

    auto* name = new QHBoxLayout;
    name->addWidget(lblFilesName);
    name->addWidget(txtFilesName, 1);
    name->addWidget(btnChange);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(lstFiles, 1);
    layout->addLayout(name);
    layout->addWidget(lblFilesSize);
    return group;
}

void TEditPage::Connect()
{
    connect(btnTorrentBrowse, &QPushButton::clicked, this, &TEditPage::BrowseClicked);
    connect(txtTorrent, &QLineEdit::textChanged, this, &TEditPage::TorrentChanged);
    // A click on the selected row restores its text too, as does a move by keyboard.
    connect(lstFiles, &QListWidget::currentRowChanged, this, &TEditPage::FileChosen);
    connect(lstFiles, &QListWidget::itemClicked, this, &TEditPage::FileChosen);
    connect(txtAnnounceURL, &QLineEdit::textChanged, this, &TEditPage::AnnounceChanged);
    connect(txtViewName, &QLineEdit::textChanged, this, &TEditPage::NameChanged);
    connect(mmoViewComment, &QPlainTextEdit::textChanged, this, &TEditPage::CommentChanged);
    connect(btnCreationDateReset, &QPushButton::clicked, this, &TEditPage::CreationDateResetClicked);
    connect(btnChange, &QPushButton::clicked, this, &TEditPage::ChangeClicked);
    connect(btnViewBackupTrackers, &QPushButton::clicked, this, &TEditPage::BackupTrackersClicked);
    connect(chkPrivate2, &QCheckBox::toggled, this, &TEditPage::PrivateClicked);
    connect(chkViewBackup, &QCheckBox::toggled, this, &TEditPage::BackupClicked);
    connect(btnViewSave, &QPushButton::clicked, this, &TEditPage::SaveClicked);
    connect(btnViewVerify, &QPushButton::clicked, this, &TEditPage::VerifyClicked);
    connect(btnViewSaveAs, &QPushButton::clicked, this, &TEditPage::SaveAsClicked);
}

void TEditPage::OpenTorrent(const QString& path)
{
    if (txtTorrent->text() == path)
        Load(path); // the same path again: loaded anew
    else
        txtTorrent->setText(path);
}

void TEditPage::SetPrivate(bool checked)
{
    chkPrivate2->setChecked(checked);
}

void TEditPage::LockPrivate(bool locked)
{
    chkPrivate2->setEnabled(!locked);
}

void TEditPage::EnableActions(bool loaded)
{
    btnViewSaveAs->setEnabled(loaded);
    btnViewSave->setEnabled(loaded);
    btnViewVerify->setEnabled(loaded);
}

void TEditPage::TogglePrivate()
{
    const bool isPrivate = chkPrivate2->isChecked();
    for (QCheckBox* box : {chkDHTAzu2, chkDHTBitcomet2, chkViewBackup})
    {
        if (isPrivate)
            box->setChecked(false);
        box->setEnabled(!isPrivate);
    }
}

void TEditPage::ToggleBackup()
{
    if (Loaded)
        btnViewBackupTrackers->setEnabled(chkViewBackup->isChecked());
}

void TEditPage::BrowseTorrent()
{
    TOpenFileRequest request;
    request.Filter = QStringLiteral(".Torrent Dateien (*.torrent)|*.torrent");
    request.FileName = txtTorrent->text();
    request.Folder = Session.DialogFolder(
        TDialogPurpose::OpenTorrent, LoadedName.isEmpty() ? QString() : QFileInfo(LoadedName).absolutePath());
    const auto chosen = Session.Ui.OpenFile(request);
    if (!chosen)
        return;
    Session.RememberDialogFolder(TDialogPurpose::OpenTorrent, QFileInfo(*chosen).absolutePath());
    // The same path again changes nothing, so nothing loads.
    txtTorrent->setText(*chosen);
}

void TEditPage::LoadNamedTorrent()
{
    Load(txtTorrent->text());
}

void TEditPage::Load(const QString& fileName)
{
    if (!NamesFile(fileName))
        return;
    Loaded.reset();
    auto model = std::make_unique<TTorrentFile>();
    const QString previousStatus = Session.StatusText();
    Session.SetStatusText(Text("Lade Torrent! Das könnte eine weile dauern ..."));
    Session.RepaintStatus();
    // The file as it is before the read: a save checks that no other program
    // changed it meanwhile.
    const TPathInfo loaded = PathInfo(TypedPath(fileName));
    try
    {
        LoadTorrentForEdit(TypedPath(fileName), *model);
    }
    catch (const EEditError&)
    {
        // Not read at all: the page keeps what it shows, with no torrent behind it.
        Session.SetStatusText(previousStatus);
        throw;
    }
    Loaded = std::move(model);
    bool filled = false;
    try
    {
        Fill();
        filled = true;
    }
    catch (const std::exception&)
    {
    }
    if (!filled)
    {
        Session.Ui.MessageBox(
            ShownMessage(LoaderMessage(*Loaded)), QStringLiteral("Fehler beim laden!"), TMessageButtons::Ok);
        Session.SetStatusText(QStringLiteral("Loading error!"));
        Clear();
        Loaded.reset();
        EnableActions(false);
        return;
    }
    Session.SetStatusText(QStringLiteral("Fertig geladen!"));
    EnableActions(true);
    LoadedName = txtTorrent->text();
    LoadedFile = loaded;
}

void TEditPage::Fill()
{
    const TTorrentFile& torrent = *Loaded;
    {
        TFlagScope filling(Filling);
        lstFiles->clear();
        txtAnnounceURL->setText(ShownText(torrent.Announce));
        txtViewName->setText(ShownText(torrent.Name));
        mmoViewComment->setPlainText(MemoText(torrent.Comment));
    }
    lblViewSHA1->setText(QStringLiteral("Hash: ") + QString::fromStdString(torrent.InfoHashText));
    const bool hasBackup = !torrent.BackupTrackers.empty();
    chkViewBackup->setChecked(hasBackup);
    btnViewBackupTrackers->setEnabled(hasBackup);
    ShowCreationDate();
    for (const auto& file : torrent.Files)
        lstFiles->addItem(ShownText(file.Path + file.Name));
    if (!IsLoadedForEdit(torrent))
        throw EEditError("no file entry");
    // The working list becomes this torrent's, so that a save writes its own
    // backup trackers, not what an earlier torrent or the create page left.
    Session.Backup->SetRows(torrent.BackupTrackers);
    lstFiles->setCurrentRow(0);
    ShowChosenFile();
    txtFilesName->setEnabled(torrent.MultiFile);
}

void TEditPage::Clear()
{
    TFlagScope filling(Filling);
    lstFiles->clear();
    txtAnnounceURL->clear();
    txtViewName->clear();
    mmoViewComment->clear();
    txtFilesName->clear();
    lblViewSHA1->setText(QStringLiteral("Hash:"));
    lblViewCreationDate->setText(QStringLiteral("Erstellungsdatum:"));
    lblFilesSize->setText(Text("Größe:"));
}

void TEditPage::ShowCreationDate()
{
    const double date = Loaded->CreationDate;
    lblViewCreationDate->setText(
        QStringLiteral("Erstellungsdatum: ")
        + (date != 0.0 ? QString::fromStdString(FormatDateTimeC(date)) : QStringLiteral("N/A")));
}

void TEditPage::ShowChosenFile()
{
    const int row = lstFiles->currentRow();
    if (!Loaded || row < 0 || static_cast<std::size_t>(row) >= Loaded->Files.size())
        return;
    txtFilesName->setText(lstFiles->item(row)->text());
    lblFilesSize->setText(Text("Größe: ") + QString::number(Loaded->Files[static_cast<std::size_t>(row)].Length));
}

void TEditPage::TakeAnnounce()
{
    if (Loaded && !Filling)
        Loaded->Announce = KeptBytes(txtAnnounceURL->text(), Loaded->Announce);
}

void TEditPage::TakeName()
{
    if (!Loaded || Filling)
        return;
    const QString text = txtViewName->text();
    SetTorrentName(*Loaded, KeptBytes(text, Loaded->Name));
    if (Loaded->MultiFile)
        return;
    if (lstFiles->count() == 1)
        lstFiles->item(0)->setText(text);
    txtFilesName->setText(text);
}

void TEditPage::TakeComment()
{
    if (!Loaded || Filling)
        return;
    const std::string text = CrLfLineBreaks(TypedBytes(mmoViewComment->toPlainText()));
    Loaded->Comment = FieldBytes(text, Loaded->Comment);
}

void TEditPage::ResetCreationDate()
{
    if (!Loaded)
        return;
    Loaded->CreationDate = LocalNowOle();
    ShowCreationDate();
}

void TEditPage::RenameChosenFile()
{
    const int row = lstFiles->currentRow();
    if (!Loaded || row < 0 || static_cast<std::size_t>(row) >= Loaded->Files.size())
        return;
    const auto index = static_cast<std::size_t>(row);
    const QString text = txtFilesName->text();
    const TTorrentSubFile& entry = Loaded->Files[index];
    const std::string bytes = KeptBytes(text, entry.Path + entry.Name);
    // A refused rename leaves the row and the entry as they were.
    RenameFileEntry(*Loaded, index, bytes);
    lstFiles->item(row)->setText(text);
}

void TEditPage::ShowBackupTrackers()
{
    if (!Loaded)
        return;
    // The working list already holds the loaded torrent's trackers and
    // whatever the user changed since: showing it again keeps those changes.
    Session.Backup->ShowWith(Session.Trackers);
}

void TEditPage::Save()
{
    if (SaidNoTorrent(Session.Ui, Loaded.get()))
        return;
    SaveTo(LoadedName, QStringLiteral(" erfolgreich geschrieben!"));
}

void TEditPage::Verify()
{
    if (SaidNoTorrent(Session.Ui, Loaded.get()) || Session.Running)
        return;
    // A single file is picked as a file; a folder torrent's content as
    // its top folder or the folder holding it.
    const QString folder = QFileInfo(LoadedName).absolutePath();
    std::optional<QString> content;
    if (Loaded->MultiFile)
        content = Session.Ui.BrowseForFolder(Text("Wähle den Ordner mit dem Inhalt des Torrents"), folder);
    else
    {
        TOpenFileRequest request;
        request.Filter = QStringLiteral("Alle Dateien (*.*)|*.*");
        request.Folder = folder;
        content = Session.Ui.OpenFile(request);
    }
    if (content && !content->isEmpty())
        VerifyAgainst(*content);
}

void TEditPage::VerifyAgainst(const QString& content)
{
    TVerifyRequest request;
    request.Torrent = TypedPath(LoadedName);
    request.Content = TypedPath(content);
    TBrisoltBTHashedStorage storage(*Session.Progress, {});
    storage.SetCaption(Text("Prüfe: "));
    TVerifyResult result;

    // The button comes back however the run ends; closing the window aborts.
    struct THeld
    {
        TEditPage& Page;

        ~THeld()
        {
            Page.Session.Running = false;
            Page.btnViewVerify->setEnabled(Page.Loaded != nullptr);
        }
    } held{*this};

    Session.Running = true;
    Session.AbortRequested = false;
    btnViewVerify->setEnabled(false);
    storage.Run(
        [&]
        {
            storage.ReportStatus("start");
            result = VerifyContent(request, storage, Session.AbortRequested);
            storage.ReportStatus("done");
        });
    if (Session.CloseIfAskedDuringRun())
        return;
    ShowVerifyResult(result);
}

void TEditPage::ShowVerifyResult(const TVerifyResult& result)
{
    // A message box holds a page of lines, not a million: the failures first.
    constexpr std::size_t kMaxLines = 25;
    QString text;
    const QString caption = QStringLiteral("Prüfen");
    switch (result.Status)
    {
    case TVerifyStatus::Checked:
    {
        std::vector<std::string> lines;
        std::size_t failed = 0;
        for (const auto& file : result.Files)
            failed += file.Ok() ? 0u : 1u;
        for (const bool failures : {true, false})
        {
            for (const auto& file : result.Files)
            {
                if (file.Ok() != failures)
                    lines.push_back(VerifiedFileLine(file));
            }
        }
        text =
            result.AllGood
                ? Text("Der Inhalt stimmt mit dem Torrent überein (%1 Dateien).").arg(result.Files.size())
                : Text("%1 von %2 Dateien stimmen nicht mit dem Torrent überein.").arg(failed).arg(result.Files.size());
        if (result.TorrentPieces != result.ContentPieces)
            text += Text("\nDer Torrent nennt %1 Stücke, seine Dateien ergeben %2.")
                        .arg(result.TorrentPieces)
                        .arg(result.ContentPieces);
        text += QStringLiteral("\n");
        for (std::size_t i = 0; i < lines.size() && i < kMaxLines; ++i)
            text += QStringLiteral("\n") + ShownMessage(lines[i]);
        if (lines.size() > kMaxLines)
            text += Text("\n… und %1 weitere").arg(lines.size() - kMaxLines);
        Session.SetStatusText(result.AllGood ? Text("Inhalt geprüft: in Ordnung") : Text("Inhalt geprüft: Fehler"));
        break;
    }
    case TVerifyStatus::Aborted:
        Session.Ui.MessageBox(Text(kAbortedMessage.data()), QStringLiteral("Benutzerabbruch"), TMessageButtons::Ok);
        return;
    case TVerifyStatus::NotLoaded:
    case TVerifyStatus::NotFound:
    case TVerifyStatus::ReadError:
        for (const auto& line : result.LoaderLines)
            text += ShownMessage(line) + QStringLiteral("\n");
        text += ShownMessage(result.Message);
        break;
    }
    if (!result.Note.empty())
        text = ShownMessage(result.Note) + QStringLiteral("\n\n") + text;
    Session.Ui.MessageBox(text, caption, TMessageButtons::Ok);
}

void TEditPage::SaveAs()
{
    if (SaidNoTorrent(Session.Ui, Loaded.get()))
        return;
    TSaveFileRequest request;
    request.Filter = QStringLiteral("Torrent Dateien (*.torrent)|*.torrent");
    // The loaded torrent's name, in the folder of the last "Speichern als".
    request.Folder = Session.DialogFolder(TDialogPurpose::SaveTorrentAs, QFileInfo(LoadedName).absolutePath());
    request.FileName = QDir(request.Folder).filePath(QFileInfo(LoadedName).fileName());
    request.DefaultSuffix = QStringLiteral("torrent");
    request.ConfirmOverwrite = true;
    const auto chosen = Session.Ui.SaveFile(request);
    if (!chosen)
        return;
    Session.RememberDialogFolder(TDialogPurpose::SaveTorrentAs, QFileInfo(*chosen).absolutePath());
    SaveTo(*chosen, QStringLiteral(" erfolgreich gespeichert!"));
}

void TEditPage::SaveTo(const QString& fileName, const QString& successSuffix)
{
    // A typed or pasted control character would reach the tracker as part of
    // the address; an empty announce stays allowed (a torrent without tracker).
    if (!Loaded->Announce.empty())
    {
        if (const std::string problem = AddressProblem(Loaded->Announce); !problem.empty())
        {
            Session.Ui.MessageBox(ShownMessage(problem), QStringLiteral("Error"), TMessageButtons::Ok);
            return;
        }
    }
    SetBackupTrackers(
        *Loaded,
        chkViewBackup->isChecked(),
        Session.Backup->Rows(),
        [this](const std::string& name) { return Session.LookupAnnounceURL(name); });
    // A new info hash is a new swarm: the tracker and the peers know only the old one.
    if (EditChangesInfoHash(*Loaded)
        && Session.Ui.MessageBox(
               Text("Der Info-Hash ändert sich: Tracker und andere Clients kennen den gespeicherten Torrent "
                    "dann als einen neuen. Trotzdem speichern?"),
               QStringLiteral("Frage"),
               TMessageButtons::YesNo)
               != TMessageResult::Yes)
        return;
    const std::filesystem::path path = TypedPath(fileName);
    // Over the loaded file only while no other program changed it since.
    const TPathInfo target = PathInfo(path);
    const bool overLoaded =
        target.Kind != TPathKind::Missing && target.Device == LoadedFile.Device && target.Inode == LoadedFile.Inode;
    const bool checked = fileName == LoadedName || overLoaded;
    // No name: nothing can be written.
    TError failed = TError::File({}, TFileAction::Create, ENOENT);
    try
    {
        if (!fileName.isEmpty())
            failed = SaveEditedTorrent(*Loaded, path, checked ? &LoadedFile : nullptr);
        if (failed.Code() == kErrChangedMeanwhile)
        {
            const auto answer = Session.Ui.MessageBox(
                ShownMessage(ChangedMeanwhileMessage(path))
                    + QStringLiteral(
                        "\n\nTrotzdem speichern? (Nein lädt die Datei neu; deine Änderungen gehen verloren.)"),
                QLatin1String(kProgramTitle),
                TMessageButtons::YesNo);
            if (answer == TMessageResult::No)
            {
                Load(LoadedName);
                return;
            }
            failed = SaveEditedTorrent(*Loaded, path);
        }
    }
    catch (const EEditError& error)
    {
        // What the torrent lacks, or a name it cannot take: nothing was written.
        Session.Ui.MessageBox(ShownMessage(error.what()), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    if (failed)
    {
        Session.Ui.MessageBox(ShownMessage(WriteErrorMessage(path)), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    // The loaded file as now written is what the next save checks against.
    if (checked)
        LoadedFile = PathInfo(path);
    lblViewSHA1->setText(QStringLiteral("Hash: ") + QString::fromStdString(Loaded->InfoHashText));
    Session.SetStatusText(fileName + successSuffix);
}

} // namespace brisolt
