// The About page and the credits dialog: the version history's structure, the
// three link buttons, "Über Orl" and "Schließen" with the credits' scrolling,
// the credits' set-up, and the hidden page's copy of them.
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "ui/about.h"
#include "ui/credits.h"
#include "ui/creditsmarkup.h"
#include "uitestsupport.h"

using brisolt::ParseCreditLine;
using brisolt::TScriptedUserInterface;
using brisolt::TScrollingCredits;
using brisolt::test::Child;
using brisolt::test::TWindow;
using brisolt::test::TWindowTest;

class TestAbout : public TWindowTest
{
    Q_OBJECT

private:
    static int StartPosition(const TScrollingCredits* credits)
    {
        return QFontMetrics(credits->Font(), credits).height() + credits->height();
    }

private slots:

    void historyNewestGermanThenEnglishThenReadMe()
    {
        TWindow w;
        const QStringList lines = w.Get<QPlainTextEdit>("mmoAbout")->toPlainText().split(u'\n');
        const QRegularExpression entry(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4}) - v\\S+"));
        const qsizetype dashes = lines.indexOf(QRegularExpression(QStringLiteral("^-{20,}$")));
        QVERIFY(dashes > 0);
        QList<QDate> dates;
        bool german = true;
        int germanEntries = 0;
        int englishEntries = 0;
        for (qsizetype i = 0; i < dashes; ++i)
        {
            const QString& line = lines.at(i);
            if (const auto match = entry.match(line); match.hasMatch())
            {
                const QDate date(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
                QVERIFY2(date.isValid(), qPrintable(line));
                dates << date;
                // Umlauts or German words mark this edition's entries.
                const QString items = lines.mid(i + 1, 3).join(u' ');
                const bool isGerman =
                    items.contains(QRegularExpression(QStringLiteral("[äöüß]|\\b(und|für|jetzt|wird)\\b")));
                QVERIFY2(!isGerman || german, qPrintable(line)); // no German entry after an English one
                german = isGerman;
                (isGerman ? germanEntries : englishEntries)++;
                QVERIFY2(isGerman == (date.year() == 2005), qPrintable(line));
            }
            else if (!line.isEmpty())
            {
                QVERIFY2(line.startsWith(QStringLiteral("  - ")), qPrintable(line));
            }
        }
        QVERIFY(germanEntries >= 2);
        QVERIFY(englishEntries >= 2);
        for (qsizetype i = 1; i < dates.size(); ++i)
            QVERIFY(dates.at(i) < dates.at(i - 1)); // newest first
        const QString readme = lines.mid(dashes + 1).join(u'\n');
        for (const char* part : {"Contents", "Introduction", "Simple", "Classic", "Credits", "Independent JPEG Group"})
            QVERIFY2(readme.contains(QLatin1String(part)), part);
    }

    void linkButtonsOpenTheirAddresses()
    {
        TWindow w;
        w.Get<QPushButton>("btnHomepage")->click();
        w.Get<QPushButton>("btnOrlForum")->click();
        w.Get<QPushButton>("btnOrlTracker")->click();
        const QStringList urls = w.Opened();
        QCOMPARE(
            urls,
            QStringList(
                {QLatin1String(brisolt::kHomepageUrl),
                 QLatin1String(brisolt::kOrlForumUrl),
                 QLatin1String(brisolt::kOrlTrackerUrl)}));
        QCOMPARE(QSet<QString>(urls.begin(), urls.end()).size(), 3);
        for (const QString& url : urls)
        {
            const QUrl parsed(url, QUrl::StrictMode);
            QVERIFY2(parsed.isValid() && parsed.scheme() == QLatin1String("https"), qPrintable(url));
        }
        QVERIFY(QUrl(QLatin1String(brisolt::kOrlForumUrl)).host().startsWith(QLatin1String("zin.")));
        QVERIFY(w.Form->frmAbout()->isHidden());
        QCOMPARE(w.Ui.Messages(), QStringList());
        // Without a browser the click says so.
        w.Ui.BrowserStarts = false;
        w.Get<QPushButton>("btnHomepage")->click();
        QCOMPARE(
            w.Ui.Messages(),
            QStringList{
                QLatin1String(brisolt::kProgramTitle) + QStringLiteral(": Es konnte kein Browser gestartet werden, um ")
                + QLatin1String(brisolt::kHomepageUrl) + QString::fromUtf8(" zu öffnen.")});
    }

