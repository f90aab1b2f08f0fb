// The edit page: loading into the fields, the failure path, the edits, file
// renames, backup trackers and both saves. Every saved file is read again by
// libtorrent, whose info hash must be the one the page shows for it.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <unistd.h>

#include "create/createtorrent.h"
#include "create/editsupport.h"
#include "platform/dateformat.h"
#include "ui/brisolt_backup.h"
#include "uitestsupport.h"

using namespace brisolt;
using namespace brisolt::test;

namespace
{

QString Utf8(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string MultiTorrent()
{
    return Metainfo(
        MultiInfo("top", {{{"old", "f.bin"}, 5}, {{"g.bin"}, 6}}),
        "http://t/a",
        {{"announce-list", BList({BList({BStr("http://t/a")}), BList({BStr("http://b/a")})})},
         {"comment", BStr("first\nsecond")},
         {"creation date", BInt(1000000000)}});
}

std::string SingleTorrent(const std::string& name = "one.bin")
{
    return Metainfo(SingleInfo(name, 9));
}

} // namespace

class TestEdit : public TWindowTest
{
    Q_OBJECT

public:
    TestEdit()
        : TWindowTest(true)
    {
    }

private:
    template <class T>
    T* Get(const char* name) const
    {
        return W->Get<T>(name);
    }

    QString Status() const { return W->Form->statusBar()->currentMessage(); }

    std::filesystem::path Open(const std::string& relative, const std::string& bytes)
    {
        const auto path = Box->Write(relative, bytes);
        Get<QLineEdit>("txtTorrent")->setText(Utf8(path.string()));
        return path;
    }

    QString LastMessage() const
    {
        const QStringList messages = W->Ui.Messages();
        return messages.isEmpty() ? QString() : messages.last();
    }

    // Loads the saved file on the page again: libtorrent must read the hash shown.
    void VerifyLibtorrentReadsShownHash(const std::filesystem::path& saved)
    {
        TWindow other;
        other.HoldRefresh();
        other.Get<QLineEdit>("txtTorrent")->setText(Utf8(saved.string()));
        const QString shown = other.Get<QLabel>("lblViewSHA1")->text();
        QVERIFY2(shown.startsWith(QStringLiteral("Hash: ")), qPrintable(shown));
        const QString view = Utf8(LibtorrentView(saved));
        QCOMPARE(view.section(QLatin1Char(' '), 0, 0), shown.mid(6));
    }

    void SaveAs(const std::filesystem::path& path)
    {
        W->Ui.Paths.push_back(Utf8(path.string()));
        Get<QPushButton>("btnViewSaveAs")->click();
    }

    TTorrentFile Reload(const std::filesystem::path& path)
    {
        TTorrentFile t;
        t.Load(ReadFile(path));
        return t;
    }

private slots:

    void announceWithAControlCharacterIsNotSaved()
    {
        const auto path = Open("a.torrent", SingleTorrent());
        const std::string before = ReadFile(path);
        Get<QLineEdit>("txtAnnounceURL")->setText(QStringLiteral("http://t/a\tb"));
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(LastMessage(), QStringLiteral("Error: Die Adresse http://t/a\\x09b enthält Steuerzeichen."));
        QCOMPARE(ReadFile(path), before);
    }

