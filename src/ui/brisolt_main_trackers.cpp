// The tracker directory: the refresh that downloads (or reads from the cache)
// the tracker list and gives the create page's tracker choice its names, and
// the handlers of the user's own trackers on the Settings page. The list
// format and the lookups themselves live in platform/trackerlist.
#include <utility>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>

#include "config/settingsfile.h"
#include "config/trackerlist.h"
#include "net/httpprot.h"
#include "platform/fileio.h"
#include "platform/folders.h"
#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/nametext.h"
#include "ui/page_create.h"
#include "ui/page_settings.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

// Where the list is fetched from unless the settings file names other
// addresses: first port 81, then the default port.
constexpr const char* kDefaultTrackerList1 = "http://trackers.brisolt.org:81/torrent/trackers.lst";
constexpr const char* kDefaultTrackerList2 = "http://trackers.brisolt.org/brisolt/trackers.lst";

bool IsFile(const std::filesystem::path& path)
{
    return PathInfo(path).Kind == TPathKind::RegularFile;
}

} // namespace

void TfrmBrisolt::ConnectTrackerHandlers()
{
    connect(SettingsPage, &TSettingsPage::TrackerChosen, this, &TfrmBrisolt::lstPrivateTrackersClick);
    connect(SettingsPage, &TSettingsPage::TrackerNameChanged, this, &TfrmBrisolt::txtPrivateNameChange);
    connect(SettingsPage, &TSettingsPage::AddModifyClicked, this, &TfrmBrisolt::btnPrivateAddModifyClick);
    connect(SettingsPage, &TSettingsPage::DeleteClicked, this, &TfrmBrisolt::btnPrivateDeleteClick);
}

