// The create page: source choice (simple and classic), tracker choice,
// options and comment, and the interlocks of its check boxes.
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/filelists.h"

namespace brisolt
{

QWidget* TfrmBrisolt::BuildCreatePage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabCreate");
    pageMode = MakeControl<QTabWidget>(page, "pageMode");
    // Built and added in reading order, so that Tab follows it.
    tabSimple = BuildSimplePage();
    pageMode->addTab(tabSimple, QStringLiteral("Einfach"));
    tabClassic = BuildClassicPage();
    pageMode->addTab(tabClassic, QStringLiteral("Klassisch"));

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(pageMode, 1);
    layout->addLayout(BuildTrackerChoice(page));
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(BuildCreateOptions(page));
    bottom->addSpacing(8);
    bottom->addLayout(BuildCommentAndCreate(page), 1);
    layout->addLayout(bottom);

    // Kept from earlier versions for looking up the install directory; never shown.
    btnPath = MakeControl<QPushButton>(page, "btnPath", QStringLiteral("Pfad"));
    btnPath->setVisible(false);
    lblPfad = MakeControl<QLabel>(page, "lblPfad");
    lblPfad->setVisible(false);
    return page;
}

QWidget* TfrmBrisolt::BuildSimplePage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabSimple");
    DriveComboBox1 = MakeControl<TDriveComboBox>(page, "DriveComboBox1");
    DriveComboBox1->setAccessibleName(QStringLiteral("Laufwerk"));
    DirectoryListBox1 = MakeControl<TDirectoryListBox>(page, "DirectoryListBox1");
    DirectoryListBox1->setAccessibleName(QStringLiteral("Ordner"));
    FileListBox1 = MakeControl<TFileListBox>(page, "FileListBox1");
    FileListBox1->setAccessibleName(QStringLiteral("Dateien"));
    btnAll = MakeControl<QPushButton>(page, "btnAll", QStringLiteral("Alle"));
    btnNone = MakeControl<QPushButton>(page, "btnNone", QStringLiteral("Keine"));
    btnInverse = MakeControl<QPushButton>(page, "btnInverse", QStringLiteral("Invertieren"));
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

QWidget* TfrmBrisolt::BuildClassicPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabClassic");
    lblClassicPath = MakeControl<QLabel>(page, "lblClassicPath", QStringLiteral("Datei- oder Pfadname:"));
    txtClassicPath = MakeControl<QLineEdit>(page, "txtClassicPath");
    lblClassicPath->setBuddy(txtClassicPath);
    btnClassicFile = MakeControl<QPushButton>(page, "btnClassicFile", QStringLiteral("Datei"));
    btnClassicDir = MakeControl<QPushButton>(page, "btnClassicDir", QStringLiteral("Ordner"));
    radFolder = MakeControl<QRadioButton>(page, "radFolder", Text("Ein Torrent für gesamten Ordner"));
    radFile = MakeControl<QRadioButton>(page, "radFile", Text("Für jede Datei seperaten Torrent erzeugen"));
    radFolder->setChecked(true);

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

