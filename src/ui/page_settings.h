// The Settings page ("Einstellungen"): the start mode, the options, and the
// user's own trackers. The page owns its controls; while the program runs
// they hold the settings, which reach "brisolt.ini" through Load and Writes.
// The user's own trackers live in the session, so that the tracker
// directory can add them. The main window keeps the controls' handler names
// and calls the page's actions from them, so each runs through its Guarded.
#pragma once

#include <filesystem>
#include <functional>

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace brisolt
{

class TPrivateProfile;
class TSession;

// The create page's mode at the start.
enum class TStartupMode
{
    Unknown, // a mode the file names that the program does not know: neither is checked
    Simple,
    Classic,
};

class TSettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit TSettingsPage(TSession& session, QWidget* parent = nullptr);

    // The options as the settings file has them, the user's own trackers
    // into the session; returns the start mode the file names.
    TStartupMode Load(const TPrivateProfile& profile);
    // The page's values as one write of the settings file at path, for the
    // settings writer's thread.
    [[nodiscard]] std::function<void()> Writes(const std::filesystem::path& path) const;

    [[nodiscard]] bool RememberFolder() const;
    [[nodiscard]] bool RememberTracker() const;
    [[nodiscard]] bool NoUpdate() const;
    [[nodiscard]] bool AutoSave() const;
    [[nodiscard]] bool SkipThumbs() const;
    // "ZIN Einstellungen als Standard": the partner profile makes every torrent private.
    [[nodiscard]] bool PartnerDefaults() const;
    [[nodiscard]] TStartupMode StartupMode() const;

    // Index of the last of the user's own trackers named exactly name, or -1.
    [[nodiscard]] int FindPrivateTracker(const QString& name) const;

    // The actions behind the controls of the user's own trackers.
    void ShowChosenTracker();
    void ShowTrackerNameKnown();
    void AddOrModifyTracker();
    void DeleteTracker();

signals:
    void SaveClicked();
    void PartnerClicked();
    void TrackerChosen();
    void TrackerNameChanged();
    void AddModifyClicked();
    void DeleteClicked();

private:
    QLayout* BuildStartupAndOptions();
    QWidget* BuildPrivateTrackerGroup();
    void Connect();

    TSession& Session;
    QGroupBox* radStartupMode = nullptr;
    QRadioButton* radSimple = nullptr;
    QRadioButton* radClassic = nullptr;
    QCheckBox* chkRememberFolder = nullptr;
    QCheckBox* chkRememberTracker = nullptr;
    QCheckBox* chkNoUpdate = nullptr;
    QCheckBox* chkAutoSave = nullptr;
    QCheckBox* chkSkipThumbs = nullptr;
    QCheckBox* chkZINdefault = nullptr;
    QPushButton* btnSaveSettings = nullptr;
    QGroupBox* grpPrivateTrackers = nullptr;
    QListWidget* lstPrivateTrackers = nullptr;
    QLabel* lblPrivateName = nullptr;
    QLineEdit* txtPrivateName = nullptr;
    QLabel* lblPrivateAnnounce = nullptr;
    QLineEdit* txtPrivateAnnounce = nullptr;
    QLabel* lblPrivateWebsite = nullptr;
    QLineEdit* txtPrivateWebsite = nullptr;
    QPushButton* btnPrivateAddModify = nullptr;
    QPushButton* btnPrivateDelete = nullptr;
};

} // namespace brisolt
