#include "ui/brisolt_main.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "net/httpprot.h"
#include "ui/about.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_progress.h"
#include "ui/brisolt_storage.h"
#include "ui/controls.h"
#include "ui/desktop.h"
#include "ui/filelists.h"
#include "ui/nametext.h"
#include "ui/page_about.h"
#include "ui/page_create.h"
#include "ui/page_edit.h"
#include "ui/page_settings.h"
#include "ui/settingswriter.h"
#include "ui/userinterface.h"

namespace brisolt
{

TfrmBrisolt::TfrmBrisolt(TUserInterface& ui, QStringList arguments, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , Ui(ui)
    , Session(ui, *this)
    , Arguments(std::move(arguments))
    , HttpCli1(std::make_unique<THttpCli>("HttpCli1"))
{
    Writer = new TSettingsWriter(this);
    connect(Writer, &TSettingsWriter::Failed, this, &TfrmBrisolt::ShowWriteFailures, Qt::QueuedConnection);
    BuildWindow();
    ConnectHandlers();
    ConnectDesktopHandlers();
    CreatePage->ShowStartFolder();
    FormCreate();
    Progress = new TfrmProgress(this);
    Backup = new TfrmBackup(this);
    Session.Progress = Progress;
    Session.Backup = Backup;
    About = new TfrmAbout(this);
    // Loading a torrent fills the backup dialog too.
    OpenStartPath();
}

TfrmBrisolt::~TfrmBrisolt() = default;

void TfrmBrisolt::BuildWindow()
{
    setObjectName(QStringLiteral("frmBrisolt"));
    setWindowTitle(QLatin1String(kProgramTitle));

    pgeMain = MakeControl<QTabWidget>(this, "pgeMain");
    CreatePage = new TCreatePage(Session);
    tabCreate = CreatePage;
    EditPage = new TEditPage(Session);
    tabViewTorrent = EditPage;
    SettingsPage = new TSettingsPage(Session);
    tabSettings = SettingsPage;
    AboutPage = new TAboutPage(Session);
    tabAbout = AboutPage;
    tabAboutOrl = MakeAboutOrlPage();
    // A mnemonic is unique on each page, counting the tab bar (and on the
    // create page the mode tabs) with it.
    pgeMain->addTab(tabCreate, QStringLiteral("&Erstelle Torrent"));
    pgeMain->addTab(tabViewTorrent, QStringLiteral("&Bearbeite Torrent"));
    pgeMain->addTab(tabSettings, QStringLiteral("Ein&stellungen"));
    pgeMain->addTab(tabAbout, Text("Übe&r Brisolt"));
    // "Über Orl" is never shown: it has no tab at all, so that neither
    // Ctrl+Tab nor a screen reader's list of tabs reaches it.
    tabAboutOrl->setParent(pgeMain);
    tabAboutOrl->hide();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(pgeMain);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    setAcceptDrops(true);

    updateTimer = MakeControl<QTimer>(this, "updateTimer");
    updateTimer->setInterval(500);
    windowSaveTimer = MakeControl<QTimer>(this, "windowSaveTimer");
    windowSaveTimer->setInterval(200);
    windowSaveTimer->setSingleShot(true);

    // Never smaller than the design size, nor than the controls need (large fonts).
    const QSize needed = central->minimumSizeHint() + QSize(0, statusBar()->sizeHint().height());
    setMinimumSize(QSize(kMinimumWidth, kMinimumHeight).expandedTo(needed));
}

void TfrmBrisolt::ConnectHandlers()
{
    connect(AboutPage, &TAboutPage::HomepageClicked, this, &TfrmBrisolt::btnHomepageClick);
    connect(AboutPage, &TAboutPage::AboutOrlClicked, this, &TfrmBrisolt::btnAboutOrlClick);
    connect(AboutPage, &TAboutPage::ForumClicked, this, &TfrmBrisolt::btnOrlForumClick);
    connect(AboutPage, &TAboutPage::TrackerClicked, this, &TfrmBrisolt::btnOrlTrackerClick);
    connect(updateTimer, &QTimer::timeout, this, &TfrmBrisolt::updateTimerTimer);
    connect(windowSaveTimer, &QTimer::timeout, this, &TfrmBrisolt::SaveWindowPositionGuarded);
    connect(SettingsPage, &TSettingsPage::SaveClicked, this, &TfrmBrisolt::btnSaveSettingsClick);
    connect(SettingsPage, &TSettingsPage::PartnerClicked, this, &TfrmBrisolt::chkZINdefaultClick);
    ConnectCreateHandlers();
    ConnectEditHandlers();
    ConnectTrackerHandlers();
    // Closing the window during a run stops the run first; the window closes
    // when the run is over.
    new TCloseDuringRun(
        this,
        [this] { return Session.Running; },
        [this]
        {
            Session.CloseAfterRun = true;
            RequestAbort();
        });
}

void TfrmBrisolt::Guarded(const std::function<void()>& body)
{
    try
    {
        body();
    }
    catch (const std::exception& error)
    {
        Ui.MessageBox(ShownMessage(error.what()), QLatin1String(kProgramTitle), TMessageButtons::Ok);
    }
}

void TfrmBrisolt::SetStatusText(const QString& text)
{
    Session.SetStatusText(text);
}

void TfrmBrisolt::FormCreate()
{
    pgeMain->setCurrentIndex(0);
    Guarded([this] { LoadSettings(); });
    // Only the first argument counts, spelled exactly so.
    AutoSize = Arguments.size() > 1 && Arguments.at(1) == QLatin1String("-autosize");
    InstallDefaultTrackerList();
    updateTimer->start();
}

void TfrmBrisolt::OpenStartPath()
{
    const auto path = StartPath(Arguments);
    if (!path)
        return;
    // Saving later must not depend on the folder the program was started in.
    const QString absolute = QFileInfo(*path).absoluteFilePath();
    if (IsTorrentPath(absolute))
    {
        pgeMain->setCurrentWidget(tabViewTorrent);
        EditPage->OpenTorrent(absolute);
        return;
    }
    pgeMain->setCurrentWidget(tabCreate);
    CreatePage->TakeClassicPath(absolute);
}

void TfrmBrisolt::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!Shown)
    {
        Shown = true;
        FormShow();
    }
}

