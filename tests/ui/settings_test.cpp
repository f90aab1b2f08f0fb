// Writing the settings: the save button, closing the window, the window
// geometry, and what the user sees when the file cannot be written.
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include "ui/filelists.h"
#include "uitestsupport.h"

using brisolt::test::Strings;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

class TestSettings : public TWindowTest
{
    Q_OBJECT

private:
    static QString WriteError(const std::filesystem::path& path)
    {
        return QStringLiteral("In ") + QString::fromStdString(path.string())
               + QStringLiteral(" kann nicht geschrieben werden");
    }

    static QString Title() { return QStringLiteral("Brisolt v2.1 - Orl Edition Public Beta RC1"); }

private slots:

    void saveWritesTheSettingsAndRestartsTheRefresh()
    {
        Box->WriteIni("[private]\ncount=2\n[private0]\nname=A\nannounce=http://a/\nwebpage=http://a/w\n"
                      "[private1]\nname=B\nannounce=http://b/\n");
        TWindow w;
        auto* timer = w.Get<QTimer>("updateTimer");
        timer->stop();
        w.Get<QCheckBox>("chkNoUpdate")->click();
        w.Get<QCheckBox>("chkSkipThumbs")->click();
        w.Get<QRadioButton>("radClassic")->click();
        w.Get<QPushButton>("btnSaveSettings")->click();
        QVERIFY(timer->isActive());
        QCOMPARE(Box->Value("settings", "rememberfolder"), QStringLiteral("1"));
        QCOMPARE(Box->Value("settings", "remembertracker"), QStringLiteral("1"));
        QCOMPARE(Box->Value("settings", "noupdate"), QStringLiteral("1"));
        QCOMPARE(Box->Value("settings", "autosave"), QStringLiteral("1"));
        QCOMPARE(Box->Value("settings", "skipthumbs"), QStringLiteral("0"));
        QCOMPARE(Box->Value("settings", "defaultzin"), QStringLiteral("1"));
        QCOMPARE(Box->Value("settings", "startup"), QStringLiteral("1"));
        QCOMPARE(Box->Value("private", "count"), QStringLiteral("2"));
        QCOMPARE(Box->Value("private0", "webpage"), QStringLiteral("http://a/w"));
        QCOMPARE(Box->Value("private1", "name"), QStringLiteral("B"));
        QCOMPARE(Box->Value("private1", "webpage"), QString());
        QVERIFY2(Box->Value("memory", "folder") == QStringLiteral("<none>"), "saving is not closing");

        TWindow again;
        QVERIFY(again.Get<QCheckBox>("chkNoUpdate")->isChecked());
        QVERIFY(!again.Get<QCheckBox>("chkSkipThumbs")->isChecked());
        QCOMPARE(again.Get<QTabWidget>("pageMode")->currentIndex(), 1);
    }

    void saveTakesTheLastTrackerOfAName()
    {
        Box->WriteIni("[private]\ncount=3\n[private0]\nname=A\nannounce=http://first/\n"
                      "[private1]\nname=a\nannounce=http://lower/\n[private2]\nname=A\nannounce=http://last/\n");
        TWindow w;
        QCOMPARE(w.FindPrivateTracker(QStringLiteral("A")), 2);
        QCOMPARE(w.FindPrivateTracker(QStringLiteral("a")), 1);
        QCOMPARE(w.FindPrivateTracker(QStringLiteral("B")), -1);
        w.Get<QPushButton>("btnSaveSettings")->click();
        QCOMPARE(Box->Value("private0", "announce"), QStringLiteral("http://last/"));
        QCOMPARE(Box->Value("private1", "announce"), QStringLiteral("http://lower/"));
        QCOMPARE(Box->Value("private2", "announce"), QStringLiteral("http://last/"));
    }

    void fewerTrackersLeaveTheOldSectionsBehind()
    {
        Box->WriteIni("[private]\ncount=3\n[private0]\nname=A\n[private1]\nname=B\n[private2]\nname=C\n");
        TWindow w;
        delete w.Get<QListWidget>("lstPrivateTrackers")->takeItem(1);
        w.Get<QPushButton>("btnSaveSettings")->click();
        QCOMPARE(Box->Value("private", "count"), QStringLiteral("2"));
        QCOMPARE(Box->Value("private1", "name"), QStringLiteral("C"));
        QCOMPARE(Box->Value("private2", "name"), QStringLiteral("C")); // left over, never read again
        TWindow again;
        QCOMPARE(again.Get<QListWidget>("lstPrivateTrackers")->count(), 2);
    }