    // "Prüfen" checks the content the user picks against the loaded torrent:
    // the failures named as brisolt-cli verify names them, a content that
    // matches said so, a cancelled pick runs nothing.
    void verifyButtonChecksThePickedContent()
    {
        QVERIFY(!Get<QPushButton>("btnViewVerify")->isEnabled());
        const auto content = Box->Root() / "top";
        Box->Write("top/a.bin", RandomBytes(70000, 1));
        Box->Write("top/sub/b.bin", RandomBytes(1000, 2));
        TCreateOptions options;
        options.AnnounceURL = "http://t/a";
        options.PieceSizeIndex = 0; // 64 KiB: a.bin's first piece is its own
        const auto torrent = Box->Root() / "top.torrent";
        QCOMPARE(int(CreateFolderTorrent(content, torrent, options).Status), int(TCreateStatus::Written));
        Get<QLineEdit>("txtTorrent")->setText(Utf8(torrent.string()));
        QVERIFY(Get<QPushButton>("btnViewVerify")->isEnabled());

        const struct
        {
            std::function<void()> Change;
            QString Message;
        } rows[] = {
            {[] {},
             QStringLiteral("Prüfen: Der Inhalt stimmt mit dem Torrent überein (2 Dateien).\n\nOK      a.bin\nOK      "
                            "sub\\b.bin")},
            {[&]
             {
                 std::string changed = RandomBytes(70000, 1);
                 changed[0] = static_cast<char>(~changed[0]);
                 Box->Write("top/a.bin", changed);
             },
             QStringLiteral("Prüfen: 1 von 2 Dateien stimmen nicht mit dem Torrent überein.\n\nFAILED  a.bin  (1 of 2 "
                            "pieces differ)\nOK      sub\\b.bin")},
            // a.bin's last piece runs on into the missing file: it cannot match.
            {[&] { std::filesystem::remove(content / "sub" / "b.bin"); },
             QStringLiteral("Prüfen: 2 von 2 Dateien stimmen nicht mit dem Torrent überein.\n\nFAILED  a.bin  (2 of 2 "
                            "pieces differ)\nFAILED  sub\\b.bin  (missing)")},
        };

        for (const auto& row : rows)
        {
            row.Change();
            W->Ui.Paths.push_back(Utf8(Box->Root().string()));
            Get<QPushButton>("btnViewVerify")->click();
            QCOMPARE(LastMessage(), row.Message);
            QVERIFY(Get<QPushButton>("btnViewVerify")->isEnabled());
        }
        const auto before = W->Ui.Messages().size();
        Get<QPushButton>("btnViewVerify")->click(); // the pick is cancelled: no answer queued
        QCOMPARE(W->Ui.Messages().size(), before);
    }

    void browseUsesTheTorrentFilterAndTheSamePathLoadsNothing()
    {
        const auto path = Box->Write("a.torrent", SingleTorrent());
        W->Ui.Paths.push_back(Utf8(path.string()));
        Get<QPushButton>("btnTorrentBrowse")->click();
        QCOMPARE(W->Ui.Calls.size(), std::size_t(1));
        QCOMPARE(W->Ui.Calls[0].Filter, QStringLiteral(".Torrent Dateien (*.torrent)|*.torrent"));
        QCOMPARE(Status(), QStringLiteral("Fertig geladen!"));
        const TTorrentFile* loaded = W->ViewTorrent();
        QVERIFY(loaded);
        Get<QLineEdit>("txtViewName")->setText(QStringLiteral("edited"));
        W->Ui.Paths.push_back(Utf8(path.string()));
        Get<QPushButton>("btnTorrentBrowse")->click();
        QCOMPARE(W->ViewTorrent(), loaded);
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QStringLiteral("edited"));
        // Cancelled: nothing changes either.
        Get<QPushButton>("btnTorrentBrowse")->click();
        QCOMPARE(W->ViewTorrent(), loaded);
    }