    void aboutOrlShowsScrollingCredits()
    {
        TWindow w;
        QVERIFY(w.Show());
        brisolt::TfrmAbout* about = w.Form->frmAbout();
        TScrollingCredits* credits = Child<TScrollingCredits>(*about, "ScrollingCredits1");
        QVERIFY(!credits->Scrolling());
        w.Get<QPushButton>("btnAboutOrl")->click();
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->windowTitle(), QString::fromUtf8("Über Brisolt Orl"));
        QVERIFY(credits->Scrolling());
        QVERIFY(credits->TimerActive());
        QCOMPARE(credits->ScrollPosition(), StartPosition(credits));
        QVERIFY(w.Ui.Calls.empty());
    }

    void aboutOrlAgainRestartsFromTheBottom()
    {
        TWindow w;
        auto* credits = Child<TScrollingCredits>(*w.Form->frmAbout(), "ScrollingCredits1");
        w.Get<QPushButton>("btnAboutOrl")->click();
        for (int i = 0; i < 50; ++i)
            credits->Tick();
        QCOMPARE(credits->ScrollPosition(), StartPosition(credits) - 50);
        w.Get<QPushButton>("btnAboutOrl")->click();
        QCOMPARE(credits->ScrollPosition(), StartPosition(credits));
        QVERIFY(w.Form->frmAbout()->isVisible());
    }

    void closeHidesAndStops()
    {
        TWindow w;
        brisolt::TfrmAbout* about = w.Form->frmAbout();
        auto* credits = Child<TScrollingCredits>(*about, "ScrollingCredits1");
        w.Get<QPushButton>("btnAboutOrl")->click();
        credits->Tick();
        Child<QPushButton>(*about, "btnClose")->click();
        QVERIFY(about->isHidden());
        QVERIFY(!credits->Scrolling());
        QVERIFY(!credits->TimerActive());
        // Showing it again starts at the bottom once more.
        w.Get<QPushButton>("btnAboutOrl")->click();
        QVERIFY(credits->Scrolling());
        QCOMPARE(credits->ScrollPosition(), StartPosition(credits));
    }

    void escapeActsAsClose()
    {
        TWindow w;
        brisolt::TfrmAbout* about = w.Form->frmAbout();
        w.Get<QPushButton>("btnAboutOrl")->click();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QTest::keyClick(about, Qt::Key_Escape);
        QVERIFY(about->isHidden());
        QVERIFY(!Child<TScrollingCredits>(*about, "ScrollingCredits1")->Scrolling());
    }

    void dialogCreditsSetUp()
    {
        TWindow w;
        const TScrollingCredits* credits = Child<TScrollingCredits>(*w.Form->frmAbout(), "ScrollingCredits1");
        QCOMPARE(credits->objectName(), QStringLiteral("ScrollingCredits1"));
        QCOMPARE(credits->size(), QSize(572, 400));
        QCOMPARE(credits->Font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(credits->Font().pointSize(), 8);
        QCOMPARE(credits->FontColor(), QColor(Qt::white));
        QCOMPARE(credits->Color(), QColor(Qt::black));
        QCOMPARE(credits->BorderColor(), QColor(Qt::white));
        QVERIFY(!credits->ShowBorder());
        QVERIFY(!credits->Scrolling());
        QCOMPARE(credits->ScrollInterval(), 10U);
        QCOMPARE(credits->ScrollSteps(), 1U);
        QCOMPARE(credits->BackgroundImage().size(), QSize(300, 237));
        QVERIFY(credits->Backgr_Stretch());
        QCOMPARE(credits->Backgr_Align(), brisolt::TCreditAlign::Client);
        QVERIFY(credits->ForegroundImage().isNull());
    }

    void dialogCreditsLines()
    {
        const QStringList lines = brisolt::OrlCreditLines();
        QCOMPARE(lines.size(), 25);
        QList<int> empty;
        for (int i = 0; i < lines.size(); ++i)
            if (lines.at(i).isEmpty())
                empty << i;
        QCOMPARE(empty, QList<int>({0, 1, 2, 4, 6, 8, 10, 11, 13, 14, 16, 17, 18, 20, 22, 24}));
        const auto title = ParseCreditLine(lines.at(3));
        QVERIFY(title.Bold);
        QCOMPARE(title.Size, std::optional<int>(20));
        for (const int site : {7, 9, 12})
        {
            const auto line = ParseCreditLine(lines.at(site));
            QVERIFY(line.Bold && line.Underline);
            QCOMPARE(line.Size, std::optional<int>(12));
            QVERIFY2(line.Text.startsWith(QLatin1String("https://")), qPrintable(line.Text));
        }
        const auto basedOn = ParseCreditLine(lines.at(19));
        QVERIFY(basedOn.Bold);
        QCOMPARE(basedOn.Size, std::optional<int>(10));
        QCOMPARE(basedOn.Color, std::optional<QColor>(QColor(136, 255, 0)));
        QVERIFY(lines.at(19).contains(QLatin1String("$0000ff88")));
        const auto homepage = ParseCreditLine(lines.at(21));
        QVERIFY(homepage.Underline);
        QCOMPARE(homepage.Text, QLatin1String(brisolt::kHomepageUrl));
        const auto control = ParseCreditLine(lines.at(23));
        QVERIFY(control.Bold && control.Underline);
        QVERIFY(control.Text.contains(QLatin1String("TScrollingCredits")));
    }

    void dialogFrameMidScroll()
    {
        TWindow w;
        auto* credits = Child<TScrollingCredits>(*w.Form->frmAbout(), "ScrollingCredits1");
        QSignalSpy shown(credits, &TScrollingCredits::OnShowCredit);
        w.Get<QPushButton>("btnAboutOrl")->click();
        for (int i = 0; i < 250; ++i)
            credits->Tick();
        const QImage& frame = credits->Frame();
        QCOMPARE(frame.size(), QSize(572, 400));
        // The stretched picture's corner, not the black fill.
        const QImage picture = credits->BackgroundImage();
        const QColor corner = picture.pixelColor(0, 0);
        const QColor drawn = frame.pixelColor(0, 0);
        QVERIFY(std::abs(corner.blue() - drawn.blue()) <= 6 && std::abs(corner.red() - drawn.red()) <= 6);
        QVERIFY(drawn != QColor(Qt::black));
        // The community's name has come in, the last line has not.
        QVERIFY(shown.count() >= 4);
        QVERIFY(shown.count() < 25);
        QCOMPARE(shown.at(3).at(0).toString(), QStringLiteral("Orl"));
    }

    void hiddenPageHoldsStillCredits()
    {
        TWindow w;
        auto* page = w.Get<QWidget>("tabAboutOrl");
        QCOMPARE(w.Get<QTabWidget>("pgeMain")->indexOf(page), -1);
        QVERIFY(page->isHidden());
        const auto all = page->findChildren<TScrollingCredits*>();
        QCOMPARE(all.size(), 1);
        const TScrollingCredits* credits = all.first();
        QStringList expected = brisolt::OrlCreditLines();
        expected.removeLast();
        QCOMPARE(credits->Lines(), expected);
        QVERIFY(!credits->Scrolling());
        QVERIFY(!credits->TimerActive());
        QVERIFY(!credits->ShowBorder());
        QVERIFY(credits->Backgr_Stretch());
        QCOMPARE(credits->BackgroundImage().size(), QSize(300, 237));
        QCOMPARE(credits->Font(), Child<TScrollingCredits>(*w.Form->frmAbout(), "ScrollingCredits1")->Font());
    }
};

QTEST_MAIN(TestAbout)
#include "about_test.moc"
