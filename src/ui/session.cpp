#include "ui/session.h"

#include <QDir>
#include <QMainWindow>
#include <QStatusBar>

#include "config/settingsfile.h"
#include "config/trackerlist.h"
#include "platform/installdir.h"
#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/typedpathinfo.h"
#include "ui/userinterface.h"

namespace brisolt
{

void TSession::OpenWebPage(const QString& url) const
{
    // Without a browser the click would otherwise do nothing visible at all.
    if (!Ui.OpenUrl(url))
        Ui.MessageBox(
            Text("Es konnte kein Browser gestartet werden, um %1 zu öffnen.").arg(url),
            QLatin1String(kProgramTitle),
            TMessageButtons::Ok);
}

const std::string& TSession::InstallDir()
{
    if (Install.empty())
        Install = ReadInstallDir();
    return Install;
}

std::filesystem::path TSession::SettingsPath()
{
    return std::filesystem::path(InstallDir() + std::string(kSettingsFileName));
}

std::filesystem::path TSession::CachePath()
{
    return std::filesystem::path(InstallDir() + std::string(kTrackerListFileName));
}

void TSession::SetStatusText(const QString& text) const
{
    Window.statusBar()->showMessage(text);
}

QString TSession::StatusText() const
{
    return Window.statusBar()->currentMessage();
}

void TSession::RepaintStatus() const
{
    Window.statusBar()->repaint();
}

std::string TSession::LookupAnnounceURL(const std::string& name) const
{
    return ::brisolt::LookupAnnounceURL(Trackers, name);
}

QString TSession::DialogFolder(TDialogPurpose purpose, const QString& own) const
{
    if (const auto last = DialogFolders.find(purpose);
        last != DialogFolders.end() && TypedPathInfo(last->second).Kind == TPathKind::Folder)
        return last->second;
    return !own.isEmpty() && TypedPathInfo(own).Kind == TPathKind::Folder ? own : QDir::homePath();
}

void TSession::RememberDialogFolder(TDialogPurpose purpose, const QString& folder)
{
    if (!folder.isEmpty())
        DialogFolders[purpose] = QDir::cleanPath(folder);
}

bool TSession::CloseIfAskedDuringRun()
{
    if (!CloseAfterRun)
        return false;
    CloseAfterRun = false;
    Running = false;
    Window.close();
    return true;
}

} // namespace brisolt