    void listEntryWithoutTrackerIsSavedByName()
    {
        TWindow w;
        w.Get<QListWidget>("lstPrivateTrackers")->addItem(QStringLiteral("Orphan"));
        w.Get<QPushButton>("btnSaveSettings")->click();
        QCOMPARE(Box->Value("private0", "name"), QStringLiteral("Orphan"));
        QCOMPARE(Box->Value("private0", "announce"), QString());
        QVERIFY(w.Ui.Calls.empty());
    }

    void closeWithoutAutosaveWritesOnlyTheMemory()
    {
        Box->Write("data/x.txt", "x");
        const std::string folder = (Box->Root() / "data").string();
        Box->WriteIni("[settings]\nautosave=0\nnoupdate=1\n[memory]\nfolder=" + folder + "\n");
        TWindow w;
        w.Get<QCheckBox>("chkNoUpdate")->click();
        w.Get<QComboBox>("cmbAnnounceURL")->setEditText(QStringLiteral("http://typed/announce"));
        QVERIFY(w.Show());
        QVERIFY(w.Form->close());
        QCOMPARE(Box->Value("memory", "folder"), QString::fromStdString(folder));
        QCOMPARE(Box->Value("memory", "tracker"), QStringLiteral("http://typed/announce"));
        QCOMPARE(Box->Value("settings", "noupdate"), QStringLiteral("1"));
        QCOMPARE(Box->Value("private", "count"), QStringLiteral("<none>"));
        QCOMPARE(Box->Value("settings", "rememberfolder"), QStringLiteral("<none>"));
    }

    void closeWithAutosaveSavesEverything()
    {
        TWindow w;
        QVERIFY(w.Show());
        QVERIFY(w.Form->close());
        QCOMPARE(
            Box->Value("memory", "tracker"),
            QString::fromUtf8("Gib die Trackeradresse ein oder wähle einen aus der Liste"));
        QCOMPARE(Box->Value("settings", "autosave"), QStringLiteral("1"));
        QCOMPARE(Box->Value("settings", "startup"), QStringLiteral("0"));
        QCOMPARE(Box->Value("private", "count"), QStringLiteral("0"));
        QCOMPARE(Box->Value("window", "width"), QStringLiteral("608"));
    }

    void closeRemembersNothingWhenTold()
    {
        Box->WriteIni("[settings]\nautosave=0\nrememberfolder=0\nremembertracker=0\n");
        TWindow w;
        QVERIFY(w.Form->close());
        QCOMPARE(Box->Value("memory", "folder"), QStringLiteral("<none>"));
        QCOMPARE(Box->Value("memory", "tracker"), QStringLiteral("<none>"));
    }

    void readOnlySettingsFileIsReportedAndKept()
    {
        const std::string before = "[settings]\nnoupdate=1\n";
        Box->WriteIni(before);
        ::chmod(Box->IniPath().c_str(), 0444);
        TWindow w;
        auto* timer = w.Get<QTimer>("updateTimer");
        timer->stop();
        w.Get<QPushButton>("btnSaveSettings")->click();
        QCOMPARE(w.Ui.Messages(), QStringList{Title() + QStringLiteral(": ") + WriteError(Box->IniPath())});
        QCOMPARE(w.Ui.Calls.front().Buttons, brisolt::TMessageButtons::Ok);
        QCOMPARE(QString::fromStdString(Box->Ini()), QString::fromStdString(before));
        QVERIFY2(!timer->isActive(), "a failed save does not refresh");
    }

    void unwritableFolderAtCloseIsReportedOnceAndTheWindowCloses()
    {
        const auto plain = Box->Write("plain.txt", "x");
        qputenv("BRISOLT_INSTALL_DIR", QFile::encodeName(QString::fromStdString(plain.string())));
        TWindow w;
        QVERIFY(w.Form->close());
        QVERIFY(!w.Form->isVisible());
        QCOMPARE(w.Ui.Messages(), QStringList{Title() + QStringLiteral(": ") + WriteError(plain / "brisolt.ini")});
    }