void TfrmBrisolt::InstallDefaultTrackerList()
{
    const std::filesystem::path cache = Session.CachePath();
    // A cache that cannot be looked at is left alone, as one that exists.
    if (!IsNotFound(PathInfo(cache)))
        return;
    // Ships with the program, so that a first start without network offers trackers.
    QFile shipped(QStringLiteral(":/trackers.lst"));
    if (!shipped.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = shipped.readAll();
    // Nothing to report when this fails: the refresh reports the folder it cannot write.
    (void)CreateFolders(cache.parent_path());
    (void)WriteFileAtomic(cache, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void TfrmBrisolt::updateTimerTimer()
{
    updateTimer->stop();
    // A torrent given on the command line has loaded before the first refresh:
    // its result stays what the status bar says.
    const QString loaded = Refreshed ? QString() : Session.StatusText();
    Refreshed = true;
    Guarded(
        [this]
        {
            std::string buffer;
            SetStatusText(QStringLiteral("Versuche Trackerliste zu aktualisieren..."));
            const std::filesystem::path cache = Session.CachePath();
            if (SettingsPage->NoUpdate())
            {
                buffer = ReadTrackerListFile(cache);
                ParseTrackerBuffer(buffer);
            }
            else if (!TrackerListConfigured())
            {
                // The built-in addresses name no real host: asking them only
                // ends in a warning on every start, so the list at hand is used.
                LoadLocalTrackerList(cache);
            }
            else if (DownloadTrackerList(buffer))
            {
                WriteTrackerListFile(cache, buffer);
                ParseTrackerBuffer(buffer);
            }
            else
            {
                // Closing the window abandoned the download: nothing is left to show.
                if (Closing)
                    return;
                Ui.MessageBox(
                    QStringLiteral("There was an error updating the tracker list, information may not be current!"),
                    QStringLiteral("Warning"),
                    TMessageButtons::Ok);
                if (IsFile(cache))
                {
                    buffer = ReadTrackerListFile(cache);
                    ParseTrackerBuffer(buffer);
                }
                else
                {
                    Ui.MessageBox(
                        QStringLiteral("No cached version of the tracker list could be found; you're on your own"),
                        QStringLiteral("Error"),
                        TMessageButtons::Ok);
                    CreatePage->SetTrackerNames({});
                }
            }
            ApplyRememberedTracker();
        });
    if (!loaded.isEmpty())
        SetStatusText(loaded);
}

bool TfrmBrisolt::TrackerListConfigured()
{
    const TPrivateProfile profile(Session.SettingsPath());
    return !profile.ReadString("settings", "trackerlist1", "").empty()
           || !profile.ReadString("settings", "trackerlist2", "").empty();
}

void TfrmBrisolt::LoadLocalTrackerList(const std::filesystem::path& cache)
{
    if (IsFile(cache))
    {
        ParseTrackerBuffer(ReadTrackerListFile(cache));
        SetStatusText(Text("Trackerliste aus %1 geladen (keine Download-Adresse eingestellt)").arg(ShownPath(cache)));
        return;
    }
    // The cache could not be written at the first start: the shipped list still serves.
    QFile shipped(QStringLiteral(":/trackers.lst"));
    if (!shipped.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = shipped.readAll();
    ParseTrackerBuffer(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    SetStatusText(Text("Mitgelieferte Trackerliste geladen (keine Download-Adresse eingestellt)"));
}

bool TfrmBrisolt::DownloadTrackerList(std::string& buffer)
{
    const TPrivateProfile profile(Session.SettingsPath());
    std::string addresses[] = {
        profile.ReadString("settings", "trackerlist1", ""), profile.ReadString("settings", "trackerlist2", "")};
    // An address the settings leave empty means none was set.
    if (addresses[0].empty())
        addresses[0] = kDefaultTrackerList1;
    if (addresses[1].empty())
        addresses[1] = kDefaultTrackerList2;
    for (const std::string& address : addresses)
    {
        buffer.clear();
        HttpCli1->URL = address;
        try
        {
            HttpCli1->Get(buffer);
            // A page that is no list (a captive portal's, an empty one) is a
            // failed download: it must not replace the cache.
            if (HttpCli1->StatusCode() == 200 && ParseTrackerList(buffer).Error.empty())
                return true;
        }
        catch (const std::exception&)
        {
            // Single failures are not reported; only both together are.
        }
        if (Closing)
            return false;
    }
    return false;
}

void TfrmBrisolt::ParseTrackerBuffer(const std::string& buffer)
{
    const TTrackerListText lines(buffer);
    if (OffersUpdate(ReadListVersion(lines))
        && Ui.MessageBox(
               QStringLiteral("A new version of Brisolt is afvailable! Update now?"),
               QStringLiteral("Version Check"),
               TMessageButtons::YesNo)
               == TMessageResult::Yes)
    {
        // The list arrives over plain HTTP: only a web page is opened.
        const std::string address = ReadUpdateAddress(lines);
        if (IsWebAddress(address))
            Session.OpenWebPage(ShownText(address));
    }
    QStringList names;
    try
    {
        ReadTrackers(lines, Session.Trackers, [&names](const TTracker& tracker) { names << ShownText(tracker.Name); });
    }
    catch (...)
    {
        // What was read before the fault stays, without the user's own.
        Session.Trackers = TrackerDirectory(std::move(Session.Trackers), {});
        CreatePage->SetTrackerNames(names);
        throw;
    }
    Session.Trackers = TrackerDirectory(std::move(Session.Trackers), Session.PrivateTrackers);
    for (const TTracker& tracker : Session.PrivateTrackers)
        names << ShownText(tracker.Name);
    CreatePage->SetTrackerNames(names);
    SetStatusText(QStringLiteral("Tracker Liste geladen!"));
}

void TfrmBrisolt::ApplyRememberedTracker()
{
    // Later refreshes (saving the settings runs one) keep what was chosen since.
    if (RememberedTrackerApplied)
        return;
    RememberedTrackerApplied = true;
    if (!SettingsPage->RememberTracker())
        return;
    const TPrivateProfile profile(Session.SettingsPath());
    CreatePage->SetTrackerText(ShownText(profile.ReadString("memory", "tracker", kRememberedTrackerDefault)));
    cmbAnnounceURL2Change();
}

void TfrmBrisolt::lstPrivateTrackersClick()
{
    Guarded([this] { SettingsPage->ShowChosenTracker(); });
}

void TfrmBrisolt::txtPrivateNameChange()
{
    Guarded([this] { SettingsPage->ShowTrackerNameKnown(); });
}

void TfrmBrisolt::btnPrivateAddModifyClick()
{
    Guarded([this] { SettingsPage->AddOrModifyTracker(); });
}

void TfrmBrisolt::btnPrivateDeleteClick()
{
    Guarded([this] { SettingsPage->DeleteTracker(); });
}

} // namespace brisolt
