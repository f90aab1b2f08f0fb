#include "ui/page_settings.h"

#include <string>
#include <utility>
#include <vector>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "config/privatetrackers.h"
#include "config/settingsfile.h"
#include "config/trackerlist.h"
#include "ui/controls.h"
#include "ui/nametext.h"
#include "ui/session.h"
#include "ui/userinterface.h"

namespace brisolt
{

namespace
{

constexpr const char* kSettings = "settings";

} // namespace

TSettingsPage::TSettingsPage(TSession& session, QWidget* parent)
    : QWidget(parent)
    , Session(session)
{
    setObjectName(QStringLiteral("tabSettings"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildStartupAndOptions());
    layout->addWidget(BuildPrivateTrackerGroup(), 1);
    btnSaveSettings = MakeControl<QPushButton>(this, "btnSaveSettings", QStringLiteral("Einstellungen spei&chern"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnSaveSettings);
    layout->addLayout(bottom);
    Connect();
}

QLayout* TSettingsPage::BuildStartupAndOptions()
{
    // The two start-mode buttons belong to the page, not to the frame; they
    // share its cell so that they appear inside it.
    radStartupMode = MakeControl<QGroupBox>(this, "radStartupMode");
    radStartupMode->setTitle(QStringLiteral("Startmodus"));
    radSimple = MakeControl<QRadioButton>(this, "radSimple", QStringLiteral("Ein&fach"));
    radClassic = MakeControl<QRadioButton>(this, "radClassic", QStringLiteral("&Klassisch"));
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
        MakeControl<QCheckBox>(this, "chkRememberFolder", QStringLiteral("Zuletzt benutzten &Ordner merken"));
    chkRememberTracker = MakeControl<QCheckBox>(
        this, "chkRememberTracker", QStringLiteral("Tracker &merken, welcher zuletzt benutzt wurde"));
    chkNoUpdate = MakeControl<QCheckBox>(this, "chkNoUpdate", QStringLiteral("KEIN U&pdate der Tracker beim Starten"));
    chkAutoSave = MakeControl<QCheckBox>(
        this, "chkAutoSave", QStringLiteral("A&utomatisches speichern der Einstellungen beim beenden"));
    chkSkipThumbs = MakeControl<QCheckBox>(this, "chkSkipThumbs", QStringLiteral("Datei &thumbs.db immer ignorieren"));
    chkZINdefault = MakeControl<QCheckBox>(this, "chkZINdefault", QStringLiteral("&ZIN Einstellungen als Standard"));
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

QWidget* TSettingsPage::BuildPrivateTrackerGroup()
{
    grpPrivateTrackers = MakeControl<QGroupBox>(this, "grpPrivateTrackers");
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

void TSettingsPage::Connect()
{
    connect(btnSaveSettings, &QPushButton::clicked, this, &TSettingsPage::SaveClicked);
    connect(chkZINdefault, &QCheckBox::toggled, this, &TSettingsPage::PartnerClicked);
    connect(chkSkipThumbs, &QCheckBox::toggled, this, [this](bool checked) { Session.SkipThumbs = checked; });
    // A click on the selected entry fills the fields again, as does any change of the selection.
    connect(lstPrivateTrackers, &QListWidget::itemSelectionChanged, this, &TSettingsPage::TrackerChosen);
    connect(lstPrivateTrackers, &QListWidget::itemClicked, this, &TSettingsPage::TrackerChosen);
    connect(txtPrivateName, &QLineEdit::textChanged, this, &TSettingsPage::TrackerNameChanged);
    connect(btnPrivateAddModify, &QPushButton::clicked, this, &TSettingsPage::AddModifyClicked);
    connect(btnPrivateDelete, &QPushButton::clicked, this, &TSettingsPage::DeleteClicked);
}

TStartupMode TSettingsPage::Load(const TPrivateProfile& profile)
{
    chkRememberFolder->setChecked(profile.ReadBool(kSettings, "rememberfolder", true));
    chkNoUpdate->setChecked(profile.ReadBool(kSettings, "noupdate", false));
    chkAutoSave->setChecked(profile.ReadBool(kSettings, "autosave", true));
    chkSkipThumbs->setChecked(profile.ReadBool(kSettings, "skipthumbs", true));
    chkZINdefault->setChecked(profile.ReadBool(kSettings, "defaultzin", true));
    chkRememberTracker->setChecked(profile.ReadBool(kSettings, "remembertracker", true));
    TStartupMode mode = TStartupMode::Unknown;
    switch (profile.ReadInteger(kSettings, "startup", 0))
    {
    case 0:
        radSimple->setChecked(true);
        mode = TStartupMode::Simple;
        break;
    case 1:
        radClassic->setChecked(true);
        mode = TStartupMode::Classic;
        break;
    default:
        break; // an unknown mode checks neither button
    }
    Session.PrivateTrackers = ReadPrivateTrackers(profile);
    lstPrivateTrackers->clear();
    for (const TTracker& tracker : Session.PrivateTrackers)
        lstPrivateTrackers->addItem(ShownText(tracker.Name));
    return mode;
}

bool TSettingsPage::RememberFolder() const
{
    return chkRememberFolder->isChecked();
}

bool TSettingsPage::RememberTracker() const
{
    return chkRememberTracker->isChecked();
}

bool TSettingsPage::NoUpdate() const
{
    return chkNoUpdate->isChecked();
}

bool TSettingsPage::AutoSave() const
{
    return chkAutoSave->isChecked();
}

bool TSettingsPage::SkipThumbs() const
{
    return chkSkipThumbs->isChecked();
}

bool TSettingsPage::PartnerDefaults() const
{
    return chkZINdefault->isChecked();
}

TStartupMode TSettingsPage::StartupMode() const
{
    return radSimple->isChecked()    ? TStartupMode::Simple
           : radClassic->isChecked() ? TStartupMode::Classic
                                     : TStartupMode::Unknown;
}

std::function<void()> TSettingsPage::Writes(const std::filesystem::path& path) const
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
    const TStartupMode mode = StartupMode();
    return [path,
            rememberFolder = RememberFolder(),
            rememberTracker = RememberTracker(),
            noUpdate = NoUpdate(),
            autoSave = AutoSave(),
            skipThumbs = SkipThumbs(),
            partner = PartnerDefaults(),
            mode,
            trackers = std::move(trackers)]
    {
        TPrivateProfile profile(path);
        profile.WriteBool(kSettings, "rememberfolder", rememberFolder);
        profile.WriteBool(kSettings, "remembertracker", rememberTracker);
        profile.WriteBool(kSettings, "noupdate", noUpdate);
        profile.WriteBool(kSettings, "autosave", autoSave);
        profile.WriteBool(kSettings, "skipthumbs", skipThumbs);
        profile.WriteBool(kSettings, "defaultzin", partner);
        if (mode != TStartupMode::Unknown)
            profile.WriteInteger(kSettings, "startup", mode == TStartupMode::Simple ? 0 : 1);
        WritePrivateTrackers(profile, trackers);
    };
}

int TSettingsPage::FindPrivateTracker(const QString& name) const
{
    return FindLastTracker(Session.PrivateTrackers, TypedBytes(name));
}

void TSettingsPage::ShowChosenTracker()
{
    const QList<QListWidgetItem*> selected = lstPrivateTrackers->selectedItems();
    if (selected.isEmpty())
    {
        btnPrivateDelete->setEnabled(false);
        return;
    }
    btnPrivateDelete->setEnabled(true);
    const int index = FindPrivateTracker(selected.front()->text());
    if (index < 0)
    {
        btnPrivateAddModify->setText(Text("&Hinzufügen"));
        return;
    }
    const TTracker& tracker = Session.PrivateTrackers[static_cast<std::size_t>(index)];
    txtPrivateName->setText(ShownText(tracker.Name));
    txtPrivateAnnounce->setText(ShownText(tracker.Announce));
    txtPrivateWebsite->setText(ShownText(tracker.Webpage));
    btnPrivateAddModify->setText(Text("Ände&rn"));
}

void TSettingsPage::ShowTrackerNameKnown()
{
    btnPrivateAddModify->setText(
        FindPrivateTracker(txtPrivateName->text()) < 0 ? Text("&Hinzufügen") : Text("Ände&rn"));
}

void TSettingsPage::AddOrModifyTracker()
{
    const QString name = txtPrivateName->text();
    if (name.isEmpty())
    {
        Session.Ui.MessageBox(Text("Bitte gib einen Trackernamen ein!"), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    if (txtPrivateAnnounce->text().isEmpty())
    {
        Session.Ui.MessageBox(Text("Gib eine Tracker-Announce URL an!"), QStringLiteral("Error"), TMessageButtons::Ok);
        return;
    }
    int index = FindPrivateTracker(name);
    if (index < 0)
    {
        Session.PrivateTrackers.emplace_back();
        index = static_cast<int>(Session.PrivateTrackers.size()) - 1;
        lstPrivateTrackers->addItem(name);
        btnPrivateAddModify->setText(Text("Ände&rn"));
    }
    TTracker& tracker = Session.PrivateTrackers[static_cast<std::size_t>(index)];
    tracker.Name = TypedBytes(name);
    tracker.Announce = TypedBytes(txtPrivateAnnounce->text());
    tracker.Webpage = TypedBytes(txtPrivateWebsite->text());
    tracker.Down = false;
}

void TSettingsPage::DeleteTracker()
{
    const QString name = txtPrivateName->text();
    const int index = FindPrivateTracker(name);
    if (index < 0)
        return;
    // The list entry of the same name goes with the table entry, so that the
    // two never disagree: the selected one, else the last.
    QListWidgetItem* item = nullptr;
    const QList<QListWidgetItem*> selected = lstPrivateTrackers->selectedItems();
    const QList<QListWidgetItem*> named =
        lstPrivateTrackers->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!selected.isEmpty() && selected.front()->text() == name)
        item = selected.front();
    else if (!named.isEmpty())
        item = named.back();
    {
        // The fields keep the deleted tracker, ready to be added again.
        const QSignalBlocker quiet(lstPrivateTrackers);
        delete item;
        lstPrivateTrackers->clearSelection();
        lstPrivateTrackers->setCurrentItem(nullptr);
    }
    Session.PrivateTrackers.erase(Session.PrivateTrackers.begin() + index);
    ShowChosenTracker();
    ShowTrackerNameKnown();
}

} // namespace brisolt
