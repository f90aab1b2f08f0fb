// The edit page: loading a torrent into its fields, the edits, renaming file
// entries, the backup trackers, and saving. The rules below the controls live
// in create/edittorrent.
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
#include <QStatusBar>
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
    std::error_code error;
    return !fileName.isEmpty() && std::filesystem::is_regular_file(TypedPath(fileName), error);
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

QWidget* TfrmBrisolt::BuildEditPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabViewTorrent");
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(BuildEditFields(page));
    layout->addWidget(BuildEditFiles(page), 1);
    btnViewSave = MakeControl<QPushButton>(page, "btnViewSave", QStringLiteral("S&peichern"));
    btnViewSave->setEnabled(false);
    btnViewSaveAs = MakeControl<QPushButton>(page, "btnViewSaveAs", QStringLiteral("Speichern a&ls"));
    btnViewSaveAs->setEnabled(false);
    btnViewVerify = MakeControl<QPushButton>(page, "btnViewVerify", Text("Pr&üfen"));
    btnViewVerify->setEnabled(false);
    btnViewVerify->setToolTip(Text("Prüft den Inhalt auf der Platte gegen den geladenen Torrent"));
    auto* save = new QHBoxLayout;
    save->addWidget(btnViewVerify);
    save->addStretch();
    save->addWidget(btnViewSave);
    save->addWidget(btnViewSaveAs);
    layout->addLayout(save);
    ConnectEditHandlers();
    return page;
}

