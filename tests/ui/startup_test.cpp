// Start-up: what the window shows for each state of the settings file.
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "ui/about.h"
#include "ui/brisolt_backup.h"
#include "ui/brisolt_progress.h"
#include "ui/filelists.h"
#include "uitestsupport.h"

using brisolt::test::Items;
using brisolt::test::Shown;
using brisolt::test::Strings;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

class TestStartup : public TWindowTest
{
    Q_OBJECT

private:
    static void VerifyLocked(const TWindow& w, const char* name, bool checked, bool enabled)
    {
        const auto* box = w.Get<QCheckBox>(name);
        QVERIFY2(box->isChecked() == checked, name);
        QVERIFY2(box->isEnabled() == enabled, name);
    }

private slots:

    void freshStartGivesTheDefaults()
    {
        TWindow w;
        for (const char* name :
             {"chkRememberFolder", "chkRememberTracker", "chkAutoSave", "chkSkipThumbs", "chkZINdefault"})
            QVERIFY2(w.Get<QCheckBox>(name)->isChecked(), name);
        QVERIFY(!w.Get<QCheckBox>("chkNoUpdate")->isChecked());
        QVERIFY(!w.Get<QCheckBox>("chkZINdefault")->isEnabled());
        QVERIFY(w.Get<QRadioButton>("radSimple")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("radClassic")->isChecked());
        QCOMPARE(w.Get<QTabWidget>("pageMode")->currentIndex(), 0);
        QCOMPARE(w.Get<QTabWidget>("pgeMain")->currentIndex(), 0);
        QCOMPARE(w.Get<QListWidget>("lstPrivateTrackers")->count(), 0);
        QVERIFY(w.PrivateTrackers().empty());
        QVERIFY(!w.ViewTorrent());
        // The partner profile locks the private boxes, which clear and lock DHT and backup.
        VerifyLocked(w, "chkPrivate1", true, false);
        VerifyLocked(w, "chkPrivate2", true, false);
        for (const char* name :
             {"chkDHTAzu1", "chkDHTBitcomet1", "chkBackup", "chkDHTAzu2", "chkDHTBitcomet2", "chkViewBackup"})
            VerifyLocked(w, name, false, false);
        QVERIFY(!w.Get<QPushButton>("btnBackup")->isEnabled());
        QCOMPARE(w.Get<QComboBox>("cmbPieceSize")->currentText(), QStringLiteral("128kb"));
        QVERIFY(w.Get<QTimer>("updateTimer")->isActive());
        QCOMPARE(w.Get<QTimer>("updateTimer")->interval(), 500);

        QVERIFY(w.Show());
        QCOMPARE(w.Form->size(), QSize(608, 502));
        const QPoint centre = w.Form->screen()->availableGeometry().center();
        QVERIFY(qAbs(w.Form->geometry().center().x() - centre.x()) <= 1);
        QVERIFY(qAbs(w.Form->geometry().center().y() - centre.y()) <= 1);
        QVERIFY2(w.Ui.Calls.empty(), qPrintable(w.Ui.Messages().join(QLatin1Char('\n'))));
    }

    void startupSevenChecksNeitherButtonAndIsNotSaved()
    {
        Box->WriteIni("[settings]\nstartup=7\n");
        TWindow w;
        QVERIFY(!w.Get<QRadioButton>("radSimple")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("radClassic")->isChecked());
        QCOMPARE(w.Get<QTabWidget>("pageMode")->currentIndex(), 0);
        w.Get<QPushButton>("btnSaveSettings")->click();
        QCOMPARE(Box->Value("settings", "startup"), QStringLiteral("7")); // no startup key is written
        QCOMPARE(Box->Value("settings", "autosave"), QStringLiteral("1"));
    }

    void startupOneShowsTheClassicPage()
    {
        Box->WriteIni("[SETTINGS]\nStartup=0x1\n");
        TWindow w;
        QVERIFY(w.Get<QRadioButton>("radClassic")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("radSimple")->isChecked());
        QCOMPARE(w.Get<QTabWidget>("pageMode")->currentWidget()->objectName(), QStringLiteral("tabClassic"));
    }