    void resizeWritesTheWindowSection()
    {
        TWindow w;
        QVERIFY(w.Show());
        w.Form->resize(700, 600);
        // Written on the settings thread, height last.
        QTRY_COMPARE(Box->Value("window", "height"), QStringLiteral("600"));
        QCOMPARE(Box->Value("window", "width"), QStringLiteral("700"));
        QCOMPARE(Box->Value("window", "left"), QString::number(w.Form->x()));
        QCOMPARE(Box->Value("window", "top"), QString::number(w.Form->y()));
    }

    void pendingResizeIsWrittenAtClose()
    {
        Box->WriteIni("[settings]\nautosave=0\n");
        TWindow w;
        QVERIFY(w.Show());
        w.Form->resize(800, 640);
        QVERIFY(w.Form->close());
        QCOMPARE(Box->Value("window", "width"), QStringLiteral("800"));
        QCOMPARE(Box->Value("window", "height"), QStringLiteral("640"));
    }

    void resizeInUnwritableFolderIsReported()
    {
        const auto plain = Box->Write("plain.txt", "x");
        qputenv("BRISOLT_INSTALL_DIR", QFile::encodeName(QString::fromStdString(plain.string())));
        TWindow w;
        QVERIFY(w.Show());
        w.Form->resize(700, 600);
        QTRY_COMPARE(w.Ui.Messages().size(), 1);
        QCOMPARE(w.Ui.Messages().front(), Title() + QStringLiteral(": ") + WriteError(plain / "brisolt.ini"));
    }

    // The settings go to a folder that cannot hold them: a failed position
    // write is said once, then in the status bar; closing says at most one
    // thing and always closes.
    void unwritableFolderIsSaidOnceAndCloseAlwaysCloses_data()
    {
        QTest::addColumn<int>("resizes");
        QTest::addColumn<bool>("settled"); // each resize written before the next step
        QTest::newRow("close at once") << 0 << true;
        QTest::newRow("resize pending at close") << 1 << false;
        QTest::newRow("three resizes, then close") << 3 << true;
    }

    void unwritableFolderIsSaidOnceAndCloseAlwaysCloses()
    {
        QFETCH(int, resizes);
        QFETCH(bool, settled);
        const auto plain = Box->Write("plain.txt", "x");
        qputenv("BRISOLT_INSTALL_DIR", QFile::encodeName(QString::fromStdString(plain.string())));
        TWindow w;
        w.HoldRefresh();
        QVERIFY(w.Show());
        const QString said = Title() + QStringLiteral(": ") + WriteError(plain / "brisolt.ini");
        for (int i = 0; i < resizes; ++i)
        {
            w.Form->resize(700 + i * 10, 600);
            if (settled)
                QTRY_VERIFY(!w.Get<QTimer>("windowSaveTimer")->isActive() && !w.Ui.Messages().isEmpty());
        }
        if (settled && resizes > 1)
        {
            // Said once; the later failures go to the status bar.
            QTRY_COMPARE(w.Form->statusBar()->currentMessage(), said.mid(Title().size() + 2));
            QCOMPARE(w.Ui.Messages(), QStringList{said});
        }
        const QStringList before = w.Ui.Messages();
        QVERIFY(w.Form->close());
        QVERIFY(!w.Form->isVisible());
        QCOMPARE(w.Ui.Messages(), before + QStringList{said});
    }

    void partnerProfileSetFromCodeMovesBothPrivateBoxes()
    {
        Box->WriteIni("[settings]\ndefaultzin=0\n");
        TWindow w;
        auto* zin = w.Get<QCheckBox>("chkZINdefault");
        zin->setChecked(true);
        QVERIFY(w.Get<QCheckBox>("chkPrivate1")->isChecked());
        QVERIFY(w.Get<QCheckBox>("chkPrivate2")->isChecked());
        QVERIFY(!w.Get<QCheckBox>("chkDHTAzu1")->isEnabled());
        QVERIFY(!w.Get<QCheckBox>("chkViewBackup")->isEnabled());
        zin->setChecked(false);
        QVERIFY(!w.Get<QCheckBox>("chkPrivate1")->isChecked());
        QVERIFY(!w.Get<QCheckBox>("chkPrivate2")->isChecked());
        QVERIFY(w.Get<QCheckBox>("chkDHTBitcomet2")->isEnabled());
        w.Get<QPushButton>("btnSaveSettings")->click();
        QCOMPARE(Box->Value("settings", "defaultzin"), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestSettings)
#include "settings_test.moc"
