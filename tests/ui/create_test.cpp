// The create page driven by its controls: the source modes, the checks and
// messages of the create action, the save proposals, abort, file errors and
// closing during a run. Every torrent written is checked by libtorrent.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "core/torrentfile.h"
#include "create/createsupport.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_progress.h"
#include "ui/filelists.h"
#include "uitestsupport.h"

using brisolt::TScriptedUserInterface;
using brisolt::TTorrentFile;
using brisolt::test::Child;
using brisolt::test::Q;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;
using brisolt::test::U;
namespace fs = std::filesystem;

namespace
{

const char* const kTracker = "http://tracker.test/announce";
const char* const kTitle = "Brisolt v2.1 - Orl Edition Public Beta RC1";

std::string Bytes(std::size_t size, uint32_t seed)
{
    return brisolt::test::RandomBytes(size, seed);
}

// The window with the tracker refresh held back, a tracker typed in and the
// page shown on which the source is chosen.
class TCreatePage
{
public:
    explicit TCreatePage(int mode)
    {
        w.HoldRefresh();
        Tracker(kTracker);
        w.Get<QTabWidget>("pageMode")->setCurrentIndex(mode);
    }

    void Tracker(const char* text) { w.Get<QComboBox>("cmbAnnounceURL")->setEditText(U(text)); }

    void Classic(const QString& path) { w.Get<QLineEdit>("txtClassicPath")->setText(path); }

    void Classic(const fs::path& path) { Classic(Q(path)); }

    void CustomPieces(int index)
    {
        w.Get<QRadioButton>("radCustom")->setChecked(true);
        w.Get<QComboBox>("cmbPieceSize")->setCurrentIndex(index);
    }

    void Create() { w.Get<QPushButton>("btnCreateTorrent")->click(); }

    brisolt::TfrmProgress& Progress() { return *w.Form->frmProgress(); }

    [[nodiscard]] std::vector<TScriptedUserInterface::TCall> Calls(TScriptedUserInterface::TKind kind) const
    {
        return w.Calls(kind);
    }

    TWindow w;
};

TTorrentFile LoadTorrent(const fs::path& path)
{
    TTorrentFile torrent;
    if (!torrent.Load(brisolt::test::ReadFile(path)))
        qWarning("torrent does not load: %s", path.c_str());
    return torrent;
}

// libtorrent parses it and every piece matches the content.
bool Verified(const fs::path& torrent, const fs::path& content)
{
    const std::string result = brisolt::test::CheckWithLibtorrent(torrent, content);
    if (result.rfind("ok ", 0) != 0)
        qWarning("libtorrent: %s", result.c_str());
    return result.rfind("ok ", 0) == 0;
}

std::vector<std::string> Names(const TTorrentFile& torrent)
{
    std::vector<std::string> names;
    for (const auto& file : torrent.Files)
        names.push_back(file.Path.empty() ? file.Name : file.Path + "|" + file.Name);
    return names;
}

} // namespace

class TestCreatePage : public TWindowTest
{
    Q_OBJECT

private:
    fs::path Data() const { return Box->Root() / "data"; }

    fs::path Write(const fs::path& relative, const std::string& bytes) const
    {
        return Box->Write(fs::path("data") / relative, bytes);
    }

private slots:

    void textsThatNameNoTrackerAreRefused_data()
    {
        const QString none = U("Du musst einen Tracker zum Erzeugen des Torrents angeben!");
        const auto scheme = [](const char* typed)
        {
            return U("Die Trackeradresse „%1“ braucht am Anfang http://, https:// oder udp://.").arg(U(typed));
        };
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("German prompt") << U("Gib die Trackeradresse ein oder wähle einen aus der Liste") << none;
        QTest::newRow("English prompt") << U("(enter a tracker URL, or select from list below)") << none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("blank") << U("   ") << none;
        QTest::newRow("no directory name, no address") << U("tracker.test/announce") << scheme("tracker.test/announce");
        QTest::newRow("host and port without scheme")
            << U("tracker.example.org:6969/announce") << scheme("tracker.example.org:6969/announce");
        QTest::newRow("a name's other case") << U("alpha") << scheme("alpha");
    }

