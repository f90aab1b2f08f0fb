// The settings file: what the Settings page and the other pages take from
// it and give to it, and the window geometry.
#include <algorithm>
#include <functional>
#include <optional>
#include <stdexcept>

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/privatetrackers.h"
#include "config/settingsfile.h"
#include "platform/installdir.h"
#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/filelists.h"
#include "ui/nametext.h"
#include "ui/page_create.h"
#include "ui/page_edit.h"
#include "ui/page_settings.h"
#include "ui/settingswriter.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

constexpr const char* kMemory = "memory";
constexpr const char* kWindow = "window";

} // namespace

void TfrmBrisolt::LoadSettings()
{
    const TPrivateProfile profile(Session.SettingsPath());
    const TStartupMode mode = SettingsPage->Load(profile);
    if (SettingsPage->RememberFolder())
        ApplyRememberedFolder(profile);
    // The partner profile locks both "Privater Torrent" boxes checked.
    const bool partner = SettingsPage->PartnerDefaults();
    CreatePage->SetPrivate(partner);
    EditPage->SetPrivate(partner);
    CreatePage->LockPrivate(partner);
    EditPage->LockPrivate(partner);
    // An unknown mode keeps the design's page.
    if (mode != TStartupMode::Unknown)
        CreatePage->ShowSimpleMode(mode == TStartupMode::Simple);
}

void TfrmBrisolt::ApplyRememberedFolder(const TPrivateProfile& profile)
{
    const std::string folder = profile.ReadString(kMemory, "folder", "");
    if (!folder.empty())
        CreatePage->ShowRememberedFolder(std::filesystem::path(folder));
}

void TfrmBrisolt::SaveSettings()
{
    Writer->Post(TSettingsWriter::TKind::Settings, SettingsPage->Writes(Session.SettingsPath()));
    Writer->Wait();
    ReportWriteFailures(true);
}

void TfrmBrisolt::ReportWriteFailures(bool throwSettings)
{
    const std::vector<TSettingsWriter::TFailure> failures = Writer->Take();
    std::string settingsFailure;
    for (const TSettingsWriter::TFailure& failure : failures)
    {
        if (failure.Kind == TSettingsWriter::TKind::Settings && settingsFailure.empty())
            settingsFailure = failure.Message;
    }
    for (const TSettingsWriter::TFailure& failure : failures)
    {
        if (failure.Kind != TSettingsWriter::TKind::Position)
            continue;
        // A failed position write is said once (or by the settings' message
        // beside it); every resize would repeat it.
        if (PositionFailureSaid || !settingsFailure.empty())
        {
            PositionFailureSaid = true;
            SetStatusText(ShownMessage(failure.Message));
            continue;
        }
        PositionFailureSaid = true;
        Ui.MessageBox(ShownMessage(failure.Message), QLatin1String(kProgramTitle), TMessageButtons::Ok);
    }
    if (settingsFailure.empty())
        return;
    if (throwSettings)
        throw std::runtime_error(settingsFailure);
    Ui.MessageBox(ShownMessage(settingsFailure), QLatin1String(kProgramTitle), TMessageButtons::Ok);
}

void TfrmBrisolt::LoadWindowPosition()
{
    const TPrivateProfile profile(Session.SettingsPath());
    int width = profile.ReadInteger(kWindow, "width", 460);
    int height = profile.ReadInteger(kWindow, "height", 427);
    const int top = profile.ReadInteger(kWindow, "top", 144);
    const int left = profile.ReadInteger(kWindow, "left", 227);
    // A garbled size must not make the window larger than the screen.
    if (const QScreen* desktop = screen())
    {
        width = std::min(width, desktop->availableGeometry().width());
        height = std::min(height, desktop->availableGeometry().height());
    }
    resize(width, height); // the minimum size applies
    move(left, top);
}

void TfrmBrisolt::SaveWindowPosition()
{
    Writer->Post(
        TSettingsWriter::TKind::Position,
        [path = Session.SettingsPath(), left = x(), top = y(), width = width(), height = height()]
        {
            TPrivateProfile profile(path);
            profile.WriteInteger(kWindow, "left", left);
            profile.WriteInteger(kWindow, "top", top);
            profile.WriteInteger(kWindow, "width", width);
            profile.WriteInteger(kWindow, "height", height);
        });
}

void TfrmBrisolt::FormCloseQuery()
{
    Guarded(
        [this]
        {
            std::optional<std::string> folder;
            std::optional<std::string> tracker;
            if (SettingsPage->RememberFolder())
                folder = CreatePage->Folder().native();
            if (SettingsPage->RememberTracker())
                tracker = TypedBytes(CreatePage->TrackerText());
            std::function<void()> settings =
                SettingsPage->AutoSave() ? SettingsPage->Writes(Session.SettingsPath()) : std::function<void()>();
            Writer->Post(
                TSettingsWriter::TKind::Settings,
                [path = Session.SettingsPath(), folder, tracker, settings]
                {
                    TPrivateProfile profile(path);
                    if (folder)
                        profile.WriteString(kMemory, "folder", *folder);
                    if (tracker)
                        profile.WriteString(kMemory, "tracker", *tracker);
                    if (settings)
                        settings();
                });
            // Everything is on the disk before the window goes; one message at most.
            Writer->Wait();
            ReportWriteFailures(true);
        });
}

void TfrmBrisolt::chkZINdefaultClick()
{
    Guarded(
        [this]
        {
            const bool partner = SettingsPage->PartnerDefaults();
            CreatePage->SetPrivate(partner);
            EditPage->SetPrivate(partner);
        });
}

} // namespace brisolt
