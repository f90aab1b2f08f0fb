#include "ui/page_create.h"

#include <algorithm>
#include <utility>

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/privatetrackers.h"
#include "config/settingsfile.h"
#include "config/trackerlist.h"
#include "platform/fileio.h"
#include "platform/folders.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_main.h"
#include "ui/brisolt_progress.h"
#include "ui/brisolt_storage.h"
#include "ui/controls.h"
#include "ui/filelists.h"
#include "ui/nametext.h"
#include "ui/session.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

// Rebuilding the items must neither replace the combo's text nor report a
// change of it: the text stays what the user typed or picked.
class TKeepComboText
{
public:
    explicit TKeepComboText(QComboBox* combo)
        : Combo(combo)
        , Blocker(combo)
        , Text(combo->currentText())
    {
    }

    ~TKeepComboText()
    {
        Combo->setCurrentIndex(-1);
        Combo->setEditText(Text);
    }

    TKeepComboText(const TKeepComboText&) = delete;
    TKeepComboText& operator=(const TKeepComboText&) = delete;

private:
    QComboBox* Combo;
    QSignalBlocker Blocker;
    QString Text;
};

} // namespace

TCreatePage::TCreatePage(TSession& session, QWidget* parent)
    : QWidget(parent)
    , Session(session)
{
    setObjectName(QStringLiteral("tabCreate"));
    pageMode = MakeControl<QTabWidget>(this, "pageMode");
    // Built and added in reading order, so that Tab follows it.
    tabSimple = BuildSimplePage();
    pageMode->addTab(tabSimple, QStringLiteral("Ein&fach"));
    tabClassic = BuildClassicPage();
    pageMode->addTab(tabClassic, QStringLiteral("K&lassisch"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pageMode, 1);
    layout->addLayout(BuildTrackerChoice());
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(BuildCreateOptions());
    bottom->addSpacing(8);
    bottom->addLayout(BuildCommentAndCreate(), 1);
    layout->addLayout(bottom);

    // Kept from earlier versions for looking up the install directory; never shown.
    btnPath = MakeControl<QPushButton>(this, "btnPath", QStringLiteral("Pfad"));
    btnPath->setVisible(false);
    lblPfad = MakeControl<QLabel>(this, "lblPfad");
    lblPfad->setVisible(false);
    cmbPieceSize->setCurrentIndex(1);
    Connect();
}

void TCreatePage::ShowStartFolder()
{
    if (!DirectoryListBox1->SetPath(WorkingFolder()))
        DirectoryListBox1->SetDirectory(QDir::homePath());
}

QWidget* TCreatePage::BuildSimplePage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabSimple");
    DriveComboBox1 = MakeControl<TDriveComboBox>(page, "DriveComboBox1");
    DriveComboBox1->setAccessibleName(QStringLiteral("Laufwerk"));
    // A screen reader takes a combo box's name from its label, not from
    // accessibleName: the page has no room for a caption, so the label is hidden.
    auto* driveLabel = MakeControl<QLabel>(page, "lblDrive", QStringLiteral("Laufwerk:"));
    driveLabel->setBuddy(DriveComboBox1);
    driveLabel->setVisible(false);
    DirectoryListBox1 = MakeControl<TDirectoryListBox>(page, "DirectoryListBox1");
    DirectoryListBox1->setAccessibleName(QStringLiteral("Ordner"));
    FileListBox1 = MakeControl<TFileListBox>(page, "FileListBox1");
    FileListBox1->setAccessibleName(QStringLiteral("Dateien"));
    btnAll = MakeControl<QPushButton>(page, "btnAll", QStringLiteral("&Alle"));
    btnNone = MakeControl<QPushButton>(page, "btnNone", QStringLiteral("&Keine"));
    btnInverse = MakeControl<QPushButton>(page, "btnInverse", QStringLiteral("In&vertieren"));
    lblSimpleTip = MakeControl<QLabel>(page, "lblSimpleTip", Text("Tip: Drücke Strg um mehrere Dateien auszuwählen"));
    lblSimpleTip->setWordWrap(true);

    auto* selection = new QHBoxLayout;
    selection->addWidget(btnAll);
    selection->addWidget(btnNone);
    selection->addWidget(btnInverse);
    auto* layout = new QGridLayout(page);
    layout->addWidget(DriveComboBox1, 0, 0);
    layout->addWidget(DirectoryListBox1, 1, 0);
    layout->addWidget(lblSimpleTip, 2, 0);
    layout->addWidget(FileListBox1, 0, 1, 2, 1);
    layout->addLayout(selection, 2, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
    return page;
}

QWidget* TCreatePage::BuildClassicPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabClassic");
    lblClassicPath = MakeControl<QLabel>(page, "lblClassicPath", QStringLiteral("&Datei- oder Pfadname:"));
    txtClassicPath = MakeControl<QLineEdit>(page, "txtClassicPath");
    lblClassicPath->setBuddy(txtClassicPath);
    btnClassicFile = MakeControl<QPushButton>(page, "btnClassicFile", QStringLiteral("D&atei"));
    btnClassicDir = MakeControl<QPushButton>(page, "btnClassicDir", QStringLiteral("&Ordner"));
    radFolder = MakeControl<QRadioButton>(page, "radFolder", Text("E&in Torrent für gesamten Ordner"));
    radFile = MakeControl<QRadioButton>(page, "radFile", Text("Für &jede Datei seperaten Torrent erzeugen"));
    radFolder->setChecked(true);
    TabToCheckedButton({radFolder, radFile});

    auto* path = new QHBoxLayout;
    path->addWidget(txtClassicPath, 1);
    path->addWidget(btnClassicFile);
    path->addWidget(btnClassicDir);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(lblClassicPath);
    layout->addLayout(path);
    layout->addSpacing(8);
    layout->addWidget(radFolder);
    layout->addWidget(radFile);
    layout->addStretch();
    return page;
}