    void partnerProfileOffLeavesThePrivateBoxesFree()
    {
        Box->WriteIni("[settings]\ndefaultzin=0\n");
        TWindow w;
        VerifyLocked(w, "chkZINdefault", false, false);
        VerifyLocked(w, "chkPrivate1", false, true);
        VerifyLocked(w, "chkPrivate2", false, true);
        for (const char* name :
             {"chkDHTAzu1", "chkDHTBitcomet1", "chkBackup", "chkDHTAzu2", "chkDHTBitcomet2", "chkViewBackup"})
            VerifyLocked(w, name, false, true);
    }

    void otherValuesSetTheirBoxes()
    {
        Box->WriteIni("[settings]\nrememberfolder=0x0\nnoupdate=2\nautosave=no\nskipthumbs=0\nremembertracker=0\n");
        TWindow w;
        QVERIFY(!w.Get<QCheckBox>("chkRememberFolder")->isChecked());
        QVERIFY(w.Get<QCheckBox>("chkNoUpdate")->isChecked());
        QVERIFY2(w.Get<QCheckBox>("chkAutoSave")->isChecked(), "text that is no integer gives the default");
        QVERIFY(!w.Get<QCheckBox>("chkSkipThumbs")->isChecked());
        QVERIFY(!w.Get<QCheckBox>("chkRememberTracker")->isChecked());
    }

    void privateTrackersLoadInFileOrder()
    {
        Box->WriteIni("[private]\ncount=3\n[private0]\nname=Beta\nannounce=http://b/announce\nwebpage=http://b/\n"
                      "[private2]\nname=Alpha\nannounce=http://a/announce\n[private3]\nname=Unread\n");
        TWindow w;
        QCOMPARE(Items(w.Get<QListWidget>("lstPrivateTrackers")), Strings({"Beta", "", "Alpha"}));
        const auto& trackers = w.PrivateTrackers();
        QCOMPARE(trackers.size(), std::size_t{3});
        QCOMPARE(QString::fromStdString(trackers[0].Announce), QStringLiteral("http://b/announce"));
        QCOMPARE(QString::fromStdString(trackers[0].Webpage), QStringLiteral("http://b/"));
        QVERIFY(trackers[1].Name.empty() && trackers[1].Announce.empty() && trackers[1].Webpage.empty());
        QVERIFY(trackers[2].Webpage.empty());
        for (const auto& tracker : trackers)
            QVERIFY(!tracker.Down);
    }

    void olderFilesInWindows1252AreShownReadably()
    {
        Box->WriteIni("[private]\ncount=1\n[private0]\nname=M\xFC"
                      "nchen\n");
        TWindow w;
        QCOMPARE(w.Get<QListWidget>("lstPrivateTrackers")->item(0)->text(), QString::fromUtf8("München"));
        QCOMPARE(w.FindPrivateTracker(QString::fromUtf8("München")), 0);
    }

    void negativeOrGarbledCountReadsAsNone_data()
    {
        QTest::addColumn<QString>("count");
        QTest::newRow("negative") << QStringLiteral("-3");
        QTest::newRow("smallest") << QStringLiteral("-2147483648");
        QTest::newRow("text") << QStringLiteral("many");
    }

    void negativeOrGarbledCountReadsAsNone()
    {
        QFETCH(QString, count);
        Box->WriteIni("[private]\ncount=" + count.toStdString() + "\n[private0]\nname=A\n");
        TWindow w;
        QCOMPARE(w.Get<QListWidget>("lstPrivateTrackers")->count(), 0);
        QVERIFY(w.PrivateTrackers().empty());
    }

    void absurdCountKeepsOnlyWhatTheFileHolds()
    {
        Box->WriteIni("[private]\ncount=2147483647\n[private0]\nname=A\n[private2]\nname=C\n");
        TWindow w;
        QCOMPARE(Items(w.Get<QListWidget>("lstPrivateTrackers")), Strings({"A", "", "C"}));
    }