QLayout* TfrmBrisolt::BuildEditFields(QWidget* page)
{
    btnTorrentBrowse = MakeControl<QPushButton>(page, "btnTorrentBrowse", Text("Ö&ffne Torrent"));
    txtTorrent = MakeControl<QLineEdit>(page, "txtTorrent");
    txtTorrent->setAccessibleName(QStringLiteral("Torrent"));
    // Names and addresses are not cut at the default 32767 characters.
    txtTorrent->setMaxLength(std::numeric_limits<int>::max());
    lblTorrent = MakeControl<QLabel>(page, "lblTorrent", QStringLiteral("Torrent:"));
    lblTorrent->setVisible(false);
    lblViewAnnounceURL = MakeControl<QLabel>(page, "lblViewAnnounceURL", QStringLiteral("&Announce URL:"));
    txtAnnounceURL = MakeControl<QLineEdit>(page, "txtAnnounceURL");
    txtAnnounceURL->setMaxLength(std::numeric_limits<int>::max());
    lblViewAnnounceURL->setBuddy(txtAnnounceURL);
    chkViewBackup = MakeControl<QCheckBox>(page, "chkViewBackup");
    chkViewBackup->setAccessibleName(QStringLiteral("Backup Tracker mitspeichern"));
    btnViewBackupTrackers = MakeControl<QPushButton>(page, "btnViewBackupTrackers", QStringLiteral("Ba&ckup"));
    btnViewBackupTrackers->setEnabled(false);
    lblViewName = MakeControl<QLabel>(page, "lblViewName", QStringLiteral("&Name:"));
    txtViewName = MakeControl<QLineEdit>(page, "txtViewName");
    txtViewName->setMaxLength(std::numeric_limits<int>::max());
    lblViewName->setBuddy(txtViewName);
    // Two fields of the page are captioned "Name:"; a screen reader tells them apart.
    txtViewName->setAccessibleName(QStringLiteral("Name des Torrents"));
    lblViewComment = MakeControl<QLabel>(page, "lblViewComment", QStringLiteral("&Kommentar:"));
    mmoViewComment = MakeControl<QPlainTextEdit>(page, "mmoViewComment");
    mmoViewComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoViewComment->setTabChangesFocus(true);
    mmoViewComment->setMinimumHeight(mmoViewComment->fontMetrics().lineSpacing() * 3);
    lblViewComment->setBuddy(mmoViewComment);
    lblViewSHA1 = MakeControl<QLabel>(page, "lblViewSHA1", QStringLiteral("Hash:"));
    lblViewSHA1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblViewCreationDate = MakeControl<QLabel>(page, "lblViewCreationDate", QStringLiteral("Erstellungsdatum:"));
    btnCreationDateReset = MakeControl<QPushButton>(page, "btnCreationDateReset", QStringLiteral("Rese&t"));
    chkPrivate2 = MakeControl<QCheckBox>(page, "chkPrivate2", QStringLiteral("Pri&vater Torrent"));
    chkDHTAzu2 = MakeControl<QCheckBox>(page, "chkDHTAzu2", QStringLiteral("A&zureus DHT"));
    chkDHTBitcomet2 = MakeControl<QCheckBox>(page, "chkDHTBitcomet2", QStringLiteral("B&itcomet DHT"));

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

QWidget* TfrmBrisolt::BuildEditFiles(QWidget* page)
{
    grpFiles = MakeControl<QGroupBox>(page, "grpFiles");
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

void TfrmBrisolt::chkPrivate2Click()
{
    Guarded(
        [this]
        {
            const bool isPrivate = chkPrivate2->isChecked();
            for (QCheckBox* box : {chkDHTAzu2, chkDHTBitcomet2, chkViewBackup})
            {
                if (isPrivate)
                    box->setChecked(false);
                box->setEnabled(!isPrivate);
            }
        });
}

void TfrmBrisolt::chkViewBackupClick()
{
    Guarded(
        [this]
        {
            if (ViewTorrent)
                btnViewBackupTrackers->setEnabled(chkViewBackup->isChecked());
        });
}

void TfrmBrisolt::ConnectEditHandlers()
{
    connect(btnTorrentBrowse, &QPushButton::clicked, this, &TfrmBrisolt::btnTorrentBrowseClick);
    connect(txtTorrent, &QLineEdit::textChanged, this, &TfrmBrisolt::txtTorrentChange);
    // A click on the selected row restores its text too, as does a move by keyboard.
    connect(lstFiles, &QListWidget::currentRowChanged, this, &TfrmBrisolt::lstFilesClick);
    connect(lstFiles, &QListWidget::itemClicked, this, &TfrmBrisolt::lstFilesClick);
    connect(txtAnnounceURL, &QLineEdit::textChanged, this, &TfrmBrisolt::txtAnnounceURLChange);
    connect(txtViewName, &QLineEdit::textChanged, this, &TfrmBrisolt::txtViewNameChange);
    connect(mmoViewComment, &QPlainTextEdit::textChanged, this, &TfrmBrisolt::mmoViewCommentChange);
    connect(btnCreationDateReset, &QPushButton::clicked, this, &TfrmBrisolt::btnCreationDateResetClick);
    connect(btnChange, &QPushButton::clicked, this, &TfrmBrisolt::btnChangeClick);
    connect(btnViewBackupTrackers, &QPushButton::clicked, this, &TfrmBrisolt::btnViewBackupTrackersClick);
    connect(btnViewSave, &QPushButton::clicked, this, &TfrmBrisolt::btnViewSaveClick);
    connect(btnViewVerify, &QPushButton::clicked, this, &TfrmBrisolt::btnViewVerifyClick);
    connect(btnViewSaveAs, &QPushButton::clicked, this, &TfrmBrisolt::btnViewSaveAsClick);
}

void TfrmBrisolt::btnTorrentBrowseClick()
{
    Guarded(
        [this]
        {
            TOpenFileRequest request;
            request.Filter = QStringLiteral(".Torrent Dateien (*.torrent)|*.torrent");
            request.FileName = txtTorrent->text();
            request.Folder = DialogFolder(TDialogPurpose::OpenTorrent);
            const auto chosen = Ui.OpenFile(request);
            if (!chosen)
                return;
            RememberDialogFolder(TDialogPurpose::OpenTorrent, QFileInfo(*chosen).absolutePath());
            // The same path again changes nothing, so nothing loads.
            txtTorrent->setText(*chosen);
        });
}

void TfrmBrisolt::txtTorrentChange()
{
    Guarded([this] { LoadViewTorrent(txtTorrent->text()); });
}

void TfrmBrisolt::LoadViewTorrent(const QString& fileName)
{
    if (!NamesFile(fileName))
        return;
    ViewTorrent.reset();
    auto model = std::make_unique<TTorrentFile>();
    const QString previousStatus = statusBar()->currentMessage();
    SetStatusText(Text("Lade Torrent! Das könnte eine weile dauern ..."));
    statusBar()->repaint();
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
        SetStatusText(previousStatus);
        throw;
    }
    ViewTorrent = std::move(model);
    bool filled = false;
    try
    {
        FillViewPage();
        filled = true;
    }
    catch (const std::exception&)
    {
    }
    if (!filled)
    {
        Ui.MessageBox(
            ShownMessage(LoaderMessage(*ViewTorrent)), QStringLiteral("Fehler beim laden!"), TMessageButtons::Ok);
        SetStatusText(QStringLiteral("Loading error!"));
        ClearViewPage();
        ViewTorrent.reset();
        btnViewSaveAs->setEnabled(false);
        btnViewSave->setEnabled(false);
        btnViewVerify->setEnabled(false);
        return;
    }
    SetStatusText(QStringLiteral("Fertig geladen!"));
    btnViewSaveAs->setEnabled(true);
    btnViewSave->setEnabled(true);
    btnViewVerify->setEnabled(true);
    ViewFileName = txtTorrent->text();
    ViewFileLoaded = loaded;
}

void TfrmBrisolt::FillViewPage()
{
    const TTorrentFile& torrent = *ViewTorrent;
    {
        TFlagScope filling(FillingViewPage);
        lstFiles->clear();
        txtAnnounceURL->setText(ShownText(torrent.Announce));
        txtViewName->setText(ShownText(torrent.Name));
        mmoViewComment->setPlainText(MemoText(torrent.Comment));
    }
    lblViewSHA1->setText(QStringLiteral("Hash: ") + QString::fromStdString(torrent.InfoHashText));
    const bool hasBackup = !torrent.BackupTrackers.empty();
    chkViewBackup->setChecked(hasBackup);
    btnViewBackupTrackers->setEnabled(hasBackup);
    ShowViewCreationDate();
    for (const auto& file : torrent.Files)
        lstFiles->addItem(ShownText(file.Path + file.Name));
    if (!IsLoadedForEdit(torrent))
        throw EEditError("no file entry");
    // The working list becomes this torrent's, so that a save writes its own
    // backup trackers, not what an earlier torrent or the create page left.
    Backup->SetRows(torrent.BackupTrackers);
    lstFiles->setCurrentRow(0);
    lstFilesClick();
    txtFilesName->setEnabled(torrent.MultiFile);
}

void TfrmBrisolt::ClearViewPage()
{
    TFlagScope filling(FillingViewPage);
    lstFiles->clear();
    txtAnnounceURL->clear();
    txtViewName->clear();
    mmoViewComment->clear();
    txtFilesName->clear();
    lblViewSHA1->setText(QStringLiteral("Hash:"));
    lblViewCreationDate->setText(QStringLiteral("Erstellungsdatum:"));
    lblFilesSize->setText(Text("Größe:"));
}

void TfrmBrisolt::ShowViewCreationDate()
{
    const double date = ViewTorrent->CreationDate;
    lblViewCreationDate->setText(
        QStringLiteral("Erstellungsdatum: ")
        + (date != 0.0 ? QString::fromStdString(FormatDateTimeC(date)) : QStringLiteral("N/A")));
}

void TfrmBrisolt::lstFilesClick()
{
    Guarded(
        [this]
        {
            const int row = lstFiles->currentRow();
            if (!ViewTorrent || row < 0 || static_cast<std::size_t>(row) >= ViewTorrent->Files.size())
                return;
            txtFilesName->setText(lstFiles->item(row)->text());
            lblFilesSize->setText(
                Text("Größe: ") + QString::number(ViewTorrent->Files[static_cast<std::size_t>(row)].Length));
        });
}

void TfrmBrisolt::txtAnnounceURLChange()
{
    Guarded(
        [this]
        {
            if (ViewTorrent && !FillingViewPage)
                ViewTorrent->Announce = KeptBytes(txtAnnounceURL->text(), ViewTorrent->Announce);
        });
}

void TfrmBrisolt::txtViewNameChange()
{
    Guarded(
        [this]
        {
            if (!ViewTorrent || FillingViewPage)
                return;
            const QString text = txtViewName->text();
            SetTorrentName(*ViewTorrent, KeptBytes(text, ViewTorrent->Name));
            if (ViewTorrent->MultiFile)
                return;
            if (lstFiles->count() == 1)
                lstFiles->item(0)->setText(text);
            txtFilesName->setText(text);
        });
}

void TfrmBrisolt::mmoViewCommentChange()
{
    Guarded(
        [this]
        {
            if (!ViewTorrent || FillingViewPage)
                return;
            const std::string text = CrLfLineBreaks(TypedBytes(mmoViewComment->toPlainText()));
            ViewTorrent->Comment = FieldBytes(text, ViewTorrent->Comment);
        });
}

void TfrmBrisolt::btnCreationDateResetClick()
{
    Guarded(
        [this]
        {
            if (!ViewTorrent)
                return;
            ViewTorrent->CreationDate = LocalNowOle();
            ShowViewCreationDate();
        });
}

void TfrmBrisolt::btnChangeClick()
{
    Guarded(
        [this]
        {
            const int row = lstFiles->currentRow();
            if (!ViewTorrent || row < 0 || static_cast<std::size_t>(row) >= ViewTorrent->Files.size())
                return;
            const auto index = static_cast<std::size_t>(row);
            const QString text = txtFilesName->text();
            const TTorrentSubFile& entry = ViewTorrent->Files[index];
            const std::string bytes = KeptBytes(text, entry.Path + entry.Name);
            // A refused rename leaves the row and the entry as they were.
            RenameFileEntry(*ViewTorrent, index, bytes);
            lstFiles->item(row)->setText(text);
        });
}

void TfrmBrisolt::btnViewBackupTrackersClick()
{
    Guarded(
        [this]
        {
            if (!ViewTorrent)
                return;
            // The working list already holds the loaded torrent's trackers and
            // whatever the user changed since: showing it again keeps those changes.
            Backup->FillTrackers(Trackers);
            Backup->show();
            Backup->raise();
            Backup->activateWindow();
        });
}

void TfrmBrisolt::btnViewSaveClick()
{
    Guarded(
        [this]
        {
            if (SaidNoTorrent(Ui, ViewTorrent.get()))
                return;
            SaveViewTorrent(ViewFileName, QStringLiteral(" erfolgreich geschrieben!"));
        });
}

void TfrmBrisolt::btnViewVerifyClick()
{
    Guarded(
        [this]
        {
            if (SaidNoTorrent(Ui, ViewTorrent.get()) || Creating)
                return;
            // A single file is picked as a file; a folder torrent's content as
            // its top folder or the folder holding it.
            const QString folder = QFileInfo(ViewFileName).absolutePath();
            std::optional<QString> content;
            if (ViewTorrent->MultiFile)
                content = Ui.BrowseForFolder(Text("Wähle den Ordner mit dem Inhalt des Torrents"), folder);
            else
            {
                TOpenFileRequest request;
                request.Filter = QStringLiteral("Alle Dateien (*.*)|*.*");
                request.Folder = folder;
                content = Ui.OpenFile(request);
            }
            if (content && !content->isEmpty())
                VerifyViewTorrent(*content);
        });
}

void TfrmBrisolt::VerifyViewTorrent(const QString& content)
{
    TVerifyRequest request;
    request.Torrent = TypedPath(ViewFileName);
    request.Content = TypedPath(content);
    TBrisoltBTHashedStorage storage(*Progress, {});
    storage.SetCaption(Text("Prüfe: "));
    TVerifyResult result;

    // The button comes back however the run ends; closing the window aborts.
    struct THeld
    {
        TfrmBrisolt& Form;

        ~THeld()
        {
            Form.Creating = false;
            Form.btnViewVerify->setEnabled(Form.ViewTorrent != nullptr);
        }
    } held{*this};

    Creating = true;
    AbortRequested = false;
    btnViewVerify->setEnabled(false);
    storage.Run(
        [&]
        {
            storage.ReportStatus("start");
            result = VerifyContent(request, storage, AbortRequested);
            storage.ReportStatus("done");
        });
    if (CloseAfterCreate)
    {
        CloseAfterCreate = false;
        Creating = false;
        close();
        return;
    }
    ShowVerifyResult(result);
}

void TfrmBrisolt::ShowVerifyResult(const TVerifyResult& result)
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
        SetStatusText(result.AllGood ? Text("Inhalt geprüft: in Ordnung") : Text("Inhalt geprüft: Fehler"));
        break;
    }
    case TVerifyStatus::Aborted:
        Ui.MessageBox(Text(kAbortedMessage.data()), QStringLiteral("Benutzerabbruch"), TMessageButtons::Ok);
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
    Ui.MessageBox(text, caption, TMessageButtons::Ok);
}