    void textsThatNameNoTrackerAreRefused()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        const auto file = Write("one.bin", Bytes(1000, 1));
        TCreatePage page(1);
        page.w.Trackers().push_back({"Alpha", "http://alpha.test/a", "", false});
        page.Classic(file);
        page.w.Get<QComboBox>("cmbAnnounceURL")->setEditText(text);
        page.Create();
        QCOMPARE(page.w.Ui.Messages(), QStringList{U("Error, kein Tracker: ") + message});
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::SaveFile).empty());
    }

    void aTrackerMarkedDownAsksFirst()
    {
        const auto file = Write("one.bin", Bytes(5000, 2));
        TCreatePage page(1);
        page.w.Trackers().push_back({"Slow", "http://slow.test/announce", "", true});
        page.Tracker("Slow");
        QCOMPARE(page.w.Get<QLabel>("lblStatus")->text(), QStringLiteral("Status: *DOWN*"));
        page.Classic(file);
        page.Create(); // the scripted answer is No
        QCOMPARE(
            page.w.Ui.Messages(),
            QStringList{U("Frage: Der Tracker ist möglicherweise offline, möchten sie wirklich fortsetzte")});
        QCOMPARE(page.w.Ui.Calls.front().Buttons, brisolt::TMessageButtons::YesNo);
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::SaveFile).empty());

        page.w.Ui.Answers.push_back(brisolt::TMessageResult::Yes);
        const auto output = Data() / "slow.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        QCOMPARE(page.Calls(TScriptedUserInterface::TKind::SaveFile).size(), std::size_t{1});
        QCOMPARE(LoadTorrent(output).Announce, std::string("http://slow.test/announce"));
        QVERIFY(Verified(output, file));
    }

    void simpleModeMakesOneTorrentOfTheSelectedFiles()
    {
        Write("Holiday/b.txt", Bytes(70000, 3));
        Write("Holiday/A.txt", Bytes(300000, 4));
        Write("Holiday/Thumbs.db", Bytes(10, 5));
        Write("Holiday/.hidden", Bytes(10, 6));
        Write("Holiday/_c.txt", Bytes(0, 7));
        fs::create_directories(Data() / "Holiday" / "folder");
        TCreatePage page(0);
        page.w.Get<QCheckBox>("chkSkipThumbs")->setChecked(true);
        page.w.Get<QPlainTextEdit>("mmoComment")->setPlainText(QStringLiteral("abc"));
        page.w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->SetDirectory(Q(Data() / "Holiday"));
        auto* list = page.w.Get<QListWidget>("FileListBox1");
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        // Byte order (upper case first, "_" between), no hidden file, no folder.
        QCOMPARE(shown, brisolt::test::Strings({"A.txt", "Thumbs.db", "_c.txt", "b.txt"}));

        page.w.Get<QPushButton>("btnAll")->click();
        QCOMPARE(list->selectedItems().size(), 4);
        const auto output = Data() / "Holiday.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        const auto saves = page.Calls(TScriptedUserInterface::TKind::SaveFile);
        QCOMPARE(saves.size(), std::size_t{1});
        QCOMPARE(saves[0].FileName, Q(Data() / "Holiday.torrent"));
        QCOMPARE(saves[0].Filter, QStringLiteral("Torrent Dateien (*.torrent)|*.torrent"));
        QCOMPARE(saves[0].DefaultSuffix, QStringLiteral("torrent"));
        QVERIFY(saves[0].ConfirmOverwrite);
        QVERIFY2(page.w.Ui.Messages().isEmpty(), qPrintable(page.w.Ui.Messages().join(u'\n')));

        const TTorrentFile torrent = LoadTorrent(output);
        QCOMPARE(torrent.Name, std::string("Holiday"));
        QCOMPARE(torrent.Announce, std::string(kTracker));
        QCOMPARE(Names(torrent), (std::vector<std::string>{"A.txt", "_c.txt", "b.txt"}));
        QCOMPARE(torrent.PieceLength, 262144);
        QVERIFY(torrent.Comment.rfind("abc\r\n", 0) == 0);
        QVERIFY(Verified(output, Data()));
    }

    void simpleModeWithOnlyThumbsDbMakesASingleFileTorrent()
    {
        const auto thumbs = Write("Pics/Thumbs.db", Bytes(40000, 8));
        Write("Pics/x.jpg", Bytes(100, 9));
        TCreatePage page(0);
        page.w.Get<QCheckBox>("chkSkipThumbs")->setChecked(true);
        page.w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->SetDirectory(Q(Data() / "Pics"));
        auto* list = page.w.Get<QListWidget>("FileListBox1");
        list->item(0)->setSelected(true);
        page.w.Ui.Paths.push_back(std::nullopt); // cancelled: nothing happens
        page.Create();
        QCOMPARE(
            page.Calls(TScriptedUserInterface::TKind::SaveFile).back().FileName,
            Q(thumbs) + QStringLiteral(".torrent"));
        QVERIFY(!fs::exists(thumbs.string() + ".torrent"));
        QVERIFY(!page.Progress().isVisible());

        page.w.Ui.Paths.push_back(Q(thumbs) + QStringLiteral(".torrent"));
        page.Create();
        const TTorrentFile torrent = LoadTorrent(thumbs.string() + ".torrent");
        QVERIFY(!torrent.MultiFile);
        QCOMPARE(torrent.Name, std::string("Thumbs.db"));
        QVERIFY(Verified(thumbs.string() + ".torrent", thumbs));
    }

    void simpleModeWithoutSelectionComplains()
    {
        Write("Some/a.txt", "a");
        TCreatePage page(0);
        page.w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->SetDirectory(Q(Data() / "Some"));
        page.Create();
        QCOMPARE(page.w.Ui.Messages(), QStringList{U("Error: Keine Dateien ausgewählt!")});
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::SaveFile).empty());
    }

    void simpleModeFindsAndHashesNamesThatAreNotUtf8()
    {
        const fs::path file = Write("d\xe9j\xe0/caf\xe9.txt", "abc");
        TCreatePage page(0);
        auto* folders = page.w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1");
        QVERIFY(folders->SetPath(Data()));
        const auto found = folders->findItems(U("déjà"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        emit folders->itemActivated(found.front(), 0);
        QCOMPARE(folders->Path(), file.parent_path());
        auto* list = page.w.Get<QListWidget>("FileListBox1");
        QCOMPARE(brisolt::test::Items(list), QStringList{U("café.txt")});
        list->setCurrentRow(0, QItemSelectionModel::Select);
        QCOMPARE(page.w.Form->statusBar()->currentMessage(), Q(Data()) + U("/déjà/café.txt"));

        const fs::path output = Data() / "out.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        QVERIFY2(page.w.Ui.Messages().isEmpty(), qPrintable(page.w.Ui.Messages().join(u'\n')));
        const TTorrentFile torrent = LoadTorrent(output);
        QCOMPARE(torrent.Name, std::string("caf\xe9.txt"));
        QCOMPARE(torrent.Files.at(0).Length, int64_t{3});
    }

    void selectionButtonsAndStatusText()
    {
        Write("Sel/a", "1");
        Write("Sel/b", "2");
        Write("Sel/c", "3");
        TCreatePage page(0);
        auto* list = page.w.Get<QListWidget>("FileListBox1");
        page.w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->SetDirectory(Q(Data() / "Sel"));
        QCOMPARE(list->count(), 3);
        list->item(1)->setSelected(true);
        list->setCurrentRow(1, QItemSelectionModel::Select);
        QCOMPARE(page.w.Form->statusBar()->currentMessage(), Q(Data() / "Sel" / "b"));
        page.w.Get<QPushButton>("btnInverse")->click();
        QCOMPARE(list->item(0)->isSelected(), true);
        QCOMPARE(list->item(1)->isSelected(), false);
        QCOMPARE(list->item(2)->isSelected(), true);
        // The focused file is no longer selected.
        QCOMPARE(page.w.Form->statusBar()->currentMessage(), QString());
        page.w.Get<QPushButton>("btnNone")->click();
        QVERIFY(list->selectedItems().isEmpty());
        page.w.Get<QPushButton>("btnAll")->click();
        QCOMPARE(list->selectedItems().size(), 3);
        QCOMPARE(page.w.Form->statusBar()->currentMessage(), Q(Data() / "Sel" / "b"));
    }

    void classicFolderWithTrailingSeparator()
    {
        Write("Movies/b.txt", Bytes(1000, 10));
        Write("Movies/A.txt", Bytes(2000, 11));
        Write("Movies/sub/z.txt", Bytes(3000, 12));
        Write("Movies/.hidden", Bytes(4000, 13));
        TCreatePage page(1);
        page.Classic(QString(Q(Data() / "Movies") + QStringLiteral("/")));
        page.CustomPieces(8); // 16384kb
        const auto output = Data() / "Movies.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        QCOMPARE(page.w.Get<QLineEdit>("txtClassicPath")->text(), Q(Data() / "Movies"));
        QCOMPARE(page.Calls(TScriptedUserInterface::TKind::SaveFile).at(0).FileName, Q(output));
        const TTorrentFile torrent = LoadTorrent(output);
        QCOMPARE(torrent.Name, std::string("Movies"));
        QCOMPARE(torrent.PieceLength, 16777216);
        QCOMPARE(torrent.Files.size(), std::size_t{4});
        // The classic folder mode includes hidden files; byte order, depth first.
        QCOMPARE(torrent.Files[0].Name, std::string(".hidden"));
        QCOMPARE(torrent.Files[1].Name, std::string("A.txt"));
        QCOMPARE(torrent.Files[2].Name, std::string("b.txt"));
        QCOMPARE(torrent.Files[3].Name, std::string("z.txt"));
        QVERIFY(!torrent.Files[3].Path.empty());
        QVERIFY(Verified(output, Data()));
    }

    void classicFileIgnoresTheRadioButtons()
    {
        const auto file = Write("clip.avi", Bytes(600000, 14));
        TCreatePage page(1);
        page.w.Get<QRadioButton>("radFile")->setChecked(true);
        page.Classic(file);
        page.CustomPieces(0);
        page.w.Ui.Paths.push_back(Q(file) + QStringLiteral(".torrent"));
        page.Create();
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::BrowseForFolder).empty());
        QCOMPARE(
            page.Calls(TScriptedUserInterface::TKind::SaveFile).at(0).FileName, Q(file) + QStringLiteral(".torrent"));
        const TTorrentFile torrent = LoadTorrent(file.string() + ".torrent");
        QVERIFY(!torrent.MultiFile);
        QCOMPARE(torrent.PieceLength, 65536);
        QVERIFY(Verified(file.string() + ".torrent", file));
        QCOMPARE(
            page.w.Form->statusBar()->currentMessage(), Q(file) + QStringLiteral(".torrent erfolgreich geschrieben!"));
    }

    void classicNeitherFileNorFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << QStringLiteral("/no/such/place");
    }

    void classicNeitherFileNorFolder()
    {
        QFETCH(QString, typed);
        TCreatePage page(1);
        page.w.Get<QLineEdit>("txtClassicPath")->setText(typed);
        page.Create();
        QCOMPARE(page.w.Ui.Messages(), QStringList{QStringLiteral("Error: Please enter a file or directory name!")});
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::SaveFile).empty());
    }

    void perEntryMakesOneTorrentPerEntry()
    {
        Write("Src/a.avi", Bytes(90000, 15));
        Write("Src/thumbs.db", Bytes(500, 16));
        Write("Src/Extras/x.bin", Bytes(70000, 17));
        Write("Src/Extras/Thumbs.db", Bytes(50, 18));
        Write("Src/Extras/sub/y.bin", Bytes(1000, 19));
        const auto target = Box->Root() / "target";
        fs::create_directories(target);
        TCreatePage page(1);
        page.w.Get<QCheckBox>("chkSkipThumbs")->setChecked(true);
        page.w.Get<QRadioButton>("radFile")->setChecked(true);
        page.Classic(Data() / "Src");
        page.w.Ui.Paths.push_back(Q(target));
        page.Create();
        QVERIFY2(page.w.Ui.Messages().isEmpty(), qPrintable(page.w.Ui.Messages().join(u'\n')));
        const auto browse = page.Calls(TScriptedUserInterface::TKind::BrowseForFolder);
        QCOMPARE(browse.size(), std::size_t{1});
        QCOMPARE(browse[0].Text, U("Wähle ein Verzeichnis, wo die Torrents gespeichert werden sollen:"));
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::SaveFile).empty());

        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(target))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        QCOMPARE(written, (std::vector<std::string>{"Extras.torrent", "a.avi.torrent", "thumbs.db.torrent"}));
        const TTorrentFile extras = LoadTorrent(target / "Extras.torrent");
        QVERIFY(extras.MultiFile);
        QCOMPARE(extras.Name, std::string("Extras"));
        QCOMPARE(Names(extras).size(), std::size_t{2}); // Thumbs.db inside is left out
        QVERIFY(Verified(target / "Extras.torrent", Data() / "Src"));
        QVERIFY(Verified(target / "a.avi.torrent", Data() / "Src" / "a.avi"));
        QVERIFY(!LoadTorrent(target / "thumbs.db.torrent").MultiFile);
        QVERIFY(Verified(target / "thumbs.db.torrent", Data() / "Src" / "thumbs.db"));
    }

    void emptyContentIsRefusedBeforeTheSaveDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("source"); // below data/; the simple page selects every file of it
        QTest::addColumn<QString>("message");
        QTest::newRow("empty folder") << 1 << "Empty"
                                      << "Keine Dateien in @/Empty.";
        QTest::newRow("zero-byte file") << 1 << "Zero/null.bin"
                                        << "Keine Daten in @/Zero/null.bin: der Inhalt ist 0 Bytes groß.";
        QTest::newRow("zero-byte files selected") << 0 << "Zero"
                                                  << "Keine Daten in @/Zero: der Inhalt ist 0 Bytes groß.";
    }

    void emptyContentIsRefusedBeforeTheSaveDialog()
    {
        QFETCH(int, mode);
        QFETCH(QString, source);
        QFETCH(QString, message);
        fs::create_directories(Data() / "Empty");
        Write("Zero/null.bin", "");
        Write("Zero/null2.bin", "");
        TCreatePage page(mode);
        const QString path = Q(Data()) + QLatin1Char('/') + source;
        if (mode == 1)
            page.Classic(path);
        auto* files = page.w.Get<brisolt::TFileListBox>("FileListBox1");
        files->SetPath(Data() / "Zero");
        files->selectAll();
        page.Create();
        const QString shown = QString(message).replace(QLatin1Char('@'), Q(Data()));
        QCOMPARE(page.w.Ui.Messages(), QStringList{QString::fromUtf8(kTitle) + QStringLiteral(": ") + shown});
        QVERIFY(page.Calls(TScriptedUserInterface::TKind::SaveFile).empty());
        QCOMPARE(page.w.Form->statusBar()->currentMessage(), shown);
    }

    void perEntryReportNamesWrittenSkippedFailedAndNotProcessed()
    {
        Write("Src/a.bin", Bytes(100, 21));
        fs::create_directories(Data() / "Src/Empty");
        const auto target = Box->Root() / "target";
        fs::create_directories(target);
        TCreatePage page(1);
        page.w.Get<QRadioButton>("radFile")->setChecked(true);
        page.Classic(Data() / "Src");
        page.w.Ui.Paths.push_back(Q(target));
        page.Create();
        const QString title = QString::fromUtf8(kTitle) + QStringLiteral(": ");
        QCOMPARE(
            page.w.Ui.Messages(),
            QStringList{title + U("1 Torrent geschrieben.\n1 Eintrag übersprungen, da ohne Inhalt (0 Bytes): Empty")});
        QCOMPARE(page.w.Form->statusBar()->currentMessage(), QStringLiteral("1 Torrent geschrieben."));
        QVERIFY(fs::exists(target / "a.bin.torrent"));
        QVERIFY(!fs::exists(target / "Empty.torrent"));

        // A folder the torrents cannot go to: the listing's order decides which entry comes first.
        const auto plain = Box->Write("plain", "x");
        page.w.Ui.Calls.clear();
        page.w.Ui.Paths.push_back(Q(plain));
        page.Create();
        const QStringList messages = page.w.Ui.Messages();
        QCOMPARE(messages.size(), 2);
        const QString failed = U("1 Eintrag mit Fehler abgebrochen: a.bin");
        QVERIFY2(
            messages.at(1)
                    == title + U("Kein Torrent geschrieben.\n1 Eintrag übersprungen, da ohne Inhalt (0 Bytes): Empty\n")
                           + failed
                || messages.at(1)
                       == title + U("Kein Torrent geschrieben.\n") + failed + U("\n1 Eintrag nicht verarbeitet: Empty"),
            qPrintable(messages.at(1)));
    }

    void backupTrackersAreWrittenAsAnnounceUrls()
    {
        const auto file = Write("one.bin", Bytes(3000, 20));
        TCreatePage page(1);
        page.w.Trackers().push_back({"Alpha", "http://alpha.test/a", "", false});
        page.w.Form->frmBackup()->SetRows({"Alpha", "http://other.test/b", "Gone", kTracker});
        page.Classic(file);
        page.w.Ui.Paths.push_back(Q(Data() / "plain.torrent"));
        page.Create();
        QVERIFY(LoadTorrent(Data() / "plain.torrent").BackupTrackers.empty());

        page.w.Get<QCheckBox>("chkBackup")->setChecked(true);
        page.w.Ui.Paths.push_back(Q(Data() / "backup.torrent"));
        page.Create();
        const auto data = brisolt::test::ReadFile(Data() / "backup.torrent");
        const std::string expected = std::string("13:announce-listll") + "28:" + kTracker + "el19:http://alpha.test/a"
                                     + "el19:http://other.test/bel4:Goneee";
        QVERIFY2(data.find(expected) != std::string::npos, data.c_str());
        QVERIFY(Verified(Data() / "backup.torrent", file));
    }

    void abortMidRunWritesNothingAndTheNextRunStartsCleared()
    {
        Write("Big/1.bin", Bytes(300000, 21));
        Write("Big/2.bin", Bytes(300000, 22));
        TCreatePage page(1);
        page.CustomPieces(0);
        page.Classic(Data() / "Big");
        auto& progress = page.Progress();
        bool buttonHeld = false;
        const auto connection = connect(
            Child<QProgressBar>(progress, "ProgressBar2"),
            &QProgressBar::valueChanged,
            this,
            [&](int value)
            {
                if (value != 2)
                    return;
                buttonHeld = !page.w.Get<QPushButton>("btnCreateTorrent")->isEnabled();
                Child<QPushButton>(progress, "btnAbort")->click();
                QVERIFY(Child<QPushButton>(progress, "btnAbort")->isEnabled()); // until the run reports "done"
            });
        const auto output = Data() / "Big.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        disconnect(connection);
        QVERIFY(buttonHeld);
        QCOMPARE(page.w.Ui.Messages(), QStringList{QStringLiteral("Benutzerabbruch: Operation abgebrochen!")});
        QVERIFY(!fs::exists(output));
        QVERIFY(progress.isVisible());
        QCOMPARE(
            Child<QProgressBar>(progress, "ProgressBar2")->value(),
            Child<QProgressBar>(progress, "ProgressBar2")->maximum());
        QCOMPARE(
            Child<QProgressBar>(progress, "ProgressBar1")->value(),
            Child<QProgressBar>(progress, "ProgressBar1")->maximum());
        QVERIFY(Child<QPushButton>(progress, "btnFinished")->isEnabled());
        QVERIFY(!Child<QPushButton>(progress, "btnAbort")->isEnabled());
        QCOMPARE(progress.focusWidget(), Child<QPushButton>(progress, "btnFinished"));
        QVERIFY(page.w.Get<QPushButton>("btnCreateTorrent")->isEnabled());

        page.w.Ui.Calls.clear();
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        QVERIFY(page.w.Ui.Messages().isEmpty());
        QVERIFY(Verified(output, Data()));
    }

    void abortInPerEntryModeShowsOneMessage()
    {
        Write("Three/a.bin", Bytes(200000, 23));
        Write("Three/b.bin", Bytes(200000, 24));
        Write("Three/c", Bytes(200000, 25));
        const auto target = Box->Root() / "target";
        fs::create_directories(target);
        TCreatePage page(1);
        page.CustomPieces(0);
        page.w.Get<QRadioButton>("radFile")->setChecked(true);
        page.Classic(Data() / "Three");
        auto& progress = page.Progress();
        const auto connection = connect(
            Child<QProgressBar>(progress, "ProgressBar2"),
            &QProgressBar::valueChanged,
            this,
            [&](int value)
            {
                if (value == 1)
                    Child<QPushButton>(progress, "btnAbort")->click();
            });
        page.w.Ui.Paths.push_back(Q(target));
        page.Create();
        disconnect(connection);
        const QString aborted = QStringLiteral("Benutzerabbruch: Operation abgebrochen!");
        QCOMPARE(page.w.Ui.Messages(), QStringList{aborted});
        QVERIFY(fs::is_empty(target));
    }

    void aFileThatCannotBeOpenedWhileHashingWritesNothing()
    {
        Write("Gone/1.bin", Bytes(100000, 26));
        const auto second = Write("Gone/2.bin", Bytes(100000, 27));
        TCreatePage page(1);
        page.CustomPieces(0);
        page.Classic(Data() / "Gone");
        // The torrent's start (its overall bar set to 0) comes after the files
        // were listed and before the first is opened.
        bool removed = false;
        const auto connection = connect(
            Child<QProgressBar>(page.Progress(), "ProgressBar2"),
            &QProgressBar::valueChanged,
            this,
            [&](int value)
            {
                if (value == 0 && !removed)
                    removed = fs::remove(second);
            });
        const auto output = Data() / "Gone.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        disconnect(connection);
        QVERIFY(removed);
        const auto messages = page.w.Ui.Messages();
        QCOMPARE(messages.size(), 1);
        const QString expected =
            QString::fromUtf8(kTitle) + QStringLiteral(": Datei ") + Q(second) + U(" kann nicht geöffnet werden. ");
        QVERIFY2(messages[0].startsWith(expected) && messages[0].size() > expected.size(), qPrintable(messages[0]));
        QVERIFY(!fs::exists(output));
    }

    void closingDuringARunAbortsItThenCloses()
    {
        Write("Run/1.bin", Bytes(300000, 28));
        Write("Run/2.bin", Bytes(300000, 29));
        TCreatePage page(1);
        QVERIFY(page.w.Show());
        page.CustomPieces(0);
        page.Classic(Data() / "Run");
        bool closedAtOnce = true;
        bool tried = false;
        const auto connection = connect(
            Child<QProgressBar>(page.Progress(), "ProgressBar2"),
            &QProgressBar::valueChanged,
            this,
            [&](int value)
            {
                if (value != 1 || tried)
                    return;
                tried = true;
                closedAtOnce = page.w.Form->close();
            });
        const auto output = Data() / "Run.torrent";
        page.w.Ui.Paths.push_back(Q(output));
        page.Create();
        disconnect(connection);
        QVERIFY(tried);
        QVERIFY2(!closedAtOnce, "the window waits for the run");
        QVERIFY(!page.w.Form->isVisible());
        QVERIFY(page.w.Ui.Messages().isEmpty());
        QVERIFY(!fs::exists(output));
    }

    void pageHandlers()
    {
        TCreatePage page(1);
        auto* pieces = page.w.Get<QComboBox>("cmbPieceSize");
        QVERIFY(!pieces->isEnabled());
        page.w.Get<QRadioButton>("radCustom")->setChecked(true);
        QVERIFY(pieces->isEnabled());
        page.w.Get<QRadioButton>("radAuto")->setChecked(true);
        QVERIFY(!pieces->isEnabled());

        page.w.Ui.Paths.push_back(QStringLiteral("/some/file.iso"));
        page.w.Get<QPushButton>("btnClassicFile")->click();
        QCOMPARE(page.w.Ui.Calls.back().Filter, QStringLiteral("Alle Dateien (*.*)|*.*"));
        QCOMPARE(page.w.Get<QLineEdit>("txtClassicPath")->text(), QStringLiteral("/some/file.iso"));
        page.w.Ui.Paths.push_back(QStringLiteral("/some/folder"));
        page.w.Get<QPushButton>("btnClassicDir")->click();
        QCOMPARE(page.w.Ui.Calls.back().Text, U("Wähle einen Ordner zum hashen"));
        QCOMPARE(page.w.Get<QLineEdit>("txtClassicPath")->text(), QStringLiteral("/some/folder"));
        page.w.Get<QPushButton>("btnClassicDir")->click(); // cancelled: the field stays
        QCOMPARE(page.w.Get<QLineEdit>("txtClassicPath")->text(), QStringLiteral("/some/folder"));

        page.w.Get<QPushButton>("btnPath")->click();
        QCOMPARE(page.w.Get<QLabel>("lblPfad")->text(), Q(Box->InstallDir()) + QStringLiteral("/"));

        auto* drives = page.w.Get<QComboBox>("DriveComboBox1");
        QVERIFY(drives->count() > 0);
        drives->setCurrentIndex(-1);
        drives->setCurrentIndex(0);
        QCOMPARE(
            page.w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->Directory(),
            QDir::cleanPath(drives->itemData(0).toString()));
    }
};

QTEST_MAIN(TestCreatePage)
#include "create_test.moc"
