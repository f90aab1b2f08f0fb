// The About page and the hidden page "Über Orl".
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui/about.h"
#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/credits.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

// Newest first: the German entries of this edition, then the English ones of
// the earlier releases, then the read-me.
const char* const kVersionHistory = R"(18.12.2005 - v2.1 Orl Edition Public Beta RC1
  - Einstellungsdatei brisolt.ini liegt jetzt im Programmverzeichnis
  - DHT-Optionen abgeschaltet, jeder Torrent ist für DHT gesperrt
  - Private-Flag gilt jetzt für alle Torrents
  - Trackerliste wird beim Start geladen und zwischengespeichert

11.12.2005 - v2.1 Beta 2
  - "windows-1252" als Kodierung in jedem Torrent
  - Kommentarzusatz wird in jeden Torrent geschrieben
  - Ersatz-Tracker (announce-list) für Erstellen und Bearbeiten

04.12.2005 - v2.1 Beta 1
  - Deutsche Übersetzung der Oberfläche
  - Eigene private Tracker in den Einstellungen
  - Torrents bearbeiten: Announce URL, Name, Kommentar, Datum, Dateinamen

21.09.2004 - v2.0
  - Files over 2 GB are handled correctly
  - Piece sizes up to 16 MB
  - Faster hashing of large folders

02.05.2004 - v1.6
  - New command-line switch "-autosize" for large screen fonts
  - thumbs.db is skipped automatically
  - Remembers the last folder and tracker

17.01.2004 - v1.5
  - "Classic" mode: one torrent per file for a whole directory
  - Window size is saved

30.11.2003 - v1.0
  - First public release

----------------------------------------------------------------------

README

Contents
  1. Introduction
  2. Creating torrents
     2.1 Simple
     2.2 Classic
  3. Credits

1. Introduction

Brisolt makes .torrent files quickly and opens existing ones to view or
change their tracker, name, comment, date and file names. Choose a tracker
from the list (or add your own on the settings page), pick what to share,
and press "Erzeuge .torrent !".

2. Creating torrents

2.1 Simple
Pick a drive, a directory and the files you want from the file list. The
All, None and Invert buttons change the selection in one click. All the
selected files go into one torrent named after the directory.

2.2 Classic
Choose a single file, a whole folder, or a directory of which every entry
becomes a torrent of its own: one click makes a torrent per file for the
whole directory.

3. Credits
Brisolt uses code from these libraries:
  - Qt, by The Qt Company and the Qt Project (LGPL)
  - libjpeg-turbo; this software is based in part on the work of the
    Independent JPEG Group
  - SimpleIni, by Brodie Thiesfield
)";

} // namespace

QWidget* TfrmBrisolt::BuildAboutPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabAbout");
    mmoAbout = MakeControl<QPlainTextEdit>(page, "mmoAbout");
    mmoAbout->setReadOnly(true);
    mmoAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoAbout->setTabChangesFocus(true);
    mmoAbout->setToolTip(QStringLiteral("Versionsgeschichte zu Brisolt"));
    mmoAbout->setAccessibleName(QStringLiteral("Versionsgeschichte zu Brisolt"));
    mmoAbout->setPlainText(QString::fromUtf8(kVersionHistory));
    lblBrisoltHP = MakeControl<QLabel>(page, "lblBrisoltHP", QStringLiteral("Brisolt"));
    btnHomepage = MakeControl<QPushButton>(page, "btnHomepage", QStringLiteral("&Homepage"));
    lblOrlHP = MakeControl<QLabel>(page, "lblOrlHP", QStringLiteral("Orl"));
    btnAboutOrl = MakeControl<QPushButton>(page, "btnAboutOrl", Text("Über &Orl"));
    btnOrlForum = MakeControl<QPushButton>(page, "btnOrlForum", QStringLiteral("&Forum"));
    btnOrlTracker = MakeControl<QPushButton>(page, "btnOrlTracker", QStringLiteral("&Tracker"));
    connect(btnHomepage, &QPushButton::clicked, this, &TfrmBrisolt::btnHomepageClick);
    connect(btnAboutOrl, &QPushButton::clicked, this, &TfrmBrisolt::btnAboutOrlClick);
    connect(btnOrlForum, &QPushButton::clicked, this, &TfrmBrisolt::btnOrlForumClick);
    connect(btnOrlTracker, &QPushButton::clicked, this, &TfrmBrisolt::btnOrlTrackerClick);

    auto* links = new QHBoxLayout;
    links->addWidget(lblBrisoltHP);
    links->addWidget(btnHomepage);
    links->addStretch();
    links->addWidget(lblOrlHP);
    links->addWidget(btnAboutOrl);
    links->addWidget(btnOrlForum);
    links->addWidget(btnOrlTracker);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(mmoAbout, 1);
    layout->addLayout(links);
    return page;
}

QWidget* TfrmBrisolt::BuildAboutOrlPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabAboutOrl");
    // The dialog's credits, standing still; the page itself is never shown.
    ScrollingCreditsOrl = MakeControl<TScrollingCredits>(page, "ScrollingCreditsOrl");
    SetUpOrlCredits(*ScrollingCreditsOrl);
    QStringList lines = OrlCreditLines();
    lines.removeLast();
    ScrollingCreditsOrl->SetLines(lines);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(ScrollingCreditsOrl);
    return page;
}

void TfrmBrisolt::OpenWebPage(const QString& url)
{
    // Without a browser the click would otherwise do nothing visible at all.
    if (!Ui.OpenUrl(url))
        Ui.MessageBox(
            Text("Es konnte kein Browser gestartet werden, um %1 zu öffnen.").arg(url),
            QLatin1String(kProgramTitle),
            TMessageButtons::Ok);
}

void TfrmBrisolt::btnHomepageClick()
{
    Guarded([this] { OpenWebPage(QLatin1String(kHomepageUrl)); });
}

void TfrmBrisolt::btnOrlForumClick()
{
    Guarded([this] { OpenWebPage(QLatin1String(kOrlForumUrl)); });
}

void TfrmBrisolt::btnOrlTrackerClick()
{
    Guarded([this] { OpenWebPage(QLatin1String(kOrlTrackerUrl)); });
}

void TfrmBrisolt::btnAboutOrlClick()
{
    Guarded(
        [this]
        {
            About->setWindowTitle(Text("Über Brisolt Orl"));
            About->show(); // not modal: the main window stays usable
            About->raise();
            About->activateWindow();
            About->ScrollingCredits1->SetScrolling(true);
        });
}

} // namespace brisolt