void TfrmBrisolt::btnViewSaveAsClick()
{
    Guarded(
        [this]
        {
            if (SaidNoTorrent(Ui, ViewTorrent.get()))
                return;
            TSaveFileRequest request;
            request.Filter = QStringLiteral("Torrent Dateien (*.torrent)|*.torrent");
            // The loaded torrent's name, in the folder of the last "Speichern als".
            request.Folder = DialogFolder(TDialogPurpose::SaveTorrentAs);
            request.FileName = QDir(request.Folder).filePath(QFileInfo(ViewFileName).fileName());
            request.DefaultSuffix = QStringLiteral("torrent");
            request.ConfirmOverwrite = true;
            const auto chosen = Ui.SaveFile(request);
            if (!chosen)
                return;
            RememberDialogFolder(TDialogPurpose::SaveTorrentAs, QFileInfo(*chosen).absolutePath());
            SaveViewTorrent(*chosen, QStringLiteral(" erfolgreich gespeichert!"));
        });
}

void TfrmBrisolt::SaveViewTorrent(const QString& fileName, const QString& successSuffix)
{
    // A typed or pasted control character would reach the tracker as part of
    // the address; an empty announce stays allowed (a torrent without tracker).
    if (!ViewTorrent->Announce.empty())
    {
        if (const std::string problem = AddressProblem(ViewTorrent->Announce); !problem.empty())
        {
            Ui.MessageBox(ShownMessage(problem), QStringLiteral("Error"), TMessageButtons::Ok);
            return;
        }
    }
    SetBackupTrackers(
        *ViewTorrent,
        chkViewBackup->isChecked(),
        Backup->Rows(),
        [this](const std::string& name) { return LookupAnnounceURL(name); });
    // A new info hash is a new swarm: the tracker and the peers know only the old one.
    if (EditChangesInfoHash(*ViewTorrent)
        && Ui.MessageBox(
               Text("Der Info-Hash ändert sich: Tracker und andere Clients kennen den gespeicherten Torrent "
                    "dann als einen neuen. Trotzdem speichern?"),
               QStringLiteral("Frage"),
               TMessageButtons::YesNo)
               != TMessageResult::Yes)
        return;
    const std::filesystem::path path = TypedPath(fileName);
    // Over the loaded file only while no other program changed it since.
    const TPathInfo target = PathInfo(path);
    const bool overLoaded = target.Kind != TPathKind::Missing && target.Device == ViewFileLoaded.Device
                            && target.Inode == ViewFileLoaded.Inode;
    const bool checked = fileName == ViewFileName || overLoaded;
    int err = ENOENT;
    try
    {
        if (!fileName.isEmpty())
            err = SaveEditedTorrent(*ViewTorrent, path, checked ? &ViewFileLoaded : nullptr);
        if (err == kErrChangedMeanwhile)
        {
            const auto answer = Ui.MessageBox(
                ShownMessage(ChangedMeanwhileMessage(path))
                    + QStringLiteral(
                        "\n\nTrotzdem speichern? (Nein lädt die Datei neu; deine Änderungen gehen verloren.)"),
                QLatin1String(kProgramTitle),
                TMessageButtons::YesNo);
            if (answer == TMessageResult::No)
            {
                LoadViewTorrent(ViewFileName);
                return;
            }
            err = SaveEditedTorrent(*ViewTorrent, path, nullptr);
        }
    }
    catch (const EEditError& error)
    {
        // What the torrent lacks, or a name it cannot take: nothing was written.
        Ui.MessageBox(ShownMessage(error.what()), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    if (err != 0)
    {
        Ui.MessageBox(ShownMessage(WriteErrorMessage(path)), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    // The loaded file as now written is what the next save checks against.
    if (checked)
        ViewFileLoaded = PathInfo(path);
    lblViewSHA1->setText(QStringLiteral("Hash: ") + QString::fromStdString(ViewTorrent->InfoHashText));
    SetStatusText(fileName + successSuffix);
}

} // namespace brisolt
