// The window on a desktop: the path on the command line, drops, where the
// dialogs start, lists that follow the disk, and the rule for Qt's German texts.
#include <QAbstractScrollArea>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <QTreeWidgetItemIterator>

#include "create/editsupport.h"
#include "ui/desktop.h"
#include "ui/filelists.h"
#include "uitestsupport.h"

using brisolt::TScriptedUserInterface;
using brisolt::test::Q;
using brisolt::test::Strings;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

class TestDesktop : public TWindowTest
{
    Q_OBJECT

private:
    // Which page shows, what the torrent and classic paths hold, and the name the edit page shows.
    static QString State(const TWindow& w)
    {
        return QStringLiteral("%1|%2|%3|%4|%5")
            .arg(w.Get<QTabWidget>("pgeMain")->currentIndex())
            .arg(w.Get<QTabWidget>("pageMode")->currentIndex())
            .arg(
                w.Get<QLineEdit>("txtTorrent")->text(),
                w.Get<QLineEdit>("txtClassicPath")->text(),
                w.Get<QLineEdit>("txtViewName")->text());
    }

    // The folder of the file list and its selected files, when any are selected.
    static QString Selected(const TWindow& w)
    {
        const auto* files = w.Get<brisolt::TFileListBox>("FileListBox1");
        QStringList names;
        for (const auto& name : files->SelectedNames())
            names << QString::fromStdString(name);
        return names.isEmpty() ? QString() : Q(files->Path()) + QLatin1Char(':') + names.join(QLatin1Char(','));
    }

    // Paths in the sandbox written for a test; "@" in a table stands for the sandbox, "~" for home.
    QString Sand(QString text) const
    {
        return text.replace(QLatin1Char('@'), Q(Box->Root())).replace(QLatin1Char('~'), Q(Box->Home()));
    }

    void Files() const
    {
        Box->Write("a.torrent", brisolt::test::Metainfo(brisolt::test::SingleInfo("one.bin", 9)));
        Box->Write("d/x.bin", "x");
        Box->Write("d/y.bin", "y");
        Box->Write("d/.h", "h");
        Box->Write("d/sub/z.bin", "z");
        Box->Write("e/z.bin", "z");
        Box->Write("out/.keep", "");
    }

