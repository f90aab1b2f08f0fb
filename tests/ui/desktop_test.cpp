// The window on a desktop: the path on the command line, drops, and the rule
// for Qt's German texts.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>

#include "create/editsupport.h"
#include "ui/desktop.h"
#include "uitestsupport.h"

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

    // Paths in the sandbox written for a test; "@" in a table stands for the sandbox.
    QString Sand(QString text) const { return text.replace(QLatin1Char('@'), Q(Box->Root())); }

    void Files() const
    {
        Box->Write("a.torrent", brisolt::test::Metainfo(brisolt::test::SingleInfo("one.bin", 9)));
        Box->Write("d/x.bin", "x");
        Box->Write("d/y.bin", "y");
    }

    // Drags urls over the window and drops them when the enter was accepted.
    static bool Drop(TWindow& w, const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.Form.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.Form.get(), &drop);
        return drop.isAccepted();
    }

private slots:

    void commandLinePathOpensItsPage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("autosize");
        QTest::addColumn<QString>("state");
        QTest::newRow("torrent") << Strings({"brisolt", "@/a.torrent"}) << false << "1|0|@/a.torrent||one.bin";
        QTest::newRow("autosize, folder") << Strings({"brisolt", "-autosize", "@/d"}) << true << "0|1||@/d|";
        QTest::newRow("file") << Strings({"brisolt", "@/d/x.bin"}) << false << "0|1||@/d/x.bin|";
        QTest::newRow("missing torrent") << Strings({"brisolt", "@/no.torrent"}) << false << "1|0|@/no.torrent||";
        QTest::newRow("switch") << Strings({"brisolt", "-x"}) << false << "0|0|||";
        QTest::newRow("autosize alone") << Strings({"brisolt", "-autosize"}) << true << "0|0|||";
        QTest::newRow("autosize second") << Strings({"brisolt", "@/d", "-autosize"}) << false << "0|1||@/d|";
    }

    void commandLinePathOpensItsPage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, autosize);
        QFETCH(QString, state);
        Files();
        for (QString& argument : arguments)
            argument = Sand(argument);
        TWindow w(arguments);
        w.HoldRefresh();
        QCOMPARE(w.Form->AutoSizing(), autosize);
        QCOMPARE(State(w), Sand(state));
        QCOMPARE(w.Ui.Messages(), QStringList());
    }

    void dropIsAcceptedOnlyWhereItWorks_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("state"); // "refused" when the drag is not accepted
        QTest::newRow("folder on create") << 0 << Strings({"@/d"}) << "0|1||@/d|";
        QTest::newRow("torrent on create") << 0 << Strings({"@/a.torrent"}) << "0|1||@/a.torrent|";
        QTest::newRow("torrent on edit") << 1 << Strings({"@/a.torrent"}) << "1|0|@/a.torrent||one.bin";
        QTest::newRow("file on edit") << 1 << Strings({"@/d/x.bin"}) << "refused";
        QTest::newRow("two files") << 0 << Strings({"@/d/x.bin", "@/d/y.bin"}) << "refused";
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
        QList<QUrl> list;
        for (const QString& url : urls)
            list << (url.startsWith(QLatin1Char('@')) ? QUrl::fromLocalFile(Sand(url)) : QUrl(url));
        const QString before = State(w);
        const bool accepted = Drop(w, list);
        QCOMPARE(accepted ? State(w) : QStringLiteral("refused"), Sand(state));
        if (!accepted)
            QCOMPARE(State(w), before);
        QCOMPARE(w.Ui.Messages(), QStringList());
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
