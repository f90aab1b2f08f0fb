// Helpers for the window tests: a fresh install directory, home and
// configuration folder per test, the main window built as the program builds
// it (with a scripted user interface), finding controls by object name, and
// the base class that gives every test function its sandbox and window.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

#include "net/httpprot.h"
#include "ui/brisolt_main.h"
#include "ui/userinterface.h"

namespace brisolt::test
{

// Points BRISOLT_INSTALL_DIR, HOME and XDG_CONFIG_HOME into a temporary
// folder for as long as it lives.
class TUiSandbox
{
public:
    TUiSandbox();
    ~TUiSandbox();
    TUiSandbox(const TUiSandbox&) = delete;
    TUiSandbox& operator=(const TUiSandbox&) = delete;

    [[nodiscard]] std::filesystem::path Root() const;

    [[nodiscard]] std::filesystem::path Home() const { return Root() / "home"; }

    [[nodiscard]] std::filesystem::path InstallDir() const { return Root() / "install"; }

    [[nodiscard]] std::filesystem::path IniPath() const { return InstallDir() / "brisolt.ini"; }

    void WriteIni(const std::string& text) const;
    // The settings file's bytes; empty when there is none.
    [[nodiscard]] std::string Ini() const;
    // A value of the settings file as UTF-8 text, def when it is missing.
    [[nodiscard]] QString Value(const char* section, const char* key, const char* def = "<none>") const;
    std::filesystem::path Write(const std::filesystem::path& relative, const std::string& bytes) const;

private:
    QTemporaryDir Dir;
    QByteArray Saved[3];
};

// UTF-8 literals to a list, since the build forbids casts from char*.
[[nodiscard]] QStringList Strings(std::initializer_list<const char*> items);

// A UTF-8 literal, and a path whose bytes are UTF-8, as text.
[[nodiscard]] QString U(const char* utf8);
[[nodiscard]] QString Q(const std::filesystem::path& path);

// A caption as shown: without the mnemonic marker, "&&" as one "&".
[[nodiscard]] QString Shown(const QString& caption);

// The rows of a list or combo box, in order.
[[nodiscard]] QStringList Items(const QListWidget* list);
[[nodiscard]] QStringList Items(const QComboBox* combo);

// The control of parent's named name; a test without it ends at once.
template <class T>
T* Child(const QObject& parent, const char* name)
{
    auto* found = parent.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s of the requested kind", name);
    return found;
}

// The main window and its dialogs, answering through a script. The tests'
// one door to the window's private state.
class TWindow
{
public:
    explicit TWindow(const QStringList& arguments = {QStringLiteral("brisolt")});
    ~TWindow();

    TScriptedUserInterface Ui;
    std::unique_ptr<TfrmBrisolt> Form;

    [[nodiscard]] std::string InstallDir() const { return Form->Session.InstallDir(); }

    [[nodiscard]] std::filesystem::path SettingsPath() const { return Form->Session.SettingsPath(); }

    // The create page's announce URL for its tracker choice (which sets its status label).
    [[nodiscard]] std::string GetAnnounceURL() const;

    // Index of the last of the user's own trackers named exactly name, or -1.
    [[nodiscard]] int FindPrivateTracker(const QString& name) const;

    [[nodiscard]] std::vector<TTracker>& Trackers() const { return Form->Session.Trackers; }

    [[nodiscard]] std::vector<TTracker>& PrivateTrackers() const { return Form->Session.PrivateTrackers; }

    [[nodiscard]] const TTorrentFile* ViewTorrent() const;

    [[nodiscard]] QString ViewFileName() const;

    // The client that fetches the tracker list; tests shorten its time-out.
    [[nodiscard]] THttpCli& HttpClient() const { return *Form->HttpCli1; }

    // Shows the window and waits until it is on the screen.
    [[nodiscard]] bool Show();

    // Stops the tracker refresh that the window starts half a second after its creation.
    void HoldRefresh() const;

    // The questions of one kind the window asked, in order, and the addresses it opened.
    [[nodiscard]] std::vector<TScriptedUserInterface::TCall> Calls(TScriptedUserInterface::TKind kind) const;
    [[nodiscard]] QStringList Opened() const;

    template <class T>
    T* Get(const char* name) const
    {
        return Child<T>(*Form, name);
    }
};

// Base of the window test classes: every test function gets a fresh sandbox
// (Box) and, when the class asks for it, a main window (W) whose tracker
// refresh is held back, made after the sandbox and destroyed before it.
// SetUp runs after both, before each test function; TearDown after it.
class TWindowTest : public QObject
{
    Q_OBJECT

protected:
    explicit TWindowTest(bool withWindow = false)
        : WithWindow(withWindow)
    {
    }

    virtual void SetUp() {}

    virtual void TearDown() {}

    std::unique_ptr<TUiSandbox> Box;
    std::unique_ptr<TWindow> W;

private slots:
    void init();
    void cleanup();

private:
    bool WithWindow;
};

} // namespace brisolt::test