    void rememberedFolderIsShownWithItsFiles()
    {
        Box->Write("data/b.txt", "b");
        Box->Write("data/A.bin", "a");
        Box->Write("data/.hidden", "h");
        Box->Write("data/sub/inner.txt", "i");
        const QString folder = QString::fromStdString((Box->Root() / "data").string());
        Box->WriteIni("[memory]\nfolder=" + folder.toStdString() + "\n");
        TWindow w;
        QCOMPARE(w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->Directory(), folder);
        QCOMPARE(Items(w.Get<QListWidget>("FileListBox1")), Strings({"A.bin", "b.txt"}));
    }

    void rememberedFolderThatIsGoneShowsHome()
    {
        Box->WriteIni("[settings]\nnoupdate=1\n[memory]\nfolder=/no/such/folder/anywhere\n");
        TWindow w;
        const QString home = QString::fromStdString(Box->Home().string());
        QCOMPARE(QDir::homePath(), home);
        QCOMPARE(w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->Directory(), home);
        QVERIFY2(w.Get<QCheckBox>("chkNoUpdate")->isChecked(), "the rest of the settings still load");
        QVERIFY(w.Ui.Calls.empty());
    }

    void rememberedFolderIgnoredWhenNotRemembering()
    {
        Box->Write("data/x.txt", "x");
        Box->WriteIni("[settings]\nrememberfolder=0\n[memory]\nfolder=" + (Box->Root() / "data").string() + "\n");
        TWindow w;
        QCOMPARE(w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->Directory(), QDir::currentPath());
    }

    void storedSizeSurvivesButNotThePosition()
    {
        Box->WriteIni("[window]\nleft=3\ntop=4\nwidth=700\nheight=550\n");
        TWindow w;
        QVERIFY(w.Show());
        QCOMPARE(w.Form->size(), QSize(700, 550));
        QVERIFY(w.Form->pos() != QPoint(3, 4));
    }

    void storedSizeBelowTheMinimumGivesTheMinimum()
    {
        Box->WriteIni("[window]\nwidth=100\nheight=-5\n");
        TWindow w;
        QVERIFY(w.Show());
        QCOMPARE(w.Form->size(), QSize(608, 502));
    }

    void autosizeOnlyAsExactFirstArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("autosize");
        QTest::newRow("first") << Strings({"brisolt", "-autosize"}) << true;
        QTest::newRow("first, more after it") << Strings({"brisolt", "-autosize", "x"}) << true;
        QTest::newRow("second") << Strings({"brisolt", "x", "-autosize"}) << false;
        QTest::newRow("capital") << Strings({"brisolt", "-Autosize"}) << false;
        QTest::newRow("upper case") << Strings({"brisolt", "-AUTOSIZE"}) << false;
        QTest::newRow("none") << Strings({"brisolt"}) << false;
    }

    void autosizeOnlyAsExactFirstArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, autosize);
        Box->WriteIni("[window]\nwidth=720\nheight=560\n");
        TWindow w(arguments);
        QCOMPARE(w.Form->AutoSizing(), autosize);
        QVERIFY(w.Show());
        const QSize natural = w.Form->sizeHint().expandedTo(w.Form->minimumSize());
        QVERIFY(natural != QSize(720, 560));
        QCOMPARE(w.Form->size(), autosize ? natural : QSize(720, 560));
    }

    void autosizeWithLargeFontsStaysOnTheScreen()
    {
        struct TFontScope
        {
            QFont Saved = QApplication::font();

            ~TFontScope() { QApplication::setFont(Saved); }
        } scope;

        QFont large = scope.Saved;
        large.setPointSizeF(QFontInfo(scope.Saved).pointSizeF() * 3);
        QApplication::setFont(large);
        TWindow w(Strings({"brisolt", "-autosize"}));
        QVERIFY(w.Show());
        const QRect area = w.Form->screen()->availableGeometry();
        QVERIFY2(w.Form->sizeHint().height() > area.height(), "the fonts ask for more than the screen has");
        QVERIFY2(
            area.contains(w.Form->frameGeometry()),
            qPrintable(QStringLiteral("%1,%2 %3x%4")
                           .arg(w.Form->x())
                           .arg(w.Form->y())
                           .arg(w.Form->width())
                           .arg(w.Form->height())));
    }

    void windowAndPagesAsDesigned()
    {
        TWindow w;
        QCOMPARE(w.Form->windowTitle(), QStringLiteral("Brisolt v2.1 - Orl Edition Public Beta RC1"));
        const Qt::WindowFlags flags = w.Form->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.Form->minimumSize(), QSize(608, 502));
        QCOMPARE(w.Form->statusBar()->objectName(), QStringLiteral("StatusBar1"));
        const auto* pages = w.Get<QTabWidget>("pgeMain");
        const QStringList names = Strings({"tabCreate", "tabViewTorrent", "tabSettings", "tabAbout"});
        const QStringList captions =
            Strings({"Erstelle Torrent", "Bearbeite Torrent", "Einstellungen", "Über Brisolt"});
        // The fifth page, "Über Orl", is never shown: it has no tab.
        QCOMPARE(pages->count(), 4);
        for (int i = 0; i < 4; ++i)
        {
            QCOMPARE(pages->widget(i)->objectName(), names[i]);
            QCOMPARE(Shown(pages->tabText(i)), captions[i]);
        }
        QCOMPARE(w.Get<QWidget>("tabAboutOrl")->parentWidget(), pages);
        QVERIFY(w.Get<QWidget>("tabAboutOrl")->isHidden());
        const auto* mode = w.Get<QTabWidget>("pageMode");
        QCOMPARE(mode->widget(0)->objectName(), QStringLiteral("tabSimple"));
        QCOMPARE(Shown(mode->tabText(0)), QStringLiteral("Einfach"));
        QCOMPARE(mode->widget(1)->objectName(), QStringLiteral("tabClassic"));
        QCOMPARE(Shown(mode->tabText(1)), QStringLiteral("Klassisch"));
    }

    void ctrlTabGoesRoundTheFourPages_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("shown");
        QTest::newRow("Ctrl+Tab from the last page") << 3 << int(Qt::Key_Tab) << int(Qt::ControlModifier) << 0;
        QTest::newRow("Ctrl+Shift+Tab from the first")
            << 0 << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier) << 3;
    }

    void ctrlTabGoesRoundTheFourPages()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, shown);
        TWindow w;
        w.HoldRefresh();
        QVERIFY(w.Show());
        auto* pages = w.Get<QTabWidget>("pgeMain");
        pages->setCurrentIndex(from);
        QTest::keyClick(pages, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(pages->currentIndex(), shown);
        QVERIFY(w.Get<QWidget>("tabAboutOrl")->isHidden());
    }

    void dialogsAreCreatedHiddenInOrder()
    {
        TWindow w;
        QStringList order;
        for (const QObject* child : w.Form->children())
        {
            if (qobject_cast<const QDialog*>(child))
                order << child->objectName();
        }
        QCOMPARE(order, Strings({"frmProgress", "frmBackup", "frmAbout"}));
        QCOMPARE(w.Form->frmProgress()->windowTitle(), QStringLiteral("Erzeuge"));
        QCOMPARE(w.Form->frmBackup()->windowTitle(), QStringLiteral("Backup Trackerauswahl"));
        QVERIFY(w.Show());
        QVERIFY(!w.Form->frmProgress()->isVisible());
        QVERIFY(!w.Form->frmBackup()->isVisible());
        QVERIFY(!w.Form->frmAbout()->isVisible());
        QCOMPARE(w.Form->findChildren<brisolt::TfrmProgress*>().size(), 1);
    }

    void closingTheMainWindowEndsTheProgramWhileDialogsAreOpen()
    {
        TWindow w;
        QVERIFY(w.Show());
        w.Form->frmProgress()->show();
        w.Form->frmBackup()->show();
        // The event loop ends by itself, as the program's does; the watchdog only stops a hang.
        QTimer::singleShot(0, w.Form.get(), [&w] { w.Form->close(); });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!w.Form->isVisible());
    }

    void installDirectoryComesFromTheEnvironment()
    {
        TWindow w;
        QCOMPARE(QString::fromStdString(w.InstallDir()), QString::fromStdString(Box->InstallDir().string() + "/"));
        QCOMPARE(
            QString::fromStdString(w.SettingsPath().string()),
            QString::fromStdString(Box->InstallDir().string() + "/brisolt.ini"));
    }
};

QTEST_MAIN(TestStartup)
#include "startup_test.moc"