QLayout* TCreatePage::BuildTrackerChoice()
{
    lblAnnounceURL = MakeControl<QLabel>(this, "lblAnnounceURL", QStringLiteral("&Tracker:"));
    cmbAnnounceURL = MakeControl<QComboBox>(this, "cmbAnnounceURL");
    cmbAnnounceURL->setEditable(true);
    cmbAnnounceURL->setInsertPolicy(QComboBox::NoInsert); // Enter must not add the typed text to the list
    cmbAnnounceURL->addItem(QStringLiteral("[please wait - refreshing list]"));
    cmbAnnounceURL->setEditText(Text(kTrackerPrompt));
    cmbAnnounceURL->setToolTip(Text("Wähle einen Tracker oder gib die Tracker URL manuell ein."));
    cmbAnnounceURL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblAnnounceURL->setBuddy(cmbAnnounceURL);
    btnVisit = MakeControl<QPushButton>(this, "btnVisit", QStringLiteral("Bes&uchen"));
    btnVisit->setToolTip(Text("Öffnet die Homepage des ausgewählten Trackers"));
    btnVisit->setEnabled(false); // no tracker of the directory is chosen yet
    lblURL = MakeControl<QLabel>(this, "lblURL", QStringLiteral("URL:"));
    lblStatus = MakeControl<QLabel>(this, "lblStatus", QStringLiteral("Status:"));
    // A long address must not widen the window.
    lblURL->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblURL->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* info = new QHBoxLayout;
    info->addWidget(lblURL, 1);
    info->addWidget(lblStatus);
    auto* layout = new QGridLayout;
    layout->addWidget(lblAnnounceURL, 0, 0);
    layout->addWidget(cmbAnnounceURL, 0, 1);
    layout->addWidget(btnVisit, 0, 2);
    layout->addLayout(info, 1, 1, 1, 2);
    layout->setColumnStretch(1, 1);
    return layout;
}

