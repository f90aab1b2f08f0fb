// The Settings page, the settings file and the window geometry.
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

#include "platform/installdir.h"
#include "platform/privatetrackers.h"
#include "platform/settingsfile.h"
#include "ui/brisolt_main.h"
#include "ui/controls.h"
#include "ui/filelists.h"
#include "ui/nametext.h"
#include "ui/page_edit.h"
#include "ui/settingswriter.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

constexpr const char* kSettings = "settings";
constexpr const char* kMemory = "memory";
constexpr const char* kWindow = "window";

} // namespace

QWidget* TfrmBrisolt::BuildSettingsPage()
{
    auto* page = MakeControl<QWidget>(nullptr, "tabSettings");
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(BuildStartupAndOptions(page));
    layout->addWidget(BuildPrivateTrackerGroup(page), 1);
    btnSaveSettings = MakeControl<QPushButton>(page, "btnSaveSettings", QStringLiteral("Einstellungen spei&chern"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnSaveSettings);
    layout->addLayout(bottom);
    return page;
}

QLayout* TfrmBrisolt::BuildStartupAndOptions(QWidget* page)
{
    // The two start-mode buttons belong to the page, not to the frame; they
    // share its cell so that they appear inside it.
    radStartupMode = MakeControl<QGroupBox>(page, "radStartupMode");
    radStartupMode->setTitle(QStringLiteral("Startmodus"));
    radSimple = MakeControl<QRadioButton>(page, "radSimple", QStringLiteral("Ein&fach"));
    radClassic = MakeControl<QRadioButton>(page, "radClassic", QStringLiteral("&Klassisch"));
    TabToCheckedButton({radSimple, radClassic});
    auto* radios = new QVBoxLayout;
    const int titleHeight = radStartupMode->fontMetrics().height();
    radios->setContentsMargins(12, titleHeight + 8, 12, 10);
    radios->addWidget(radSimple);
    radios->addWidget(radClassic);
    auto* frameCell = new QGridLayout;
    frameCell->addWidget(radStartupMode, 0, 0);
    frameCell->addLayout(radios, 0, 0);

    chkRememberFolder =
        MakeControl<QCheckBox>(page, "chkRememberFolder", QStringLiteral("Zuletzt benutzten &Ordner merken"));
    chkRememberTracker = MakeControl<QCheckBox>(
        page, "chkRememberTracker", QStringLiteral("Tracker &merken, welcher zuletzt benutzt wurde"));
    chkNoUpdate = MakeControl<QCheckBox>(page, "chkNoUpdate", QStringLiteral("KEIN U&pdate der Tracker beim Starten"));
    chkAutoSave = MakeControl<QCheckBox>(
        page, "chkAutoSave", QStringLiteral("A&utomatisches speichern der Einstellungen beim beenden"));
    chkSkipThumbs = MakeControl<QCheckBox>(page, "chkSkipThumbs", QStringLiteral("Datei &thumbs.db immer ignorieren"));
    chkZINdefault = MakeControl<QCheckBox>(page, "chkZINdefault", QStringLiteral("&ZIN Einstellungen als Standard"));
    chkZINdefault->setEnabled(false); // only the settings file sets it
    auto* options = new QVBoxLayout;
    for (QCheckBox* box :
         {chkRememberFolder, chkRememberTracker, chkNoUpdate, chkAutoSave, chkSkipThumbs, chkZINdefault})
        options->addWidget(box);

    auto* top = new QHBoxLayout;
    top->addLayout(frameCell);
    top->setAlignment(frameCell, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(options);
    top->addStretch();
    return top;
}

QWidget* TfrmBrisolt::BuildPrivateTrackerGroup(QWidget* page)
{
    grpPrivateTrackers = MakeControl<QGroupBox>(page, "grpPrivateTrackers");
    grpPrivateTrackers->setTitle(QStringLiteral("Eigene Tracker "));
    QWidget* group = grpPrivateTrackers;
    lstPrivateTrackers = MakeControl<QListWidget>(group, "lstPrivateTrackers");
    lstPrivateTrackers->setAccessibleName(QStringLiteral("Eigene Tracker"));
    lstPrivateTrackers->setMaximumWidth(200);
    lblPrivateName = MakeControl<QLabel>(group, "lblPrivateName", QStringLiteral("&Name:"));
    txtPrivateName = MakeControl<QLineEdit>(group, "txtPrivateName");
    lblPrivateAnnounce = MakeControl<QLabel>(group, "lblPrivateAnnounce", QStringLiteral("&Announce URL:"));
    txtPrivateAnnounce = MakeControl<QLineEdit>(group, "txtPrivateAnnounce");
    lblPrivateWebsite = MakeControl<QLabel>(group, "lblPrivateWebsite", QStringLiteral("&Website URL:"));
    txtPrivateWebsite = MakeControl<QLineEdit>(group, "txtPrivateWebsite");
    btnPrivateAddModify = MakeControl<QPushButton>(group, "btnPrivateAddModify", Text("&Hinzufügen"));
    btnPrivateDelete = MakeControl<QPushButton>(group, "btnPrivateDelete", Text("&Löschen"));
    btnPrivateDelete->setEnabled(false);
    lblPrivateName->setBuddy(txtPrivateName);
    lblPrivateAnnounce->setBuddy(txtPrivateAnnounce);
    lblPrivateWebsite->setBuddy(txtPrivateWebsite);

    auto* fields = new QGridLayout;
    fields->addWidget(lblPrivateName, 0, 0);
    fields->addWidget(txtPrivateName, 0, 1);
    fields->addWidget(lblPrivateAnnounce, 1, 0);
    fields->addWidget(txtPrivateAnnounce, 1, 1);
    fields->addWidget(lblPrivateWebsite, 2, 0);
    fields->addWidget(txtPrivateWebsite, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPrivateAddModify);
    buttons->addWidget(btnPrivateDelete);
    fields->addLayout(buttons, 3, 0, 1, 2);
    fields->setRowStretch(4, 1);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(lstPrivateTrackers, 2);
    layout->addLayout(fields, 3);
    return group;
}

void TfrmBrisolt::ReadInstallDir()
{
    InstallDir = ::brisolt::ReadInstallDir();
}

std::filesystem::path TfrmBrisolt::SettingsPath()
{
    if (InstallDir.empty())
        ReadInstallDir();
    return std::filesystem::path(InstallDir + std::string(kSettingsFileName));
}

void TfrmBrisolt::LoadSettings()
{
    const TPrivateProfile profile(SettingsPath());
    chkRememberFolder->setChecked(profile.ReadBool(kSettings, "rememberfolder", true));
    if (chkRememberFolder->isChecked())
        ApplyRememberedFolder(profile);
    chkNoUpdate->setChecked(profile.ReadBool(kSettings, "noupdate", false));
    chkAutoSave->setChecked(profile.ReadBool(kSettings, "autosave", true));
    chkSkipThumbs->setChecked(profile.ReadBool(kSettings, "skipthumbs", true));

    // The partner profile locks both "Privater Torrent" boxes checked.
    chkZINdefault->setChecked(profile.ReadBool(kSettings, "defaultzin", true));
    const bool partner = chkZINdefault->isChecked();
    chkPrivate1->setChecked(partner);
    EditPage->SetPrivate(partner);
    chkPrivate1->setEnabled(!partner);
    EditPage->LockPrivate(partner);

    chkRememberTracker->setChecked(profile.ReadBool(kSettings, "remembertracker", true));
    switch (profile.ReadInteger(kSettings, "startup", 0))
    {
    case 0:
        radSimple->setChecked(true);
        pageMode->setCurrentIndex(0);
        break;
    case 1:
        radClassic->setChecked(true);
        pageMode->setCurrentIndex(1);
        break;
    default:
        break; // an unknown mode keeps the design's page and checks neither button
    }
    LoadPrivateTrackers(profile);
}

void TfrmBrisolt::ApplyRememberedFolder(const TPrivateProfile& profile)
{
    const std::string folder = profile.ReadString(kMemory, "folder", "");
    if (folder.empty())
        return;
    // A folder that is gone (an unplugged disk, say) leaves the list at home.
    if (!DirectoryListBox1->SetPath(std::filesystem::path(folder)))
        DirectoryListBox1->SetDirectory(QDir::homePath());
}

void TfrmBrisolt::LoadPrivateTrackers(const TPrivateProfile& profile)
{
    Session.PrivateTrackers = ReadPrivateTrackers(profile);
    lstPrivateTrackers->clear();
    for (const TTracker& tracker : Session.PrivateTrackers)
        lstPrivateTrackers->addItem(ShownText(tracker.Name));
}

std::function<void()> TfrmBrisolt::SettingsWrites()
{
    std::vector<TTracker> trackers;
    for (int i = 0; i < lstPrivateTrackers->count(); ++i)
    {
        const QString name = lstPrivateTrackers->item(i)->text();
        const int index = FindPrivateTracker(name);
        // A list entry without its table entry is saved with its name alone.
        trackers.push_back(
            index >= 0 ? Session.PrivateTrackers[static_cast<std::size_t>(index)]
                       : TTracker{TypedBytes(name), {}, {}, false});
    }
    const int startup = radSimple->isChecked() ? 0 : radClassic->isChecked() ? 1 : -1;
    return [path = SettingsPath(),
            rememberFolder = chkRememberFolder->isChecked(),
            rememberTracker = chkRememberTracker->isChecked(),
            noUpdate = chkNoUpdate->isChecked(),
            autoSave = chkAutoSave->isChecked(),
            skipThumbs = chkSkipThumbs->isChecked(),
            partner = chkZINdefault->isChecked(),
            startup,
            trackers = std::move(trackers)]
    {
        TPrivateProfile profile(path);
        profile.WriteBool(kSettings, "rememberfolder", rememberFolder);
        profile.WriteBool(kSettings, "remembertracker", rememberTracker);
        profile.WriteBool(kSettings, "noupdate", noUpdate);
        profile.WriteBool(kSettings, "autosave", autoSave);
        profile.WriteBool(kSettings, "skipthumbs", skipThumbs);
        profile.WriteBool(kSettings, "defaultzin", partner);
        if (startup >= 0)
            profile.WriteInteger(kSettings, "startup", startup);
        WritePrivateTrackers(profile, trackers);
    };
}

void TfrmBrisolt::SaveSettings()
{
    Writer->Post(TSettingsWriter::TKind::Settings, SettingsWrites());
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

int TfrmBrisolt::FindPrivateTracker(const QString& name) const
{
    return FindLastTracker(Session.PrivateTrackers, TypedBytes(name));
}

void TfrmBrisolt::LoadWindowPosition()
{
    const TPrivateProfile profile(SettingsPath());
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
        [path = SettingsPath(), left = x(), top = y(), width = width(), height = height()]
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
            if (chkRememberFolder->isChecked())
                folder = DirectoryListBox1->Path().native();
            if (chkRememberTracker->isChecked())
                tracker = TypedBytes(cmbAnnounceURL->currentText());
            std::function<void()> settings = chkAutoSave->isChecked() ? SettingsWrites() : std::function<void()>();
            Writer->Post(
                TSettingsWriter::TKind::Settings,
                [path = SettingsPath(), folder, tracker, settings]
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
            const bool partner = chkZINdefault->isChecked();
            chkPrivate1->setChecked(partner);
            EditPage->SetPrivate(partner);
        });
}

} // namespace brisolt
