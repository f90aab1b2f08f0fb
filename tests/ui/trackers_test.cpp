// The tracker directory in the window: the refresh against a real web server
// on 127.0.0.1 (Python's http.server), the cache, the parsing failures as the
// user sees them, the tracker choice with its status and Visit button, and
// the private trackers of the Settings page.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "config/trackerlist.h"
#include "net/httpprot.h"
#include "support/pythonserver.h"
#include "uitestsupport.h"

using brisolt::TScriptedUserInterface;
using brisolt::test::Items;
using brisolt::test::Shown;
using brisolt::test::Strings;
using brisolt::test::TPythonServer;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;
using brisolt::test::U;

namespace
{

const char* const kWarning = "Warning: There was an error updating the tracker list, information may not be current!";
const char* const kNoCache = "Error: No cached version of the tracker list could be found; you're on your own";
const char* const kTitle = "Brisolt v2.1 - Orl Edition Public Beta RC1: ";
const char* const kLoaded = "Tracker Liste geladen!";
const char* const kTrying = "Versuche Trackerliste zu aktualisieren...";
const char* const kDesignText = "Gib die Trackeradresse ein oder wähle einen aus der Liste";

// Two trackers, the second marked down; version and count lines as given.
std::string List(const std::string& version = "208", const std::string& count = "2")
{
    return version + "\r\nhttp://update.example/new\r\n" + count
           + "\r\nAlpha\r\nhttp://alpha/announce\r\nhttp://alpha/\r\n0\r\n"
             "Beta\r\nhttp://beta/announce\r\nhttp://beta/\r\n1\r\n";
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

QString U(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

class TestTrackers : public TWindowTest
{
    Q_OBJECT

private:
    std::unique_ptr<TPythonServer> Server;

    // Serves the folder "www" of the sandbox; both download addresses point
    // into it, followed by extra settings lines.
    void Serve(const std::string& first, const std::string& second, const std::string& extra = {})
    {
        if (!Server)
        {
            std::filesystem::create_directories(Box->Root() / "www");
            Server = std::make_unique<TPythonServer>(Box->Root() / "www");
            QVERIFY(Server->Port() != 0);
        }
        Box->WriteIni(
            "[settings]\ntrackerlist1=" + Server->URL(first) + "\ntrackerlist2=" + Server->URL(second) + "\n" + extra);
    }

    void Publish(const std::string& path, const std::string& bytes) const { Box->Write("www" + path, bytes); }

    void Cached(const std::string& bytes) const { Box->Write("install/trackers.lst", bytes); }

    [[nodiscard]] std::filesystem::path Cache() const { return Box->InstallDir() / "trackers.lst"; }

    static std::unique_ptr<TWindow> Window()
    {
        auto w = std::make_unique<TWindow>();
        w->HoldRefresh();
        w->HttpClient().IdleTimeout = std::chrono::milliseconds(10000);
        return w;
    }

    // Runs the refresh as the timer does, and waits for it to end.
    static void Refresh(TWindow& w)
    {
        QVERIFY(QMetaObject::invokeMethod(w.Form.get(), "updateTimerTimer", Qt::DirectConnection));
        QVERIFY(!w.Get<QTimer>("updateTimer")->isActive());
    }

    static QString Status(const TWindow& w) { return w.Form->statusBar()->currentMessage(); }

    static QString Label(const TWindow& w, const char* name) { return w.Get<QLabel>(name)->text(); }

    static void Type(TWindow& w, const QString& text) { w.Get<QComboBox>("cmbAnnounceURL")->setEditText(text); }

    void TearDown() override { Server.reset(); }

private slots:

    void servedListIsShownCachedAndFollowedByPrivateTrackers()
    {
        Publish("/torrent/trackers.lst", List());
        Serve(
            "/torrent/trackers.lst",
            "/missing.lst",
            "[private]\ncount=2\n[private0]\nname=Mine\nannounce=http://mine/a\n"
            "[private1]\nname=Alpha\nannounce=http://mine-alpha/a\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList());
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        QCOMPARE(Items(combo), Strings({"Alpha", "Beta", "Mine", "Alpha"}));
        QCOMPARE(Status(*w), U(kLoaded));
        QCOMPARE(U(ReadBytes(Cache())), U(List()));
        QCOMPARE(w->Trackers().size(), std::size_t{4});
        // The private tracker of the same name comes later and wins.
        QCOMPARE(U(LookupAnnounceURL(w->Trackers(), "Alpha")), QStringLiteral("http://mine-alpha/a"));
        // Nothing remembered yet: the remembered tracker's default stands in the combo.
        QCOMPARE(combo->currentText(), QStringLiteral("(enter a tracker URL, or select from list below)"));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: (enter a tracker URL, or select from list below)"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: N/A"));
    }

    void relocationIsFollowedAndTheFirstAddressWins()
    {
        // A folder without its final "/" is relocated to it, and its index is the list.
        Publish("/first/index.html", List("208", "1"));
        Publish("/second.lst", List());
        Serve("/first", "/second.lst", "[settings]\nremembertracker=0\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList());
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha"}));
        QCOMPARE(w->HttpClient().RelocationCount(), 1);
    }

    void failingFirstAddressFallsBackToTheSecondWithoutAWord()
    {
        Publish("/second.lst", List());
        Serve("/missing.lst", "/second.lst");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList());
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
        QCOMPARE(Status(*w), U(kLoaded));
    }

    void bothFailingWarnsOnceThenReadsTheCache()
    {
        Serve("/missing1.lst", "/missing2.lst", "[memory]\ntracker=Beta\n");
        Box->Write("install/trackers.lst", List());
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kWarning)});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
        QCOMPARE(Status(*w), U(kLoaded));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: http://beta/announce"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: *DOWN*"));
    }

    void bothFailingWithoutCacheEmptiesTheChoiceButKeepsItsText()
    {
        Publish("/good.lst", List());
        Serve("/good.lst", "/missing.lst", "[settings]\nremembertracker=0\n");
        auto w = Window();
        Refresh(*w);
        Type(*w, QStringLiteral("http://typed/announce"));

        Serve("/missing.lst", "/missing.lst", "[settings]\nremembertracker=0\n");
        std::filesystem::remove(Cache());
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), Strings({kWarning, kNoCache}));
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        QCOMPARE(combo->count(), 0);
        QCOMPARE(combo->currentText(), QStringLiteral("http://typed/announce"));
        QCOMPARE(w->Trackers().size(), std::size_t{2}); // the directory keeps what it held
        QCOMPARE(Status(*w), U(kTrying));
        QVERIFY(!std::filesystem::exists(Cache()));
    }

    // A page that is no list (a captive portal's, an empty one) fails like
    // any download: the warning, then the cache, which stays as it was.
    void downloadThatDoesNotParseLeavesTheCache()
    {
        for (const std::string body : {"", "<!DOCTYPE html>\n<html><body>Please log in</body></html>\n"})
        {
            Publish("/l.lst", body);
            Serve("/l.lst", "/l.lst", "[memory]\ntracker=Beta\n");
            Cached(List());
            auto w = Window();
            Refresh(*w);
            QCOMPARE(w->Ui.Messages(), QStringList{U(kWarning)});
            QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
            QCOMPARE(U(ReadBytes(Cache())), U(List()));
        }
    }

    // A server that sends without end, or one byte at a time, fails the
    // download within its bounds of size and time: the warning, then the cache.
    void endlessOrDrippingServerFailsLikeAFailedDownload()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QTimer drip;
        drip.setInterval(10);
        std::vector<QTcpSocket*> peers;
        int dripped = 0;
        connect(
            &server,
            &QTcpServer::newConnection,
            [&]
            {
                QTcpSocket* peer = server.nextPendingConnection();
                peers.push_back(peer);
                // The first request gets a drip, the second an endless body.
                if (peers.size() == 1)
                {
                    peer->write("HTTP/1.0 200 OK\r\n\r\n208\r\n");
                    drip.start();
                }
                else
                    peer->write("HTTP/1.0 200 OK\r\nContent-Length: 100000000000\r\n\r\n208\r\n");
            });
        // Bounded, so that a client without the limit ends too (and fails the test).
        connect(
            &drip,
            &QTimer::timeout,
            [&]
            {
                peers.front()->write("\r\n");
                if (++dripped == 1000)
                {
                    drip.stop();
                    peers.front()->disconnectFromHost();
                }
            });
        const std::string url = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/l.lst";
        Box->WriteIni("[settings]\ntrackerlist1=" + url + "\ntrackerlist2=" + url + "\n[memory]\ntracker=Beta\n");
        Cached(List());
        auto w = Window();
        w->HttpClient().TransferTimeout = std::chrono::milliseconds(300);
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kWarning)});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
        QCOMPARE(U(ReadBytes(Cache())), U(List()));
        QVERIFY(dripped < 1000);
    }

    void noUpdateReadsTheCacheOnly()
    {
        // Addresses that would serve something else: they must not be asked.
        Publish("/other.lst", List("208", "1"));
        Serve("/other.lst", "/other.lst", "noupdate=1\n");
        Box->Write("install/trackers.lst", List());
        auto w = Window();
        QVERIFY(w->Get<QCheckBox>("chkNoUpdate")->isChecked());
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList());
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
        QCOMPARE(U(ReadBytes(Cache())), U(List()));
    }

    void noUpdateWithoutCacheReportsTheFileAndStops()
    {
        Box->WriteIni("[settings]\nnoupdate=1\n");
        auto w = Window();
        std::filesystem::remove(Cache()); // the shipped copy
        Refresh(*w);
        QCOMPARE(
            w->Ui.Messages(),
            QStringList{
                U(kTitle) + QStringLiteral("Datei ") + U(Cache().string()) + U(" kann nicht geöffnet werden. ")
                + U(std::strerror(ENOENT))});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"[please wait - refreshing list]"}));
        QCOMPARE(Status(*w), U(kTrying));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL:")); // the remembered tracker is not applied
    }

    // Without a download address nothing is asked of the network and nothing
    // nags: the cache, or the shipped list without one, fills the choice and
    // the status bar names where it came from. One address is enough to download.
    void withoutAddressTheListAtHandLoadsQuietly_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("keepCache");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("first");
        QTest::newRow("cache") << QString() << true
                               << U("Trackerliste aus @ geladen (keine Download-Adresse eingestellt)")
                               << QStringLiteral("Alpha");
        QTest::newRow("shipped") << QStringLiteral("[settings]\ntrackerlist1=\ntrackerlist2=\n") << false
                                 << U("Mitgelieferte Trackerliste geladen (keine Download-Adresse eingestellt)")
                                 << QStringLiteral("OpenTrackr");
        QTest::newRow("second address") << QStringLiteral("second") << true << U(kLoaded) << QStringLiteral("Gamma");
    }

    void withoutAddressTheListAtHandLoadsQuietly()
    {
        QFETCH(QString, ini);
        QFETCH(bool, keepCache);
        QFETCH(QString, status);
        QFETCH(QString, first);
        if (ini == QStringLiteral("second"))
        {
            Publish("/l.lst", "208\r\n\r\n1\r\nGamma\r\nhttp://gamma/a\r\n\r\n0\r\n");
            Serve("/l.lst", "/l.lst");
            Box->WriteIni("[settings]\ntrackerlist2=" + Server->URL("/l.lst") + "\n");
        }
        else
            Box->WriteIni(ini.toStdString());
        auto w = Window();
        Cached(List());
        if (!keepCache)
            std::filesystem::remove(Cache());
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList());
        QCOMPARE(Status(*w), status.replace(QLatin1Char('@'), U(Cache().string())));
        QCOMPARE(w->Get<QComboBox>("cmbAnnounceURL")->itemText(0), first);
    }

    void unwritableCacheIsReportedAndTheListNotShown()
    {
        Publish("/good.lst", List());
        Serve("/good.lst", "/good.lst");
        std::filesystem::create_directories(Cache()); // a folder where the file should go
        auto w = Window();
        Refresh(*w);
        QCOMPARE(
            w->Ui.Messages(),
            QStringList{
                U(kTitle) + QStringLiteral("Datei \"") + U(Cache().string()) + U("\" kann nicht erstellt werden. ")
                + U(std::strerror(EISDIR))});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"[please wait - refreshing list]"}));
        QCOMPARE(Status(*w), U(kTrying));
    }

    void currentVersionAsksNothing()
    {
        Publish("/l.lst", List("208"));
        Serve("/l.lst", "/l.lst");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Calls.size(), std::size_t{0});
    }

    void newerVersionAsksAndOpensTheUpdatePageOnYes()
    {
        Publish("/l.lst", List("209"));
        Serve("/l.lst", "/l.lst");
        auto w = Window();
        w->Ui.Answers = {brisolt::TMessageResult::Yes};
        Refresh(*w);
        QCOMPARE(
            w->Ui.Messages(), QStringList{U("Version Check: A new version of Brisolt is afvailable! Update now?")});
        QCOMPARE(w->Ui.Calls.front().Buttons, brisolt::TMessageButtons::YesNo);
        QCOMPARE(w->Opened(), Strings({"http://update.example/new"}));
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
    }

    void newerVersionAnsweredNoChangesNothingElse()
    {
        Publish("/l.lst", List("209"));
        Serve("/l.lst", "/l.lst");
        auto w = Window();
        w->Ui.Answers = {brisolt::TMessageResult::No};
        Refresh(*w);
        QCOMPARE(w->Ui.Messages().size(), 1);
        QCOMPARE(w->Opened(), QStringList());
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha", "Beta"}));
        QCOMPARE(Status(*w), U(kLoaded));
    }

    void updateAddressThatIsNoWebPageIsNotOpened()
    {
        Publish("/l.lst", "300\nfile:///etc/passwd\n0\n");
        Serve("/l.lst", "/l.lst");
        auto w = Window();
        w->Ui.Answers = {brisolt::TMessageResult::Yes};
        Refresh(*w);
        QCOMPARE(w->Ui.Messages().size(), 1);
        QCOMPARE(w->Opened(), QStringList());
        QCOMPARE(Status(*w), U(kLoaded));
    }

    void countOfDoubleZeroMeansNoTrackers()
    {
        Publish("/l.lst", "208\n\n00\n");
        Serve("/l.lst", "/l.lst", "[private]\ncount=1\n[private0]\nname=Mine\nannounce=http://mine/a\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList());
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Mine"}));
        QCOMPARE(Status(*w), U(kLoaded));
    }

    void savingTheSettingsKeepsTheTrackerChosenInThisSession()
    {
        Publish("/l.lst", List());
        Serve("/l.lst", "/l.lst", "[memory]\ntracker=Alpha\n");
        auto w = Window();
        Refresh(*w);
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        QCOMPARE(combo->currentText(), QStringLiteral("Alpha"));
        Type(*w, QStringLiteral("Beta"));
        w->Get<QPushButton>("btnSaveSettings")->click();
        QVERIFY(w->Get<QTimer>("updateTimer")->isActive());
        w->HoldRefresh();
        Refresh(*w);
        QCOMPARE(combo->currentText(), QStringLiteral("Beta"));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: http://beta/announce"));
    }

    void statusOfOneFollowedByABlankCountsAsUp()
    {
        Publish("/l.lst", "208\n\n1\nGamma\nhttp://gamma/a\n\n1 \n");
        Serve("/l.lst", "/l.lst", "[memory]\ntracker=Gamma\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: Online"));
    }

    void shortListKeepsTheTrackersReadSoFar()
    {
        // Three announced; the second ends after its announce line (index 8).
        Cached("208\n\n3\nAlpha\nhttp://alpha/a\n\n0\nBeta\nhttp://beta/a\n");
        Serve(
            "/l.lst",
            "/l.lst",
            "noupdate=1\n[private]\ncount=1\n[private0]\nname=Mine\nannounce=http://mine/a\n[memory]\ntracker=Alpha\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kTitle) + U("Listenindex überschreitet das Maximum (9)")});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"Alpha"}));
        QCOMPARE(Status(*w), U(kTrying));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL:")); // the refresh ended before the remembered tracker
    }

    void emptyBodyLeavesTheChoiceAsItWas()
    {
        Cached("");
        Serve("/l.lst", "/l.lst", "noupdate=1\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kTitle) + U("Listenindex überschreitet das Maximum (0)")});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"[please wait - refreshing list]"}));
    }

    void badVersionLineLeavesTheChoiceAsItWas()
    {
        Cached(List("2O8"));
        Serve("/l.lst", "/l.lst", "noupdate=1\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kTitle) + U("'2O8' ist kein gültiger Integerwert")});
        QCOMPARE(Items(w->Get<QComboBox>("cmbAnnounceURL")), Strings({"[please wait - refreshing list]"}));
    }

    void badCountLineEmptiesTheChoice()
    {
        Cached(List("208", "two"));
        Serve("/l.lst", "/l.lst", "noupdate=1\n[private]\ncount=1\n[private0]\nname=Mine\nannounce=http://mine/a\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kTitle) + U("'two' ist kein gültiger Integerwert")});
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        QCOMPARE(combo->count(), 0);
        QCOMPARE(combo->currentText(), U(kDesignText));
    }

    void negativeCountEmptiesTheChoice()
    {
        Cached(List("208", "-2"));
        Serve("/l.lst", "/l.lst", "noupdate=1\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kTitle) + U("Fehler bei Bereichsprüfung")});
        QCOMPARE(w->Get<QComboBox>("cmbAnnounceURL")->count(), 0);
        QCOMPARE(Status(*w), U(kTrying));
    }

    void forgettingTheTrackerKeepsTextAndCaptions()
    {
        Publish("/l.lst", List());
        Serve("/l.lst", "/l.lst", "remembertracker=0\n[memory]\ntracker=Beta\n");
        auto w = Window();
        Refresh(*w);
        QCOMPARE(w->Get<QComboBox>("cmbAnnounceURL")->currentText(), U(kDesignText));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL:"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status:"));
        QVERIFY(!w->Get<QPushButton>("btnVisit")->isEnabled());
    }

    void chosenTrackerShowsItsURLAndStatus()
    {
        Publish(
            "/l.lst",
            "208\n\n3\nDup\nhttp://first/a\nhttp://first/\n1\nOther\nhttp://other/a\nhttp://other/\n0\n"
            "Dup\nhttp://second/a\nhttp://second/\n0\n");
        Serve("/l.lst", "/l.lst", "remembertracker=0\n");
        auto w = Window();
        Refresh(*w);
        auto* visit = w->Get<QPushButton>("btnVisit");

        Type(*w, QStringLiteral("Other"));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: http://other/a"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: Online"));
        QVERIFY(visit->isEnabled());

        // Another letter case is no name: the text is the URL.
        Type(*w, QStringLiteral("other"));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: other"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: N/A"));
        QVERIFY(!visit->isEnabled());

        // Of two entries of a name the later counts, for its status too.
        Type(*w, QStringLiteral("Dup"));
        QCOMPARE(U(w->GetAnnounceURL()), QStringLiteral("http://second/a"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: Online"));
        QCOMPARE(U(LookupAnnounceURL(w->Trackers(), "Dup")), QStringLiteral("http://second/a"));
        QCOMPARE(U(LookupAnnounceURL(w->Trackers(), "dup")), QString());

        // Picking an item from the list works as typing its name.
        Type(*w, QStringLiteral("Other"));
        w->Get<QComboBox>("cmbAnnounceURL")->setCurrentIndex(0);
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: http://second/a"));
    }

    void visitOpensEveryPageOfTheNameAndOnlyWebPages()
    {
        Publish(
            "/l.lst",
            "208\n\n4\nDup\nhttp://first/a\nhttp://first/\n0\nDup\nhttp://second/a\nHTTPS://second/\n0\n"
            "Odd\nhttp://odd/a\njavascript:alert(1)\n0\nBlank\nhttp://blank/a\n\n0\n");
        Serve("/l.lst", "/l.lst", "remembertracker=0\n");
        auto w = Window();
        Refresh(*w);
        auto* visit = w->Get<QPushButton>("btnVisit");
        Type(*w, QStringLiteral("Dup"));
        visit->click();
        QCOMPARE(w->Opened(), Strings({"http://first/", "HTTPS://second/"}));
        for (const char* name : {"Odd", "Blank"})
        {
            Type(*w, U(name));
            QVERIFY(visit->isEnabled());
            visit->click();
        }
        QCOMPARE(w->Opened().size(), 2);
        QCOMPARE(w->Ui.Messages(), QStringList());
        // Without a browser each page says so.
        w->Ui.BrowserStarts = false;
        Type(*w, QStringLiteral("Dup"));
        visit->click();
        const QString none = U(kTitle) + U("Es konnte kein Browser gestartet werden, um %1 zu öffnen.");
        QCOMPARE(
            w->Ui.Messages(),
            QStringList({none.arg(QStringLiteral("http://first/")), none.arg(QStringLiteral("HTTPS://second/"))}));
    }

    void placeholderItemIsItsOwnURL()
    {
        auto w = Window();
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        combo->setCurrentIndex(0);
        QCOMPARE(combo->currentText(), QStringLiteral("[please wait - refreshing list]"));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: [please wait - refreshing list]"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: N/A"));
    }

    void privateTrackerNeedsNameAndAnnounce()
    {
        auto w = Window();
        auto* add = w->Get<QPushButton>("btnPrivateAddModify");
        add->click();
        w->Get<QLineEdit>("txtPrivateName")->setText(QStringLiteral("Mine"));
        add->click();
        QCOMPARE(
            w->Ui.Messages(),
            Strings({"Error: Bitte gib einen Trackernamen ein!", "Error: Gib eine Tracker-Announce URL an!"}));
        QCOMPARE(w->Get<QListWidget>("lstPrivateTrackers")->count(), 0);
        QVERIFY(w->PrivateTrackers().empty());
    }

    void privateTrackerIsAddedModifiedAndDeleted()
    {
        Box->WriteIni("[private]\ncount=1\n[private0]\nname=Old\nannounce=http://old/a\nwebpage=http://old/\n");
        auto w = Window();
        auto* list = w->Get<QListWidget>("lstPrivateTrackers");
        auto* name = w->Get<QLineEdit>("txtPrivateName");
        auto* announce = w->Get<QLineEdit>("txtPrivateAnnounce");
        auto* website = w->Get<QLineEdit>("txtPrivateWebsite");
        auto* add = w->Get<QPushButton>("btnPrivateAddModify");
        auto* del = w->Get<QPushButton>("btnPrivateDelete");

        name->setText(QStringLiteral("New"));
        QCOMPARE(Shown(add->text()), U("Hinzufügen"));
        announce->setText(QStringLiteral("http://new/a"));
        add->click();
        QCOMPARE(Items(list), Strings({"Old", "New"}));
        QCOMPARE(Shown(add->text()), U("Ändern"));
        QCOMPARE(w->PrivateTrackers().back().Webpage, std::string()); // the web page may stay empty

        // Choosing an entry fills the fields; changing them modifies it.
        list->setCurrentRow(0);
        QVERIFY(del->isEnabled());
        QCOMPARE(name->text(), QStringLiteral("Old"));
        QCOMPARE(announce->text(), QStringLiteral("http://old/a"));
        QCOMPARE(website->text(), QStringLiteral("http://old/"));
        QCOMPARE(Shown(add->text()), U("Ändern"));
        announce->setText(QStringLiteral("http://changed/a"));
        add->click();
        QCOMPARE(Items(list), Strings({"Old", "New"}));
        QCOMPARE(w->PrivateTrackers().front().Announce, std::string("http://changed/a"));

        del->click();
        QCOMPARE(Items(list), Strings({"New"}));
        QCOMPARE(w->PrivateTrackers().size(), std::size_t{1});
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(!del->isEnabled());
        // It can be added again at once, from the fields it left behind.
        QCOMPARE(Shown(add->text()), U("Hinzufügen"));
        add->click();
        QCOMPARE(Items(list), Strings({"New", "Old"}));
        QCOMPARE(w->PrivateTrackers().back().Announce, std::string("http://changed/a"));
        QCOMPARE(w->Ui.Messages(), QStringList());
    }

    void deleteTakesTheTrackerNamedInTheField()
    {
        Box->WriteIni(
            "[private]\ncount=2\n[private0]\nname=A\nannounce=http://a/\n[private1]\nname=B\nannounce=http://b/\n");
        auto w = Window();
        auto* list = w->Get<QListWidget>("lstPrivateTrackers");
        list->setCurrentRow(0);
        w->Get<QLineEdit>("txtPrivateName")->setText(QStringLiteral("B"));
        w->Get<QPushButton>("btnPrivateDelete")->click();
        // List and table lose the same tracker, so that saving loses nothing else.
        QCOMPARE(Items(list), Strings({"A"}));
        QCOMPARE(w->PrivateTrackers().size(), std::size_t{1});
        QCOMPARE(w->PrivateTrackers().front().Name, std::string("A"));

        // An unknown name deletes nothing.
        list->setCurrentRow(0);
        w->Get<QLineEdit>("txtPrivateName")->setText(QStringLiteral("Z"));
        w->Get<QPushButton>("btnPrivateDelete")->click();
        QCOMPARE(Items(list), Strings({"A"}));
    }

    void privateTrackerReachesTheChoiceOnlyAfterSaving()
    {
        Publish("/l.lst", List());
        Serve("/l.lst", "/l.lst", "remembertracker=0\n");
        auto w = Window();
        Refresh(*w);
        w->Get<QLineEdit>("txtPrivateName")->setText(QStringLiteral("Mine"));
        w->Get<QLineEdit>("txtPrivateAnnounce")->setText(QStringLiteral("http://mine/a"));
        w->Get<QPushButton>("btnPrivateAddModify")->click();
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        QCOMPARE(Items(combo), Strings({"Alpha", "Beta"}));
        Type(*w, QStringLiteral("Mine"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: N/A"));

        w->Get<QPushButton>("btnSaveSettings")->click();
        QVERIFY(w->Get<QTimer>("updateTimer")->isActive());
        Refresh(*w);
        QCOMPARE(Items(combo), Strings({"Alpha", "Beta", "Mine"}));
        QCOMPARE(combo->currentText(), QStringLiteral("Mine")); // a refresh leaves the text alone
        Type(*w, QStringLiteral("Alpha"));
        Type(*w, QStringLiteral("Mine"));
        QCOMPARE(Label(*w, "lblURL"), QStringLiteral("URL: http://mine/a"));
        QCOMPARE(Label(*w, "lblStatus"), QStringLiteral("Status: Online"));
    }

    void shippedListIsInstalledAndOfferedWithoutNetwork()
    {
        // Nothing listens on the addresses' port.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const std::string closed = "http://127.0.0.1:" + std::to_string(probe.serverPort());
        probe.close();
        Box->WriteIni("[settings]\ntrackerlist1=" + closed + "/a.lst\ntrackerlist2=" + closed + "/b.lst\n");
        auto w = Window();
        const std::string shipped = ReadBytes(Cache());
        QVERIFY(shipped.rfind("208\n", 0) == 0);
        Refresh(*w);
        QCOMPARE(w->Ui.Messages(), QStringList{U(kWarning)});
        auto* combo = w->Get<QComboBox>("cmbAnnounceURL");
        QVERIFY(combo->count() >= 3);
        QCOMPARE(combo->count(), static_cast<int>(w->Trackers().size()));
        for (const auto& tracker : w->Trackers())
            QVERIFY(!tracker.Announce.empty());
        QCOMPARE(Status(*w), U(kLoaded));
    }

    void existingCacheIsNotReplacedByTheShippedList()
    {
        Box->Write("install/trackers.lst", List());
        auto w = Window();
        QCOMPARE(U(ReadBytes(Cache())), U(List()));
    }

    void closingDuringDownloadEndsTheProgramPromptly()
    {
        // A server that accepts and never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const std::string url = "http://127.0.0.1:" + std::to_string(silent.serverPort()) + "/l.lst";
        Box->WriteIni("[settings]\ntrackerlist1=" + url + "\ntrackerlist2=" + url + "\n");
        TWindow w;
        w.HttpClient().IdleTimeout = std::chrono::milliseconds(60000);
        QVERIFY(w.Show());
        connect(&silent, &QTcpServer::newConnection, w.Form.get(), [&w] { w.Form->close(); });
        // The event loop ends by itself, as the program's does; the watchdog only stops a hang.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        watchdog.start(20000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(w.Ui.Messages(), QStringList()); // no warning while the program ends
        QCOMPARE(w.HttpClient().ReasonPhrase(), std::string("Connection aborted on request"));
        QCOMPARE(w.HttpClient().State(), brisolt::THttpState::Ready);
    }

    void refreshWhileDownloadingFindsTheClientBusy()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const std::string url = "http://127.0.0.1:" + std::to_string(silent.serverPort()) + "/l.lst";
        Box->WriteIni("[settings]\nremembertracker=0\ntrackerlist1=" + url + "\ntrackerlist2=" + url + "\n");
        auto w = Window();
        QStringList during;
        int connections = 0;
        connect(
            &silent,
            &QTcpServer::newConnection,
            w->Form.get(),
            [&]
            {
                // At the first connection a second refresh runs; then each download fails.
                if (++connections == 1)
                {
                    Refresh(*w);
                    during = w->Ui.Messages();
                }
                w->HttpClient().Abort();
            },
            Qt::QueuedConnection);
        Refresh(*w);
        // The second warned and read the cache; the first did the same when its download ended.
        QCOMPARE(during, QStringList{U(kWarning)});
        QCOMPARE(w->Ui.Messages(), Strings({kWarning, kWarning}));
        QCOMPARE(Status(*w), U(kLoaded));
        QCOMPARE(connections, 2);
    }
};

QTEST_MAIN(TestTrackers)
#include "trackers_test.moc"