QLayout* TCreatePage::BuildCreateOptions()
{
    lblPieceSize = MakeControl<QLabel>(this, "lblPieceSize", Text("Teil&größe:"));
    radAuto = MakeControl<QRadioButton>(this, "radAuto", QStringLiteral("Auto"));
    radAuto->setToolTip(Text("Automatische auswahl der TEilgröße (Empfohlen)"));
    radAuto->setChecked(true);
    radCustom = MakeControl<QRadioButton>(this, "radCustom", QStringLiteral("&Custom:"));
    radCustom->setToolTip(Text("Manuell festgelegte Teilgröße"));
    auto* pieceGroup = new QButtonGroup(this);
    pieceGroup->addButton(radAuto);
    pieceGroup->addButton(radCustom);
    TabToCheckedButton({radAuto, radCustom});
    cmbPieceSize = MakeControl<QComboBox>(this, "cmbPieceSize");
    for (int i = 0; i < kPieceSizeCount; ++i)
        cmbPieceSize->addItem(QString::fromStdString(PieceSizeItem(i)));
    cmbPieceSize->setToolTip(Text("Teilgröße in Kilobyte"));
    cmbPieceSize->setEnabled(false);
    lblPieceSize->setBuddy(cmbPieceSize);
    chkPrivate1 = MakeControl<QCheckBox>(this, "chkPrivate1", QStringLiteral("&Privater Torrent"));
    lblDHT1 = MakeControl<QLabel>(this, "lblDHT1", QStringLiteral("DHT:"));
    chkDHTAzu1 = MakeControl<QCheckBox>(this, "chkDHTAzu1", QStringLiteral("Azureus"));
    chkDHTBitcomet1 = MakeControl<QCheckBox>(this, "chkDHTBitcomet1", QStringLiteral("Bitcomet"));
    chkBackup = MakeControl<QCheckBox>(this, "chkBackup");
    // The button beside it carries the caption; the box names what it switches.
    chkBackup->setAccessibleName(QStringLiteral("Backup Tracker verwenden"));
    btnBackup = MakeControl<QPushButton>(this, "btnBackup", QStringLiteral("Be&nutze Backup Tracker"));
    btnBackup->setEnabled(false);

    auto* pieces = new QHBoxLayout;
    pieces->addWidget(lblPieceSize);
    pieces->addWidget(radAuto);
    pieces->addWidget(radCustom);
    pieces->addWidget(cmbPieceSize);
    pieces->addStretch();
    auto* dht = new QHBoxLayout;
    dht->addWidget(lblDHT1);
    dht->addWidget(chkDHTAzu1);
    dht->addWidget(chkDHTBitcomet1);
    dht->addStretch();
    auto* backup = new QHBoxLayout;
    backup->addWidget(chkBackup);
    backup->addWidget(btnBackup);
    backup->addStretch();
    auto* layout = new QVBoxLayout;
    layout->addLayout(pieces);
    layout->addWidget(chkPrivate1);
    layout->addLayout(dht);
    layout->addLayout(backup);
    layout->addStretch();
    return layout;
}

QLayout* TCreatePage::BuildCommentAndCreate()
{
    lblComment = MakeControl<QLabel>(this, "lblComment", QStringLiteral("Ko&mmentar:"));
    mmoComment = MakeControl<QPlainTextEdit>(this, "mmoComment");
    mmoComment->setTabChangesFocus(true); // Tab leaves the memo: no keyboard trap
    // A few lines are enough; room to spare goes to the source lists.
    mmoComment->setMinimumHeight(mmoComment->fontMetrics().lineSpacing() * 3);
    mmoComment->setMaximumHeight(mmoComment->fontMetrics().lineSpacing() * 6);
    mmoComment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lblComment->setBuddy(mmoComment);
    btnCreateTorrent = MakeControl<QPushButton>(this, "btnCreateTorrent", QStringLiteral("Er&zeuge .torrent !"));
    btnCreateTorrent->setToolTip(QStringLiteral("Erstelle .torrent Metadatadatei."));

    auto* layout = new QVBoxLayout;
    layout->addWidget(lblComment);
    layout->addWidget(mmoComment);
    layout->addWidget(btnCreateTorrent, 0, Qt::AlignRight);
    return layout;
}