void TfrmBrisolt::FormShow()
{
    Guarded([this] { LoadWindowPosition(); });
    if (AutoSize)
        resize(sizeHint().expandedTo(minimumSize()));
    // Centred with the size it now has: the stored position is not used.
    if (const QScreen* desktop = screen())
        FitOnScreen(desktop->availableGeometry());
}

void TfrmBrisolt::FitOnScreen(const QRect& area)
{
    // Large fonts can ask for more than the screen has: the frame (title bar,
    // borders) and all stay inside the available area, even below the
    // minimum size, so that no tab or the status bar is out of reach.
    const QSize frame = frameGeometry().size() - size();
    const QSize room = (area.size() - frame).expandedTo(QSize(1, 1));
    setMinimumSize(minimumSize().boundedTo(room));
    resize(size().boundedTo(room));
    const QSize outer = size() + frame;
    QPoint topLeft = area.center() - QPoint(outer.width() / 2, outer.height() / 2);
    topLeft.setX(std::max(topLeft.x(), area.left()));
    topLeft.setY(std::max(topLeft.y(), area.top()));
    move(topLeft);
}

void TfrmBrisolt::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmBrisolt::FormResize()
{
    // A drag resizes many times; the size is written once it has settled.
    if (Shown)
        windowSaveTimer->start();
}

void TfrmBrisolt::SaveWindowPositionGuarded()
{
    Guarded([this] { SaveWindowPosition(); });
}

void TfrmBrisolt::ShowWriteFailures()
{
    Guarded([this] { ReportWriteFailures(false); });
}

void TfrmBrisolt::closeEvent(QCloseEvent* event)
{
    if (windowSaveTimer->isActive())
    {
        windowSaveTimer->stop();
        SaveWindowPositionGuarded();
    }
    FormCloseQuery();
    // The window closes even when a write failed: the message has told the user.
    event->accept();
    // A tracker download still waiting would keep the program from ending.
    Closing = true;
    HttpCli1->Abort();
}

void TfrmBrisolt::btnSaveSettingsClick()
{
    Guarded(
        [this]
        {
            SaveSettings();
            updateTimer->start();
        });
}

} // namespace brisolt