    // Drags urls over target (the window when empty) and drops them when the
    // enter was accepted. The data carries the paths as text too, as file
    // managers send them.
    bool Drop(TWindow& w, const QList<QUrl>& urls, const QString& target = {})
    {
        const QWidget* hint = w.Get<QWidget>("frmDropHint");
        // A memo takes drops on its viewport, as a real drag finds it.
        QWidget* receiver = target.isEmpty() ? w.Form.get() : w.Get<QWidget>(qPrintable(target));
        if (auto* area = qobject_cast<QAbstractScrollArea*>(receiver))
            receiver = area->viewport();
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.isEmpty() ? QString() : urls.front().toString());
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &enter);
        HintWhileDragging = !hint->isHidden();
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        move.setAccepted(true); // the window system carries the answer to the enter over
        QCoreApplication::sendEvent(receiver, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(QPointF(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(receiver, &drop);
        HintWhileDragging = HintWhileDragging && hint->isHidden(); // and gone after the drop
        return drop.isAccepted();
    }

    bool HintWhileDragging = false;

    // Runs one step of a dialog table: "classic:P" types the classic path,
    // "torrent:P" the torrent path, "rm:P" removes a folder, "radFile" chooses
    // per-entry mode; "BUTTON>P" clicks BUTTON and answers its dialog with P
    // (cancels when P is empty).
    void Step(TWindow& w, const QString& step) const
    {
        const QString argument = Sand(step.section(QRegularExpression(QStringLiteral("[:>]")), 1));
        if (step.startsWith(QLatin1String("classic:")))
            w.Get<QLineEdit>("txtClassicPath")->setText(argument);
        else if (step.startsWith(QLatin1String("torrent:")))
            w.Get<QLineEdit>("txtTorrent")->setText(argument);
        else if (step.startsWith(QLatin1String("rm:")))
            QDir(argument).removeRecursively();
        else if (step == QLatin1String("radFile"))
            w.Get<QRadioButton>("radFile")->setChecked(true);
        else
        {
            w.Ui.Paths.push_back(argument.isEmpty() ? std::optional<QString>() : argument);
            w.Get<QPushButton>(qPrintable(step.section(QLatin1Char('>'), 0, 0)))->click();
        }
    }

private slots:

    void commandLinePathOpensItsPage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("autosize");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("status"); // after the first tracker refresh; "" = not checked
        QTest::newRow("torrent") << Strings({"brisolt", "@/a.torrent"}) << false << "1|0|@/a.torrent||one.bin"
                                 << "Fertig geladen!";
        QTest::newRow("autosize, folder")
            << Strings({"brisolt", "-autosize", "@/d"}) << true << "0|1||@/d|" << QString();
        QTest::newRow("file") << Strings({"brisolt", "@/d/x.bin"}) << false << "0|1||@/d/x.bin|" << QString();
        QTest::newRow("missing torrent") << Strings({"brisolt", "@/no.torrent"}) << false << "1|0|@/no.torrent||"
                                         << QString();
        QTest::newRow("switch") << Strings({"brisolt", "-x"}) << false << "0|0|||" << QString();
        QTest::newRow("autosize alone") << Strings({"brisolt", "-autosize"}) << true << "0|0|||" << QString();
        QTest::newRow("autosize second") << Strings({"brisolt", "@/d", "-autosize"}) << false << "0|1||@/d|"
                                         << QString();
    }

    void commandLinePathOpensItsPage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, autosize);
        QFETCH(QString, state);
        QFETCH(QString, status);
        Files();
        for (QString& argument : arguments)
            argument = Sand(argument);
        TWindow w(arguments);
        w.HoldRefresh();
        QCOMPARE(w.Form->AutoSizing(), autosize);
        QCOMPARE(State(w), Sand(state));
        QVERIFY(QMetaObject::invokeMethod(w.Form.get(), "updateTimerTimer"));
        if (!status.isEmpty())
            QCOMPARE(w.Form->statusBar()->currentMessage(), status);
        QCOMPARE(w.Ui.Messages(), QStringList());
    }

    void dropIsAcceptedOnlyWhereItWorks_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("state"); // "refused" when the drag is not accepted
        QTest::newRow("folder on create") << 0 << Strings({"@/d"}) << "0|1||@/d||";
        QTest::newRow("torrent on create") << 0 << Strings({"@/a.torrent"}) << "0|1||@/a.torrent||";
        QTest::newRow("torrent on edit") << 1 << Strings({"@/a.torrent"}) << "1|0|@/a.torrent||one.bin|";
        QTest::newRow("file on edit") << 1 << Strings({"@/d/x.bin"}) << "refused";
        QTest::newRow("two files") << 0 << Strings({"@/d/y.bin", "@/d/x.bin"}) << "0|0||||@/d:x.bin,y.bin";
        QTest::newRow("a hidden file among them") << 0 << Strings({"@/d/x.bin", "@/d/.h"}) << "refused";
        QTest::newRow("a file and a folder") << 0 << Strings({"@/d/x.bin", "@/d/sub"}) << "refused";
        QTest::newRow("files of two folders") << 0 << Strings({"@/d/x.bin", "@/e/z.bin"}) << "refused";
        QTest::newRow("two torrents on edit") << 1 << Strings({"@/a.torrent", "@/a.torrent"}) << "refused";
        QTest::newRow("folder on the classic path field") << 0 << Strings({"txtClassicPath", "@/d"}) << "0|1||@/d||";
        QTest::newRow("torrent on the torrent field")
            << 1 << Strings({"txtTorrent", "@/a.torrent"}) << "1|0|@/a.torrent||one.bin|";
        QTest::newRow("file on the torrent field") << 1 << Strings({"txtTorrent", "@/d/x.bin"}) << "refused";
        QTest::newRow("files on the comment")
            << 0 << Strings({"mmoComment", "@/d/x.bin", "@/d/y.bin"}) << "0|0||||@/d:x.bin,y.bin";
        QTest::newRow("missing") << 0 << Strings({"@/gone"}) << "refused";
        QTest::newRow("web address") << 1 << Strings({"http://example.org/a.torrent"}) << "refused";
        QTest::newRow("settings page") << 2 << Strings({"@/d"}) << "refused";
    }

    void dropIsAcceptedOnlyWhereItWorks()
    {
        QFETCH(int, page);
        QFETCH(QStringList, urls);
        QFETCH(QString, state);
        Files();
        TWindow w;
        w.HoldRefresh();
        w.Get<QTabWidget>("pgeMain")->setCurrentIndex(page);
        // A field's name first: the drop lands on that field.
        const QString target = urls.front().contains(QLatin1Char('/')) ? QString() : urls.takeFirst();
        QList<QUrl> list;
        for (const QString& url : urls)
            list << (url.startsWith(QLatin1Char('@')) ? QUrl::fromLocalFile(Sand(url)) : QUrl(url));
        const QString before = State(w) + QLatin1Char('|') + Selected(w);
        const bool accepted = Drop(w, list, target);
        QCOMPARE(HintWhileDragging, accepted);
        const QString after = State(w) + QLatin1Char('|') + Selected(w);
        QCOMPARE(accepted ? after : QStringLiteral("refused"), Sand(state));
        if (!accepted)
            QCOMPARE(after, before);
        QCOMPARE(w.Ui.Messages(), QStringList());
    }

    void dialogsStartWhereLastUsed_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("start"); // folder|proposal of the last dialog
        QTest::newRow("source file, nothing yet") << Strings({"btnClassicFile>"}) << "~|";
        QTest::newRow("source file, classic file") << Strings({"classic:@/d/x.bin", "btnClassicFile>"}) << "@/d|";
        QTest::newRow("source folder, classic folder") << Strings({"classic:@/d/", "btnClassicDir>"}) << "@|";
        QTest::newRow("classic path missing") << Strings({"classic:@/gone/x", "btnClassicDir>"}) << "~|";
        QTest::newRow("after a file") << Strings({"btnClassicFile>@/e/z.bin", "classic:@/d/x.bin", "btnClassicDir>"})
                                      << "@/e|";
        QTest::newRow("after a folder") << Strings({"btnClassicDir>@/d/sub", "btnClassicFile>"}) << "@/d|";
        QTest::newRow("last folder gone")
            << Strings({"btnClassicFile>@/e/z.bin", "rm:@/e", "classic:@/d/x.bin", "btnClassicFile>"}) << "@/d|";
        QTest::newRow("per-entry target, classic folder")
            << Strings({"classic:@/d", "radFile", "btnCreateTorrent>"}) << "@|";
        QTest::newRow("per-entry target, last target")
            << Strings({"classic:@/d", "radFile", "btnCreateTorrent>@/out", "btnCreateTorrent>"}) << "@/out|";
        QTest::newRow("open torrent, nothing yet") << Strings({"btnTorrentBrowse>"}) << "~|";
        QTest::newRow("open torrent, loaded")
            << Strings({"torrent:@/a.torrent", "btnTorrentBrowse>"}) << "@|@/a.torrent";
        QTest::newRow("open torrent, after a choice")
            << Strings({"btnTorrentBrowse>@/a.torrent", "torrent:", "btnTorrentBrowse>"}) << "@|";
        QTest::newRow("save as, loaded") << Strings({"torrent:@/a.torrent", "btnViewSaveAs>"}) << "@|@/a.torrent";
        QTest::newRow("save as, after a save as")
            << Strings({"torrent:@/a.torrent", "btnViewSaveAs>@/out/b.torrent", "btnViewSaveAs>"})
            << "@/out|@/out/a.torrent";
    }

    void dialogsStartWhereLastUsed()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, start);
        Files();
        TWindow w;
        w.HoldRefresh();
        w.Get<QComboBox>("cmbAnnounceURL")->setEditText(QStringLiteral("http://tracker.test/announce"));
        w.Get<QTabWidget>("pageMode")->setCurrentIndex(1);
        for (const QString& step : steps)
            Step(w, step);
        QVERIFY(!w.Ui.Calls.empty());
        const TScriptedUserInterface::TCall& last = w.Ui.Calls.back();
        QCOMPARE(last.Folder + QLatin1Char('|') + last.FileName, Sand(start));
        QCOMPARE(w.Ui.Messages(), QStringList());
    }

    void driveListFollowsTheMounts_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("after"); // "rm:P" removes P first
        QTest::addColumn<QString>("state");     // drives|chosen|folder shown|changes told
        QTest::newRow("stick plugged in")
            << Strings({"/"}) << "@/d" << Strings({"/", "@/m/usb"}) << "/,@/m/usb|/|@/d|1";
        QTest::newRow("stick plugged in, its folder shown")
            << Strings({"/"}) << "@/m/usb/photos" << Strings({"@/m/usb", "/", "/"})
            << "/,@/m/usb|@/m/usb|@/m/usb/photos|1";
        QTest::newRow("stick taken away")
            << Strings({"/", "@/m/usb"}) << "@/m/usb/photos" << Strings({"rm:@/m/usb", "/"}) << "/|/|@/m|1";
        QTest::newRow("nothing changed") << Strings({"/", "@/m/usb"}) << "@/d" << Strings({"@/m/usb", "/"})
                                         << "/,@/m/usb|/|@/d|0";
    }

    void driveListFollowsTheMounts()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, folder);
        QFETCH(QStringList, after);
        QFETCH(QString, state);
        Files();
        Box->Write("m/usb/photos/p.jpg", "p");
        TWindow w;
        w.HoldRefresh();
        auto* drives = w.Get<brisolt::TDriveComboBox>("DriveComboBox1");
        QStringList mounted;
        drives->SetMountRoots([&mounted] { return mounted; });
        for (const QString& root : before)
            mounted << Sand(root);
        drives->Refresh();
        QVERIFY(w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->SetDirectory(Sand(folder)));
        QSignalSpy told(drives, &brisolt::TDriveComboBox::DrivesChanged);
        mounted.clear();
        for (const QString& root : after)
        {
            if (root.startsWith(QLatin1String("rm:")))
                QDir(Sand(root.mid(3))).removeRecursively();
            else
                mounted << Sand(root);
        }
        drives->Refresh(); // what the poll timer calls
        QStringList shown = brisolt::test::Items(drives);
        QCOMPARE(
            QStringLiteral("%1|%2|%3|%4")
                .arg(
                    shown.join(QLatin1Char(',')),
                    drives->Drive(),
                    w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->Directory())
                .arg(told.count()),
            Sand(state));
    }

    void f5ReadsTheListsAgainKeepingTheSelection()
    {
        Files();
        TWindow w;
        w.HoldRefresh();
        QVERIFY(w.Show());
        auto* folders = w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1");
        auto* files = w.Get<brisolt::TFileListBox>("FileListBox1");
        QVERIFY(folders->SetDirectory(Sand(QStringLiteral("@/d"))));
        files->item(1)->setSelected(true); // y.bin
        files->setCurrentItem(files->item(1), QItemSelectionModel::NoUpdate);
        files->setFocus();
        Box->Write("d/w.bin", "w");
        Box->Write("d/new/n.bin", "n");
        QFile::remove(Sand(QStringLiteral("@/d/x.bin")));
        QTest::keyClick(files, Qt::Key_F5);
        QCOMPARE(brisolt::test::Items(files), Strings({"w.bin", "y.bin"}));
        QCOMPARE(Selected(w), Sand(QStringLiteral("@/d:y.bin")));
        QCOMPARE(files->currentRow(), 1);
        QCOMPARE(folders->topLevelItem(0)->childCount() > 0, true);
        QStringList below;
        for (QTreeWidgetItemIterator item(folders); *item; ++item)
            below << (*item)->text(0);
        QCOMPARE(below.mid(below.size() - 3), Strings({"d", "new", "sub"}));
        // The folder shown is gone: the nearest one above it exists.
        QVERIFY(folders->SetDirectory(Sand(QStringLiteral("@/d/new"))));
        QDir(Sand(QStringLiteral("@/d"))).removeRecursively();
        QTest::keyClick(files, Qt::Key_F5);
        QCOMPARE(folders->Directory(), Q(Box->Root()));
        QCOMPARE(Q(files->Path()), Q(Box->Root()));
        QCOMPARE(w.Ui.Messages(), QStringList());
    }

    void f5WorksWheneverTheCreatePageIsShown_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focus"); // object name; "tabs" = the pages' tab bar
        QTest::addColumn<bool>("refreshed");
        QTest::newRow("tab bar") << 0 << "tabs" << true;
        QTest::newRow("comment") << 0 << "mmoComment" << true;
        QTest::newRow("classic page") << 0 << "btnCreateTorrent" << true;
        QTest::newRow("edit page") << 1 << "txtTorrent" << false;
        QTest::newRow("edit page's tab bar") << 1 << "tabs" << false;
    }

    void f5WorksWheneverTheCreatePageIsShown()
    {
        QFETCH(int, page);
        QFETCH(QString, focus);
        QFETCH(bool, refreshed);
        Files();
        TWindow w;
        w.HoldRefresh();
        QVERIFY(w.Show());
        w.Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
        auto* files = w.Get<brisolt::TFileListBox>("FileListBox1");
        QVERIFY(w.Get<brisolt::TDirectoryListBox>("DirectoryListBox1")->SetDirectory(Sand(QStringLiteral("@/d"))));
        auto* pages = w.Get<QTabWidget>("pgeMain");
        pages->setCurrentIndex(page);
        QWidget* target = focus == QLatin1String("tabs") ? pages->tabBar() : w.Get<QWidget>(qPrintable(focus));
        target->setFocus();
        Box->Write("d/w.bin", "w");
        QTest::keyClick(target, Qt::Key_F5);
        QCOMPARE(brisolt::test::Items(files).contains(QStringLiteral("w.bin")), refreshed);
    }

    void qtTextsAreGermanOnAGermanSystem()
    {
        QVERIFY(brisolt::UsesGermanQtTexts(QLocale(QLocale::German, QLocale::Austria)));
        QVERIFY(brisolt::UsesGermanQtTexts(QLocale(QLocale::German, QLocale::Germany)));
        QVERIFY(!brisolt::UsesGermanQtTexts(QLocale(QLocale::English, QLocale::UnitedStates)));
        QVERIFY(!brisolt::UsesGermanQtTexts(QLocale(QLocale::French, QLocale::France)));
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        QTranslator translator;
        QVERIFY(!brisolt::InstallQtTranslations(translator, QLocale(QLocale::English), folder));
        QVERIFY(!brisolt::InstallQtTranslations(translator, QLocale(QLocale::German), Q(Box->Root())));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        // The scripts install Debian's qt6-translations-l10n, which brings the file.
        QVERIFY(brisolt::InstallQtTranslations(translator, QLocale(QLocale::German), folder));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
        QCoreApplication::removeTranslator(&translator);
    }
};

QTEST_MAIN(TestDesktop)
#include "desktop_test.moc"