void TCreatePage::TogglePrivate()
{
    const bool isPrivate = chkPrivate1->isChecked();
    for (QCheckBox* box : {chkDHTAzu1, chkDHTBitcomet1, chkBackup})
    {
        if (isPrivate)
            box->setChecked(false);
        box->setEnabled(!isPrivate);
    }
}

void TCreatePage::ToggleBackup()
{
    btnBackup->setEnabled(chkBackup->isChecked());
}

void TCreatePage::ShowFolderFiles()
{
    DriveComboBox1->ShowDriveOf(DirectoryListBox1->Directory());
    FileListBox1->SetPath(DirectoryListBox1->Path());
}

void TCreatePage::Connect()
{
    connect(btnCreateTorrent, &QPushButton::clicked, this, &TCreatePage::CreateClicked);
    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, &TCreatePage::DriveChanged);
    connect(DriveComboBox1, &TDriveComboBox::DrivesChanged, this, &TCreatePage::DrivesChanged);
    connect(DirectoryListBox1, &TDirectoryListBox::DirectoryChanged, this, &TCreatePage::FolderChanged);
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this, &TCreatePage::FileSelectionChanged);
    connect(FileListBox1, &QListWidget::currentItemChanged, this, &TCreatePage::FileSelectionChanged);
    connect(btnAll, &QPushButton::clicked, this, &TCreatePage::AllClicked);
    connect(btnNone, &QPushButton::clicked, this, &TCreatePage::NoneClicked);
    connect(btnInverse, &QPushButton::clicked, this, &TCreatePage::InverseClicked);
    connect(btnClassicFile, &QPushButton::clicked, this, &TCreatePage::ClassicFileClicked);
    connect(btnClassicDir, &QPushButton::clicked, this, &TCreatePage::ClassicDirClicked);
    connect(radAuto, &QRadioButton::toggled, this, &TCreatePage::PieceSizeModeClicked);
    connect(radCustom, &QRadioButton::toggled, this, &TCreatePage::PieceSizeModeClicked);
    connect(btnPath, &QPushButton::clicked, this, &TCreatePage::PathClicked);
    connect(btnBackup, &QPushButton::clicked, this, &TCreatePage::BackupClicked);
    connect(chkPrivate1, &QCheckBox::toggled, this, &TCreatePage::PrivateClicked);
    connect(chkBackup, &QCheckBox::toggled, this, &TCreatePage::BackupBoxClicked);
    connect(cmbAnnounceURL, &QComboBox::editTextChanged, this, &TCreatePage::TrackerTextChanged);
    connect(btnVisit, &QPushButton::clicked, this, &TCreatePage::VisitClicked);
}

void TCreatePage::Create()
{
    if (Session.Running)
        return; // one run at a time; the button is disabled meanwhile
    Session.AbortRequested = false;
    if (TrackerWithoutScheme())
    {
        // Typed, but neither a directory name nor an address a client can use.
        Session.Ui.MessageBox(
            Text("Die Trackeradresse „%1“ braucht am Anfang http://, https:// oder udp://.")
                .arg(cmbAnnounceURL->currentText()),
            QStringLiteral("Error, kein Tracker"),
            TMessageButtons::Ok);
        return;
    }
    if (!TrackerGiven())
    {
        Session.Ui.MessageBox(
            Text("Du musst einen Tracker zum Erzeugen des Torrents angeben!"),
            QStringLiteral("Error, kein Tracker"),
            TMessageButtons::Ok);
        return;
    }
    if (!ConfirmTrackerOnline())
        return;
    if (pageMode->currentIndex() == 0)
        CreateSimple();
    else if (pageMode->currentIndex() == 1)
        CreateClassic();
}