    void typedPathLoadsAsSoonAsItNamesAFile()
    {
        Box->Write("t/x", SingleTorrent("first.bin"));
        Box->Write("t/x.torrent", SingleTorrent("second.bin"));
        QVERIFY(W->Show());
        auto* path = Get<QLineEdit>("txtTorrent");
        path->setFocus();
        QTest::keyClicks(path, Utf8((Box->Root() / "t").string()));
        QVERIFY(!W->ViewTorrent()); // a folder loads nothing
        QTest::keyClicks(path, QStringLiteral("/x"));
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QStringLiteral("first.bin"));
        QTest::keyClicks(path, QStringLiteral(".tor"));
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QStringLiteral("first.bin"));
        QVERIFY(W->ViewTorrent());
        QTest::keyClicks(path, QStringLiteral("rent"));
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QStringLiteral("second.bin"));
        QCOMPARE(W->ViewFileName(), Utf8((Box->Root() / "t" / "x.torrent").string()));
    }

    void multiFileTorrentFillsThePage()
    {
        const auto path = Open("m.torrent", MultiTorrent());
        QCOMPARE(Get<QLineEdit>("txtAnnounceURL")->text(), QStringLiteral("http://t/a"));
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QStringLiteral("top"));
        QCOMPARE(Get<QPlainTextEdit>("mmoViewComment")->toPlainText(), QStringLiteral("first\nsecond"));
        QCOMPARE(W->ViewTorrent()->Comment, std::string("first\r\nsecond"));
        TTorrentFile direct;
        direct.Load(ReadFile(path));
        QCOMPARE(Get<QLabel>("lblViewSHA1")->text(), QStringLiteral("Hash: ") + Utf8(direct.InfoHashText));
        QCOMPARE(
            Get<QLabel>("lblViewCreationDate")->text(),
            QStringLiteral("Erstellungsdatum: ") + Utf8(FormatDateTimeC(FromUnixSeconds(1000000000))));
        QVERIFY(Get<QLabel>("lblViewCreationDate")->text().contains(QStringLiteral("2001")));
        QCOMPARE(Items(Get<QListWidget>("lstFiles")), Strings({"old\\f.bin", "g.bin"}));
        QCOMPARE(Get<QListWidget>("lstFiles")->currentRow(), 0);
        QCOMPARE(Get<QLineEdit>("txtFilesName")->text(), QStringLiteral("old\\f.bin"));
        QVERIFY(Get<QLineEdit>("txtFilesName")->isEnabled());
        QCOMPARE(Get<QLabel>("lblFilesSize")->text(), QString::fromUtf8("Größe: 5"));
        QVERIFY(Get<QCheckBox>("chkViewBackup")->isChecked());
        QVERIFY(Get<QPushButton>("btnViewBackupTrackers")->isEnabled());
        QVERIFY(Get<QPushButton>("btnViewSave")->isEnabled());
        QVERIFY(Get<QPushButton>("btnViewSaveAs")->isEnabled());
        QCOMPARE(Status(), QStringLiteral("Fertig geladen!"));
        Get<QListWidget>("lstFiles")->setCurrentRow(1);
        QCOMPARE(Get<QLineEdit>("txtFilesName")->text(), QStringLiteral("g.bin"));
        QCOMPARE(Get<QLabel>("lblFilesSize")->text(), QString::fromUtf8("Größe: 6"));
    }

    void sizeAbove4GiBIsPlainDigits()
    {
        const int64_t big = 5'000'000'000;
        const auto pieces = static_cast<std::size_t>((big + 65535) / 65536);
        Open("big.torrent", Metainfo(SingleInfo("big.bin", big, pieces)));
        QCOMPARE(Get<QLabel>("lblFilesSize")->text(), QString::fromUtf8("Größe: 5000000000"));
        QVERIFY(!Get<QLineEdit>("txtFilesName")->isEnabled());
        QCOMPARE(Get<QLabel>("lblViewCreationDate")->text(), QStringLiteral("Erstellungsdatum: N/A"));
        const auto saved = Box->Root() / "big-out.torrent";
        SaveAs(saved);
        VerifyLibtorrentReadsShownHash(saved);
    }

    void torrentWithoutInfoEmptiesThePage()
    {
        Open("good.torrent", MultiTorrent());
        Open("bad.torrent", BDict({{"announce", BStr("http://t/a")}}));
        QCOMPARE(W->Ui.Messages(), Strings({"Fehler beim laden!: Corrupt File: Missing \"info\" segment\n"}));
        QVERIFY(W->Ui.Calls.back().Buttons == TMessageButtons::Ok);
        QCOMPARE(Status(), QStringLiteral("Loading error!"));
        QVERIFY(!W->ViewTorrent());
        QCOMPARE(Get<QListWidget>("lstFiles")->count(), 0);
        for (const char* name : {"txtAnnounceURL", "txtViewName", "txtFilesName"})
            QVERIFY2(Get<QLineEdit>(name)->text().isEmpty(), name);
        QVERIFY(Get<QPlainTextEdit>("mmoViewComment")->toPlainText().isEmpty());
        QCOMPARE(Get<QLabel>("lblViewSHA1")->text(), QStringLiteral("Hash:"));
        QCOMPARE(Get<QLabel>("lblViewCreationDate")->text(), QStringLiteral("Erstellungsdatum:"));
        QCOMPARE(Get<QLabel>("lblFilesSize")->text(), QString::fromUtf8("Größe:"));
        QVERIFY(!Get<QPushButton>("btnViewSave")->isEnabled());
        QVERIFY(!Get<QPushButton>("btnViewSaveAs")->isEnabled());
        // The path that loaded last stays the destination of a later save.
        QCOMPARE(W->ViewFileName(), Utf8((Box->Root() / "good.torrent").string()));
    }

    void saveWithoutTorrentSaysSo()
    {
        QVERIFY(QMetaObject::invokeMethod(W->Form.get(), "btnViewSaveClick"));
        QVERIFY(QMetaObject::invokeMethod(W->Form.get(), "btnViewSaveAsClick"));
        QCOMPARE(W->Ui.Messages(), Strings({"Error: Kein Torrent geladen!", "Error: Kein Torrent geladen!"}));
    }

    void unreadableFileKeepsThePageWithoutTorrent()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        Open("good.torrent", SingleTorrent());
        const auto locked = Box->Write("locked.torrent", SingleTorrent("other.bin"));
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        Get<QLineEdit>("txtTorrent")->setText(Utf8(locked.string()));
        QVERIFY(!W->ViewTorrent());
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QStringLiteral("one"));
        QVERIFY(LastMessage().contains(QStringLiteral("kann nicht ge")));
    }

    void creationDateResetIsShownAndSaved()
    {
        const auto path = Open("s.torrent", SingleTorrent());
        QCOMPARE(Get<QLabel>("lblViewCreationDate")->text(), QStringLiteral("Erstellungsdatum: N/A"));
        Get<QPushButton>("btnCreationDateReset")->click();
        const double date = W->ViewTorrent()->CreationDate;
        QVERIFY(date != 0.0);
        QCOMPARE(
            Get<QLabel>("lblViewCreationDate")->text(),
            QStringLiteral("Erstellungsdatum: ") + Utf8(FormatDateTimeC(date)));
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(Status(), Utf8(path.string()) + QStringLiteral(" erfolgreich geschrieben!"));
        QCOMPARE(Reload(path).CreationDate != 0.0, true);
        QCOMPARE(ToUnixSeconds(Reload(path).CreationDate), ToUnixSeconds(date));
        VerifyLibtorrentReadsShownHash(path);
    }

    void singleFileNameRenamesTheRowAndEntry()
    {
        const auto path = Open("s.torrent", SingleTorrent());
        auto* name = Get<QLineEdit>("txtViewName");
        QCOMPARE(name->text(), QStringLiteral("one.bin"));
        QVERIFY(W->Show());
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("neu.bin"));
        QCOMPARE(Items(Get<QListWidget>("lstFiles")), Strings({"neu.bin"}));
        QCOMPARE(Get<QLineEdit>("txtFilesName")->text(), QStringLiteral("neu.bin"));
        QCOMPARE(W->ViewTorrent()->Files[0].Name, std::string("neu.bin"));
        // The disabled row field holds the name: "Ändern" leaves everything.
        Get<QPushButton>("btnChange")->click();
        W->Ui.Answers.push_back(TMessageResult::Yes); // a new name, a new info hash
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(Reload(path).Name, std::string("neu.bin"));
        VerifyLibtorrentReadsShownHash(path);
    }

    void multiFileNameLeavesTheRows()
    {
        const auto path = Open("m.torrent", MultiTorrent());
        Get<QLineEdit>("txtViewName")->setText(QStringLiteral("Ordner"));
        QCOMPARE(Items(Get<QListWidget>("lstFiles")), Strings({"old\\f.bin", "g.bin"}));
        QCOMPARE(Get<QLineEdit>("txtFilesName")->text(), QStringLiteral("old\\f.bin"));
        // The page asks first: "Nein" writes nothing.
        const std::string before = ReadFile(path);
        const QString hashBefore = Get<QLabel>("lblViewSHA1")->text();
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(
            LastMessage(),
            U("Frage: Der Info-Hash ändert sich: Tracker und andere Clients kennen den gespeicherten Torrent dann als "
              "einen neuen. Trotzdem speichern?"));
        QVERIFY(W->Ui.Calls.back().Buttons == TMessageButtons::YesNo);
        QCOMPARE(ReadFile(path), before);
        QCOMPARE(Get<QLabel>("lblViewSHA1")->text(), hashBefore);
        W->Ui.Answers.push_back(TMessageResult::Yes);
        Get<QPushButton>("btnViewSave")->click();
        const TTorrentFile t = Reload(path);
        QCOMPARE(t.Name, std::string("Ordner"));
        QCOMPARE(t.Files[0].Path + t.Files[0].Name, std::string("old\\f.bin"));
        // The label shows the new hash, and a second save asks no more.
        QCOMPARE(Get<QLabel>("lblViewSHA1")->text(), QStringLiteral("Hash: ") + Utf8(t.InfoHashText));
        QVERIFY(Get<QLabel>("lblViewSHA1")->text() != hashBefore);
        const auto calls = W->Ui.Calls.size();
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(W->Ui.Calls.size(), calls);
        VerifyLibtorrentReadsShownHash(path);
    }

    void changeRenamesTheSelectedEntry()
    {
        const auto path = Open("m.torrent", MultiTorrent());
        auto* files = Get<QListWidget>("lstFiles");
        auto* text = Get<QLineEdit>("txtFilesName");
        text->setText(QStringLiteral("sub\\new.bin"));
        Get<QPushButton>("btnChange")->click();
        QCOMPARE(Items(files), Strings({"sub\\new.bin", "g.bin"}));
        QCOMPARE(files->currentRow(), 0);
        files->setCurrentRow(1);
        text->setText(QStringLiteral("h.bin"));
        Get<QPushButton>("btnChange")->click();
        files->setCurrentRow(0);
        QCOMPARE(text->text(), QStringLiteral("sub\\new.bin"));
        W->Ui.Answers.push_back(TMessageResult::Yes);
        Get<QPushButton>("btnViewSave")->click();
        TTorrentFile t = Reload(path);
        QCOMPARE(t.Files[0].Path + "|" + t.Files[0].Name, std::string("sub\\|new.bin"));
        QCOMPARE(t.Files[1].Path + "|" + t.Files[1].Name, std::string("|h.bin"));
        VerifyLibtorrentReadsShownHash(path);

        // Without a backslash the old folder stays; with one at the end the
        // name would be empty, and another entry's path is taken: both refused.
        text->setText(QStringLiteral("plain.bin"));
        Get<QPushButton>("btnChange")->click();
        QCOMPARE(files->item(0)->text(), QStringLiteral("plain.bin"));
        files->setCurrentRow(1);
        for (const char* refused : {"dir\\", "sub/plain.bin"})
        {
            text->setText(QString::fromUtf8(refused));
            Get<QPushButton>("btnChange")->click();
            QVERIFY2(LastMessage().contains(QString::fromUtf8(refused)), qPrintable(LastMessage()));
            QCOMPARE(files->item(1)->text(), QStringLiteral("h.bin"));
        }
        W->Ui.Answers.push_back(TMessageResult::Yes);
        Get<QPushButton>("btnViewSave")->click();
        t = Reload(path);
        QCOMPARE(t.Files[0].Path + "|" + t.Files[0].Name, std::string("sub\\|plain.bin"));
        QCOMPARE(t.Files[1].Path + "|" + t.Files[1].Name, std::string("|h.bin"));
        VerifyLibtorrentReadsShownHash(path);
    }

    void commentWithLineFeedsIsSavedWithCrLfAndTheSuffixAgain()
    {
        const auto path = Open("m.torrent", MultiTorrent());
        Get<QPushButton>("btnViewSave")->click();
        const std::string once = "first\r\nsecond" + std::string(kCommentSuffix);
        QCOMPARE(Reload(path).Comment, once);
        // Loading our own file and saving it again adds the suffix once more.
        Get<QLineEdit>("txtTorrent")->clear();
        Get<QLineEdit>("txtTorrent")->setText(Utf8(path.string()));
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(Reload(path).Comment, once + std::string(kCommentSuffix));
        // Typed lines end in CR LF too.
        auto* memo = Get<QPlainTextEdit>("mmoViewComment");
        memo->setPlainText(QStringLiteral("x\ny"));
        QCOMPARE(W->ViewTorrent()->Comment, std::string("x\r\ny"));
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(Reload(path).Comment, "x\r\ny" + std::string(kCommentSuffix));
        VerifyLibtorrentReadsShownHash(path);
    }

    void saveAsThenSaveWritesTheOpenedFile()
    {
        const auto path = Open("m.torrent", MultiTorrent());
        const auto copy = Box->Root() / "copy.torrent";
        Get<QLineEdit>("txtAnnounceURL")->setText(QStringLiteral("http://copy/a"));
        SaveAs(copy);
        const auto& request = W->Ui.Calls.back();
        QVERIFY(request.Kind == TScriptedUserInterface::TKind::SaveFile);
        QCOMPARE(request.Filter, QStringLiteral("Torrent Dateien (*.torrent)|*.torrent"));
        QCOMPARE(request.DefaultSuffix, QStringLiteral("torrent"));
        QVERIFY(request.ConfirmOverwrite);
        QCOMPARE(Status(), Utf8(copy.string()) + QStringLiteral(" erfolgreich gespeichert!"));
        QCOMPARE(W->ViewFileName(), Utf8(path.string()));
        QCOMPARE(Get<QLineEdit>("txtTorrent")->text(), Utf8(path.string()));
        Get<QLineEdit>("txtAnnounceURL")->setText(QStringLiteral("http://orig/a"));
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(Status(), Utf8(path.string()) + QStringLiteral(" erfolgreich geschrieben!"));
        QCOMPARE(Reload(copy).Announce, std::string("http://copy/a"));
        QCOMPARE(Reload(path).Announce, std::string("http://orig/a"));
        VerifyLibtorrentReadsShownHash(copy);
        VerifyLibtorrentReadsShownHash(path);
        // Cancelled: nothing written, nothing said.
        const auto calls = W->Ui.Calls.size();
        Get<QPushButton>("btnViewSaveAs")->click();
        QCOMPARE(W->Ui.Calls.size(), calls + 1);
        QCOMPARE(Status(), Utf8(path.string()) + QStringLiteral(" erfolgreich geschrieben!"));
    }

    void unwritableDestinationKeepsTheOldFileAndTheModel()
    {
        Open("s.torrent", SingleTorrent());
        // Without a write bit, which the superuser respects here too.
        const auto dest = Box->Write("ro.torrent", "old bytes");
        std::filesystem::permissions(dest, std::filesystem::perms::owner_read);
        SaveAs(dest);
        QCOMPARE(LastMessage(), QStringLiteral("Error: Fehler beim Schreiben ") + Utf8(dest.string()));
        QCOMPARE(ReadFile(dest), std::string("old bytes"));
        QVERIFY(W->ViewTorrent());
        QVERIFY(Get<QPushButton>("btnViewSave")->isEnabled());
        const auto good = Box->Root() / "good.torrent";
        SaveAs(good);
        QCOMPARE(Status(), Utf8(good.string()) + QStringLiteral(" erfolgreich gespeichert!"));
        VerifyLibtorrentReadsShownHash(good);
    }

    // Another program changed the file after it was loaded: the save asks,
    // and writes anyway (Yes) or loads the file anew (No).
    void changedMeanwhileAsksToSaveAnywayOrReload()
    {
        const std::string foreign = Metainfo(SingleInfo("other.bin", 3), "http://foreign/a");
        for (const auto answer : {TMessageResult::Yes, TMessageResult::No})
        {
            const auto path = Open(answer == TMessageResult::Yes ? "y.torrent" : "n.torrent", MultiTorrent());
            Get<QLineEdit>("txtAnnounceURL")->setText(QStringLiteral("http://mine/a"));
            Box->Write(path.filename().string(), foreign);
            W->Ui.Answers.push_back(answer);
            Get<QPushButton>("btnViewSave")->click();
            QVERIFY2(
                LastMessage().contains(
                    Utf8(path.string()) + QStringLiteral(" wurde inzwischen von einem anderen Programm geändert.")),
                qPrintable(LastMessage()));
            const bool saved = answer == TMessageResult::Yes;
            QCOMPARE(Reload(path).Announce, std::string(saved ? "http://mine/a" : "http://foreign/a"));
            QCOMPARE(
                Get<QLineEdit>("txtAnnounceURL")->text(),
                saved ? QStringLiteral("http://mine/a") : QStringLiteral("http://foreign/a"));
        }
    }

    void loadFillsTheBackupListAndSavesResolveIt()
    {
        W->Trackers() = {{"Known", "http://known/announce", "", false}};
        TfrmBackup& backup = *W->Form->frmBackup();
        backup.SetRows({"left over"});
        const auto path = Open("m.torrent", MultiTorrent());
        QCOMPARE(backup.Rows(), (std::vector<std::string>{"http://t/a", "http://b/a"}));
        backup.SetRows({"http://b/a", "Known", "Gone"});
        Get<QPushButton>("btnViewBackupTrackers")->click();
        QVERIFY(backup.isVisible());
        QCOMPARE(backup.Rows(), (std::vector<std::string>{"http://b/a", "Known", "Gone"}));
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(
            Reload(path).BackupTrackers,
            (std::vector<std::string>{"http://t/a", "http://b/a", "http://known/announce", "Gone"}));
        VerifyLibtorrentReadsShownHash(path);

        // A torrent without backup trackers empties the list and writes none.
        const auto single = Open("s.torrent", SingleTorrent());
        QVERIFY(backup.Rows().empty());
        QVERIFY(!Get<QCheckBox>("chkViewBackup")->isChecked());
        QVERIFY(!Get<QPushButton>("btnViewBackupTrackers")->isEnabled());
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(ReadFile(single).find("announce-list"), std::string::npos);
    }

    void uncheckedBackupWritesNoAnnounceList()
    {
        Get<QCheckBox>("chkPrivate2")->setEnabled(true);
        Get<QCheckBox>("chkPrivate2")->setChecked(false);
        const auto path = Open("m.torrent", MultiTorrent());
        auto* box = Get<QCheckBox>("chkViewBackup");
        QVERIFY(box->isEnabled());
        box->setChecked(false);
        QVERIFY(!Get<QPushButton>("btnViewBackupTrackers")->isEnabled());
        Get<QPushButton>("btnViewSave")->click();
        QCOMPARE(ReadFile(path).find("announce-list"), std::string::npos);
        // Private on and off: the boxes come back enabled and unchecked.
        box->setChecked(true);
        Get<QCheckBox>("chkPrivate2")->setChecked(true);
        QVERIFY(!box->isChecked());
        QVERIFY(!box->isEnabled());
        QVERIFY(!Get<QPushButton>("btnViewBackupTrackers")->isEnabled());
        Get<QCheckBox>("chkPrivate2")->setChecked(false);
        for (const char* name : {"chkViewBackup", "chkDHTAzu2", "chkDHTBitcomet2"})
        {
            QVERIFY2(Get<QCheckBox>(name)->isEnabled(), name);
            QVERIFY2(!Get<QCheckBox>(name)->isChecked(), name);
        }
    }

    void namesThatAreNotUtf8SaveBackByteForByte()
    {
        TTorrentFile created;
        created.Init(
            "http://t/a", "Gr\xfc\xdf", "Kommentar \xe4\r\n", "", 7, true, [] { return FromUnixSeconds(1200000000); });
        created.Files.emplace_back("f\xe9\x81.bin", "d\xf6r\\", 3, 0);
        created.Files.emplace_back("\xff", "", 4, 3);
        created.PieceLength = 65536;
        created.Pieces.emplace_back(std::string(20, 'q'), true);
        created.Comment = "Kommentar \xe4\r\n";
        const std::string original = created.SaveToString(created.Pieces);
        created.Comment += std::string(kCommentSuffix);
        const std::string expected = created.SaveToString(created.Pieces);

        Open("latin.torrent", original);
        QCOMPARE(Get<QLineEdit>("txtViewName")->text(), QString::fromUtf8("Grüß"));
        QCOMPARE(Items(Get<QListWidget>("lstFiles")), Strings({"dör\\fé\xef\xbf\xbd.bin", "ÿ"}));
        // "Ändern" on an unchanged row keeps its bytes.
        Get<QPushButton>("btnChange")->click();
        const auto copy = Box->Root() / "copy.torrent";
        SaveAs(copy);
        QCOMPARE(ReadFile(copy), expected);
        VerifyLibtorrentReadsShownHash(copy);
        // A changed field is written as typed, in UTF-8.
        Get<QLineEdit>("txtViewName")->setText(QString::fromUtf8("Grüße"));
        W->Ui.Answers.push_back(TMessageResult::Yes);
        SaveAs(copy);
        QCOMPARE(
            Reload(copy).Name,
            std::string("Gr\xc3\xbc\xc3\x9f"
                        "e"));
    }
};

QTEST_MAIN(TestEdit)
#include "edit_test.moc"
