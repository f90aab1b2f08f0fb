#include "uitestsupport.h"

#include <fstream>
#include <sstream>

#include <QTest>
#include <QTimer>

#include "config/settingsfile.h"
#include "platform/installdir.h"
#include "ui/page_create.h"
#include "ui/page_edit.h"
#include "ui/page_settings.h"

namespace brisolt::test
{

namespace
{

const char* const kVariables[] = {kInstallDirVariable, "HOME", "XDG_CONFIG_HOME"};

} // namespace

TUiSandbox::TUiSandbox()
{
    for (int i = 0; i < 3; ++i)
        Saved[i] = qgetenv(kVariables[i]);
    std::filesystem::create_directories(InstallDir());
    std::filesystem::create_directories(Home());
    qputenv(kInstallDirVariable, QFile::encodeName(QString::fromStdString(InstallDir().string())));
    qputenv("HOME", QFile::encodeName(QString::fromStdString(Home().string())));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString((Home() / ".config").string())));
}

TUiSandbox::~TUiSandbox()
{
    for (int i = 0; i < 3; ++i)
        qputenv(kVariables[i], Saved[i]);
}

std::filesystem::path TUiSandbox::Root() const
{
    return std::filesystem::path(QFile::encodeName(Dir.path()).toStdString());
}

void TUiSandbox::WriteIni(const std::string& text) const
{
    Write(IniPath().lexically_relative(Root()), text);
}

std::string TUiSandbox::Ini() const
{
    std::ifstream in(IniPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QString TUiSandbox::Value(const char* section, const char* key, const char* def) const
{
    return QString::fromStdString(ReadProfileString(IniPath(), section, key, def));
}

QStringList Strings(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

std::filesystem::path TUiSandbox::Write(const std::filesystem::path& relative, const std::string& bytes) const
{
    const auto path = Root() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return path;
}

TWindow::TWindow(const QStringList& arguments)
{
    Form = std::make_unique<TfrmBrisolt>(Ui, arguments);
}

TWindow::~TWindow() = default;

bool TWindow::Show()
{
    Form->show();
    return QTest::qWaitForWindowExposed(Form.get());
}

const TTorrentFile* TWindow::ViewTorrent() const
{
    return Form->EditPage->Torrent();
}

QString TWindow::ViewFileName() const
{
    return Form->EditPage->FileName();
}

std::string TWindow::GetAnnounceURL() const
{
    return Form->CreatePage->GetAnnounceURL();
}

int TWindow::FindPrivateTracker(const QString& name) const
{
    return Form->SettingsPage->FindPrivateTracker(name);
}

void TWindow::HoldRefresh() const
{
    Get<QTimer>("updateTimer")->stop();
}

std::vector<TScriptedUserInterface::TCall> TWindow::Calls(TScriptedUserInterface::TKind kind) const
{
    std::vector<TScriptedUserInterface::TCall> calls;
    for (const auto& call : Ui.Calls)
    {
        if (call.Kind == kind)
            calls.push_back(call);
    }
    return calls;
}

QStringList TWindow::Opened() const
{
    QStringList urls;
    for (const auto& call : Calls(TScriptedUserInterface::TKind::OpenUrl))
        urls << call.Text;
    return urls;
}

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString Shown(const QString& caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i)
    {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

QString Q(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

QStringList Items(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

void TWindowTest::init()
{
    Box = std::make_unique<TUiSandbox>();
    if (WithWindow)
    {
        W = std::make_unique<TWindow>();
        W->HoldRefresh();
    }
    SetUp();
}

void TWindowTest::cleanup()
{
    TearDown();
    W.reset();
    Box.reset();
}

} // namespace brisolt::test