bool TCreatePage::ConfirmTrackerOnline()
{
    if (lblStatus->text() != QStringLiteral("Status: *DOWN*"))
        return true;
    return Session.Ui.MessageBox(
               Text("Der Tracker ist möglicherweise offline, möchten sie wirklich fortsetzte"),
               QStringLiteral("Frage"),
               TMessageButtons::YesNo)
           == TMessageResult::Yes;
}

void TCreatePage::CreateSimple()
{
    const std::vector<std::string> selected = FileListBox1->SelectedNames();
    if (selected.empty())
    {
        Session.Ui.MessageBox(Text(kNoFilesSelectedMessage.data()), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    const std::filesystem::path folder = FileListBox1->Path();
    if (RefusedAsEmpty(folder, selected))
        return;
    const auto output = AskOutput(ProposeSelectionSaveName(folder, selected));
    if (!output)
        return;
    TCreateRequest request;
    request.Kind = TCreateRequest::TKind::Selection;
    request.Source = folder;
    request.Selected = selected;
    request.Output = *output;
    (void)RunCreate(request);
}

void TCreatePage::CreateClassic()
{
    const QString typed = txtClassicPath->text();
    const std::filesystem::path source = TrimTrailingSeparator(TypedBytes(typed));
    const QString path = ShownPath(source);
    if (path != typed)
        txtClassicPath->setText(path);
    const TPathKind kind = PathInfo(source).Kind;
    if (path.isEmpty() || kind == TPathKind::Missing)
    {
        Session.Ui.MessageBox(
            QStringLiteral("Please enter a file or directory name!"), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    if (RefusedAsEmpty(source, {}))
        return;
    TCreateRequest request;
    request.Source = source;
    // For a file the radio buttons play no part.
    request.Kind = SourceKind(kind == TPathKind::Folder, !radFolder->isChecked());
    if (request.Kind != TCreateRequest::TKind::PerEntry)
    {
        if (const auto output = AskOutput(ProposeSaveName(source)))
        {
            request.Output = *output;
            (void)RunCreate(request);
        }
        return;
    }
    const auto target = Session.Ui.BrowseForFolder(
        Text("Wähle ein Verzeichnis, wo die Torrents gespeichert werden sollen:"),
        Session.DialogFolder(TDialogPurpose::PerEntryTarget, ClassicFolder()));
    if (!target)
        return;
    Session.RememberDialogFolder(TDialogPurpose::PerEntryTarget, *target);
    request.Target = TypedPath(*target);
    std::vector<std::string> notProcessed;
    const std::vector<TCreateResult> results = RunCreate(request, &notProcessed);
    if (const std::string report = PerEntryReport(results, notProcessed); !report.empty())
    {
        const QString shown = ShownMessage(report);
        Session.SetStatusText(shown.section(QLatin1Char('\n'), 0, 0));
        Session.Ui.MessageBox(shown, QLatin1String(kProgramTitle), TMessageButtons::Ok);
    }
}

bool TCreatePage::RefusedAsEmpty(const std::filesystem::path& source, const std::vector<std::string>& selected)
{
    TCreateOptions options;
    options.SkipThumbs = Session.SkipThumbs;
    const std::string message = EmptyContentMessage(source, selected, options);
    if (message.empty())
        return false;
    // Told before the save dialog: no name is asked for a torrent that is not written.
    Session.SetStatusText(ShownMessage(message));
    Session.Ui.MessageBox(ShownMessage(message), QLatin1String(kProgramTitle), TMessageButtons::Ok);
    return true;
}

std::optional<std::filesystem::path> TCreatePage::AskOutput(const std::filesystem::path& proposal)
{
    TSaveFileRequest request;
    request.Filter = QStringLiteral("Torrent Dateien (*.torrent)|*.torrent");
    request.FileName = ShownPath(proposal);
    request.DefaultSuffix = QStringLiteral("torrent");
    request.ConfirmOverwrite = true;
    const auto chosen = Session.Ui.SaveFile(request);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    // The proposal taken as it is keeps its bytes, which its text may not hold.
    if (*chosen == request.FileName)
        return proposal;
    return TypedPath(*chosen);
}

TCreateOptions TCreatePage::CreateOptions()
{
    TCreateOptions options;
    options.AnnounceURL = GetAnnounceURL();
    options.CommentLines = SplitCommentLines(TypedBytes(mmoComment->toPlainText()));
    options.PieceSizeIndex = radCustom->isChecked() ? cmbPieceSize->currentIndex() : kAutoPieceSize;
    options.SkipThumbs = Session.SkipThumbs;
    if (chkBackup->isChecked())
        options.BackupRows = Session.Backup->Rows();
    // Looked up on the hashing thread: a copy of the directory, which a
    // refresh may replace meanwhile.
    options.LookupAnnounceURL = [trackers = Session.Trackers](const std::string& row)
    {
        return ::brisolt::LookupAnnounceURL(trackers, row);
    };
    options.AbortRequested = &Session.AbortRequested;
    return options;
}

void TCreatePage::ShowCreateProgress()
{
    window()->setWindowTitle(
        QStringLiteral("%1 % \u2013 %2").arg(Session.Progress->OverallPercent()).arg(Session.Progress->windowTitle()));
}

std::vector<TCreateResult> TCreatePage::RunCreate(const TCreateRequest& request, std::vector<std::string>* notProcessed)
{
    TBrisoltBTHashedStorage storage(
        *Session.Progress, [this](const TCreateResult& result) { ShowCreateResult(result); });
    TCreateOptions options = CreateOptions();
    // A tracker of the directory or of the user's own brings its rules.
    if (const std::string tracker = TypedBytes(cmbAnnounceURL->currentText());
        FindLastTracker(Session.Trackers, tracker) >= 0)
    {
        const TTrackerRules rules = ReadTrackerRules(TPrivateProfile(Session.SettingsPath()), tracker);
        if (const std::string problem = ApplyTrackerRules(rules, tracker, options); !problem.empty())
        {
            Session.Ui.MessageBox(ShownMessage(problem), QStringLiteral("Error"), TMessageButtons::Ok);
            return {};
        }
    }
    options.Observer = &storage;

    // The button and the title come back however the run ends.
    struct THeld
    {
        TCreatePage& Page;
        QString Title;
        QMetaObject::Connection Progressing;

        ~THeld()
        {
            QObject::disconnect(Progressing);
            Page.window()->setWindowTitle(Title);
            Page.Session.Running = false;
            Page.CreatingPerEntry = false;
            Page.btnCreateTorrent->setEnabled(true);
        }
    } held{
        *this,
        window()->windowTitle(),
        connect(Session.Progress, &TfrmProgress::OverallChanged, this, &TCreatePage::ShowCreateProgress)};

    Session.Running = true;
    CreatingPerEntry = request.Kind == TCreateRequest::TKind::PerEntry;
    btnCreateTorrent->setEnabled(false);
    std::vector<TCreateResult> results;
    storage.Run([&] { results = CreateTorrents(request, options, notProcessed); });
    (void)Session.CloseIfAskedDuringRun();
    return results;
}

void TCreatePage::ShowCreateResult(const TCreateResult& result)
{
    // Each torrent's outcome stays in the status bar, the last one when the action ends.
    Session.SetStatusText(
        result.Status == TCreateStatus::Written
            ? ShownPath(result.Output) + QStringLiteral(" erfolgreich geschrieben!")
            : ShownMessage(result.Message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    switch (result.Status)
    {
    case TCreateStatus::Written:
        break;
    case TCreateStatus::Aborted:
        // Closing the window asked for the abort: no message per torrent.
        if (!Session.CloseAfterRun)
            Session.Ui.MessageBox(Text(kAbortedMessage.data()), QStringLiteral("Benutzerabbruch"), TMessageButtons::Ok);
        break;
    case TCreateStatus::Skipped:
        if (CreatingPerEntry)
            break;
        [[fallthrough]];
    case TCreateStatus::Failed:
        Session.Ui.MessageBox(ShownMessage(result.Message), QLatin1String(kProgramTitle), TMessageButtons::Ok);
        break;
    }
}

void TCreatePage::ShowDriveFolder()
{
    const QString drive = DriveComboBox1->Drive();
    if (!drive.isEmpty())
        DirectoryListBox1->SetDirectory(drive);
}

void TCreatePage::ShowFocusedFile()
{
    const QListWidgetItem* focused = FileListBox1->currentItem();
    Session.SetStatusText(
        focused && focused->isSelected() ? QDir::toNativeSeparators(
            ShownPath(FileListBox1->Path() / FileListBox1->NameAt(FileListBox1->row(focused))))
                                         : QString());
}

void TCreatePage::SelectAll()
{
    if (FileListBox1->count() > 0)
        FileListBox1->selectAll();
}

void TCreatePage::SelectNone()
{
    if (FileListBox1->count() > 0)
        FileListBox1->clearSelection();
}

void TCreatePage::InvertSelection()
{
    if (FileListBox1->count() == 0)
        return;
    const QModelIndex first = FileListBox1->model()->index(0, 0);
    const QModelIndex last = FileListBox1->model()->index(FileListBox1->count() - 1, 0);
    FileListBox1->selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::Toggle);
}

void TCreatePage::BrowseClassicFile()
{
    TOpenFileRequest request;
    request.Filter = QStringLiteral("Alle Dateien (*.*)|*.*");
    request.Folder = Session.DialogFolder(TDialogPurpose::Source, ClassicFolder());
    if (const auto chosen = Session.Ui.OpenFile(request))
    {
        Session.RememberDialogFolder(TDialogPurpose::Source, QFileInfo(*chosen).absolutePath());
        txtClassicPath->setText(QDir::toNativeSeparators(*chosen));
    }
}

void TCreatePage::BrowseClassicFolder()
{
    if (const auto chosen = Session.Ui.BrowseForFolder(
            Text("Wähle einen Ordner zum hashen"), Session.DialogFolder(TDialogPurpose::Source, ClassicFolder())))
    {
        // The next source is likely a neighbour of this one.
        Session.RememberDialogFolder(TDialogPurpose::Source, QFileInfo(QDir::cleanPath(*chosen)).absolutePath());
        txtClassicPath->setText(QDir::toNativeSeparators(*chosen));
    }
}

void TCreatePage::TogglePieceSize()
{
    cmbPieceSize->setEnabled(!radAuto->isChecked());
}

void TCreatePage::ShowInstallDir()
{
    lblPfad->setText(ShownPath(Session.InstallDir()));
}

void TCreatePage::ShowBackupTrackers()
{
    Session.Backup->ShowWith(Session.Trackers);
}

void TCreatePage::TakeClassicPath(const QString& path)
{
    pageMode->setCurrentWidget(tabClassic);
    txtClassicPath->setText(QDir::toNativeSeparators(path));
}

void TCreatePage::SelectFiles(const QString& folder, const std::vector<std::string>& names)
{
    pageMode->setCurrentWidget(tabSimple);
    const std::filesystem::path before = DirectoryListBox1->Path();
    if (!DirectoryListBox1->SetDirectory(folder))
        return;
    // The folder shown already may have been listed before these files came.
    if (DirectoryListBox1->Path() == before)
        FileListBox1->Refresh();
    (void)FileListBox1->Select(names);
}

std::filesystem::path TCreatePage::Folder() const
{
    return DirectoryListBox1->Path();
}

void TCreatePage::ShowRememberedFolder(const std::filesystem::path& folder)
{
    // A folder that is gone (an unplugged disk, say) leaves the list at home.
    if (!DirectoryListBox1->SetPath(folder))
        DirectoryListBox1->SetDirectory(QDir::homePath());
}

void TCreatePage::ShowSimpleMode(bool simple)
{
    pageMode->setCurrentIndex(simple ? 0 : 1);
}

void TCreatePage::SetPrivate(bool checked)
{
    chkPrivate1->setChecked(checked);
}

void TCreatePage::LockPrivate(bool locked)
{
    chkPrivate1->setEnabled(!locked);
}

QString TCreatePage::ClassicFolder() const
{
    const std::filesystem::path source = TrimTrailingSeparator(TypedBytes(txtClassicPath->text()));
    if (source.empty() || PathInfo(source).Kind == TPathKind::Missing)
        return {};
    return QFileInfo(ShownPath(source)).absolutePath();
}

void TCreatePage::RefreshLists()
{
    DriveComboBox1->Refresh();
    DirectoryListBox1->Refresh();
    FileListBox1->Refresh();
}

void TCreatePage::FollowDrives()
{
    // A volume taken away may have held the folder shown.
    if (PathInfo(DirectoryListBox1->Path()).Kind != TPathKind::Folder)
        DirectoryListBox1->Refresh();
    DriveComboBox1->ShowDriveOf(DirectoryListBox1->Directory());
}

void TCreatePage::SetTrackerNames(const QStringList& names)
{
    TKeepComboText keep(cmbAnnounceURL);
    cmbAnnounceURL->clear();
    cmbAnnounceURL->addItems(names);
}

QString TCreatePage::TrackerText() const
{
    return cmbAnnounceURL->currentText();
}

void TCreatePage::SetTrackerText(const QString& text)
{
    cmbAnnounceURL->setEditText(text);
}

std::string TCreatePage::GetAnnounceURL()
{
    btnVisit->setEnabled(false);
    std::string text = TypedBytes(cmbAnnounceURL->currentText());
    const int index = FindLastTracker(Session.Trackers, text);
    if (index < 0)
    {
        lblStatus->setText(QStringLiteral("Status: N/A"));
        return text;
    }
    const TTracker& tracker = Session.Trackers[static_cast<std::size_t>(index)];
    lblStatus->setText(tracker.Down ? QStringLiteral("Status: *DOWN*") : QStringLiteral("Status: Online"));
    btnVisit->setEnabled(true);
    return tracker.Announce;
}

bool TCreatePage::TrackerGiven() const
{
    const QString text = cmbAnnounceURL->currentText();
    if (text.isEmpty() || text == Text(kTrackerPrompt) || text == QLatin1String(kRememberedTrackerDefault))
        return false;
    return text.contains(QStringLiteral("://")) || FindLastTracker(Session.Trackers, TypedBytes(text)) >= 0;
}

bool TCreatePage::TrackerWithoutScheme() const
{
    const QString text = cmbAnnounceURL->currentText();
    if (text.trimmed().isEmpty() || text == Text(kTrackerPrompt) || text == QLatin1String(kRememberedTrackerDefault))
        return false;
    return !TrackerGiven();
}

void TCreatePage::ShowAnnounceURL()
{
    lblURL->setText(QStringLiteral("URL: ") + ShownText(GetAnnounceURL()));
}

void TCreatePage::VisitTracker()
{
    for (const std::string& page : TrackerWebpages(Session.Trackers, TypedBytes(cmbAnnounceURL->currentText())))
    {
        if (IsWebAddress(page))
            Session.OpenWebPage(ShownText(page));
    }
}

} // namespace brisolt
