#include "ui/page_about.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/about.h"
#include "ui/controls.h"
#include "ui/credits.h"
#include "ui/session.h"

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

TAboutPage::TAboutPage(TSession& session, QWidget* parent)
    : QWidget(parent)
    , Session(session)
{
    setObjectName(QStringLiteral("tabAbout"));
    mmoAbout = MakeControl<QPlainTextEdit>(this, "mmoAbout");
    mmoAbout->setReadOnly(true);
    mmoAbout->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoAbout->setTabChangesFocus(true);
    mmoAbout->setToolTip(QStringLiteral("Versionsgeschichte zu Brisolt"));
    mmoAbout->setAccessibleName(QStringLiteral("Versionsgeschichte zu Brisolt"));
    mmoAbout->setPlainText(QString::fromUtf8(kVersionHistory));
    lblBrisoltHP = MakeControl<QLabel>(this, "lblBrisoltHP", QStringLiteral("Brisolt"));
    btnHomepage = MakeControl<QPushButton>(this, "btnHomepage", QStringLiteral("&Homepage"));
    lblOrlHP = MakeControl<QLabel>(this, "lblOrlHP", QStringLiteral("Orl"));
    btnAboutOrl = MakeControl<QPushButton>(this, "btnAboutOrl", Text("Über &Orl"));
    btnOrlForum = MakeControl<QPushButton>(this, "btnOrlForum", QStringLiteral("&Forum"));
    btnOrlTracker = MakeControl<QPushButton>(this, "btnOrlTracker", QStringLiteral("&Tracker"));
    connect(btnHomepage, &QPushButton::clicked, this, &TAboutPage::HomepageClicked);
    connect(btnAboutOrl, &QPushButton::clicked, this, &TAboutPage::AboutOrlClicked);
    connect(btnOrlForum, &QPushButton::clicked, this, &TAboutPage::ForumClicked);
    connect(btnOrlTracker, &QPushButton::clicked, this, &TAboutPage::TrackerClicked);

    auto* links = new QHBoxLayout;
    links->addWidget(lblBrisoltHP);
    links->addWidget(btnHomepage);
    links->addStretch();
    links->addWidget(lblOrlHP);
    links->addWidget(btnAboutOrl);
    links->addWidget(btnOrlForum);
    links->addWidget(btnOrlTracker);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mmoAbout, 1);
    layout->addLayout(links);
}

void TAboutPage::OpenHomepage() const
{
    Session.OpenWebPage(QLatin1String(kHomepageUrl));
}

void TAboutPage::OpenForum() const
{
    Session.OpenWebPage(QLatin1String(kOrlForumUrl));
}

void TAboutPage::OpenTracker() const
{
    Session.OpenWebPage(QLatin1String(kOrlTrackerUrl));
}

void TAboutPage::ShowOrlCredits(TfrmAbout& about)
{
    about.ShowScrolling(Text("Über Brisolt Orl"));
}

QWidget* MakeAboutOrlPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabAboutOrl");
    // The dialog's credits, standing still; the page itself is never shown.
    auto* credits = MakeControl<TScrollingCredits>(page, "ScrollingCreditsOrl");
    SetUpOrlCredits(*credits);
    QStringList lines = OrlCreditLines();
    lines.removeLast();
    credits->SetLines(lines);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(credits);
    return page;
}

} // namespace brisolt