QLayout* TfrmBrisolt::BuildTrackerChoice(QWidget* page)
{
    lblAnnounceURL = MakeControl<QLabel>(page, "lblAnnounceURL", QStringLiteral("Tracker:"));
    cmbAnnounceURL = MakeControl<QComboBox>(page, "cmbAnnounceURL");
    cmbAnnounceURL->setEditable(true);
    cmbAnnounceURL->setInsertPolicy(QComboBox::NoInsert); // Enter must not add the typed text to the list
    cmbAnnounceURL->addItem(QStringLiteral("[please wait - refreshing list]"));
    cmbAnnounceURL->setEditText(Text("Gib die Trackeradresse ein oder wähle einen aus der Liste"));
    cmbAnnounceURL->setToolTip(Text("Wähle einen Tracker oder gib die Tracker URL manuell ein."));
    cmbAnnounceURL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblAnnounceURL->setBuddy(cmbAnnounceURL);
    btnVisit = MakeControl<QPushButton>(page, "btnVisit", QStringLiteral("Besuchen"));
    btnVisit->setToolTip(Text("Öffnet die Homepage des ausgewählten Trackers"));
    btnVisit->setEnabled(false); // no tracker of the directory is chosen yet
    lblURL = MakeControl<QLabel>(page, "lblURL", QStringLiteral("URL:"));
    lblStatus = MakeControl<QLabel>(page, "lblStatus", QStringLiteral("Status:"));
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

QLayout* TfrmBrisolt::BuildCreateOptions(QWidget* page)
{
    lblPieceSize = MakeControl<QLabel>(page, "lblPieceSize", Text("Teilgröße:"));
    radAuto = MakeControl<QRadioButton>(page, "radAuto", QStringLiteral("Auto"));
    radAuto->setToolTip(Text("Automatische auswahl der TEilgröße (Empfohlen)"));
    radAuto->setChecked(true);
    radCustom = MakeControl<QRadioButton>(page, "radCustom", QStringLiteral("Custom:"));
    radCustom->setToolTip(Text("Manuell festgelegte Teilgröße"));
    auto* pieceGroup = new QButtonGroup(page);
    pieceGroup->addButton(radAuto);
    pieceGroup->addButton(radCustom);
    cmbPieceSize = MakeControl<QComboBox>(page, "cmbPieceSize");
    for (int kib = 64; kib <= 16384; kib *= 2)
        cmbPieceSize->addItem(QString::number(kib) + QStringLiteral("kb"));
    cmbPieceSize->setToolTip(Text("Teilgröße in Kilobyte"));
    cmbPieceSize->setEnabled(false);
    lblPieceSize->setBuddy(cmbPieceSize);
    chkPrivate1 = MakeControl<QCheckBox>(page, "chkPrivate1", QStringLiteral("Privater Torrent"));
    lblDHT1 = MakeControl<QLabel>(page, "lblDHT1", QStringLiteral("DHT:"));
    chkDHTAzu1 = MakeControl<QCheckBox>(page, "chkDHTAzu1", QStringLiteral("Azureus"));
    chkDHTBitcomet1 = MakeControl<QCheckBox>(page, "chkDHTBitcomet1", QStringLiteral("Bitcomet"));
    chkBackup = MakeControl<QCheckBox>(page, "chkBackup");
    chkBackup->setAccessibleName(QStringLiteral("Benutze Backup Tracker"));
    btnBackup = MakeControl<QPushButton>(page, "btnBackup", QStringLiteral("Benutze Backup Tracker"));
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

QLayout* TfrmBrisolt::BuildCommentAndCreate(QWidget* page)
{
    lblComment = MakeControl<QLabel>(page, "lblComment", QStringLiteral("Kommentar:"));
    mmoComment = MakeControl<QPlainTextEdit>(page, "mmoComment");
    mmoComment->setTabChangesFocus(true); // Tab leaves the memo: no keyboard trap
    // A few lines are enough; room to spare goes to the source lists.
    mmoComment->setMinimumHeight(mmoComment->fontMetrics().lineSpacing() * 3);
    mmoComment->setMaximumHeight(mmoComment->fontMetrics().lineSpacing() * 6);
    mmoComment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lblComment->setBuddy(mmoComment);
    btnCreateTorrent = MakeControl<QPushButton>(page, "btnCreateTorrent", QStringLiteral("Erzeuge .torrent !"));
    btnCreateTorrent->setToolTip(QStringLiteral("Erstelle .torrent Metadatadatei."));

    auto* layout = new QVBoxLayout;
    layout->addWidget(lblComment);
    layout->addWidget(mmoComment);
    layout->addWidget(btnCreateTorrent, 0, Qt::AlignRight);
    return layout;
}

void TfrmBrisolt::chkPrivate1Click()
{
    Guarded(
        [this]
        {
            const bool isPrivate = chkPrivate1->isChecked();
            for (QCheckBox* box : {chkDHTAzu1, chkDHTBitcomet1, chkBackup})
            {
                if (isPrivate)
                    box->setChecked(false);
                box->setEnabled(!isPrivate);
            }
        });
}

void TfrmBrisolt::chkBackupClick()
{
    Guarded([this] { btnBackup->setEnabled(chkBackup->isChecked()); });
}

void TfrmBrisolt::DirectoryListBox1Change()
{
    Guarded(
        [this]
        {
            const QString folder = DirectoryListBox1->Directory();
            DriveComboBox1->ShowDriveOf(folder);
            FileListBox1->SetDirectory(folder);
        });
}

} // namespace brisolt
