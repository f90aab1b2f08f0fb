// The scrolling credits: the line markup, the scroll arithmetic driven tick by
// tick, restarts, the property setters, frames checked pixel by pixel, and the
// JPEG decoder on good, broken and missing pictures.
#include <QAccessible>
#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/credits.h"
#include "ui/creditsmarkup.h"
#include "ui/jpegdecode.h"
#include "uitestsupport.h"

using brisolt::ParseCreditLine;
using brisolt::TCreditAlign;
using brisolt::TCreditLine;
using brisolt::TScrollingCredits;
using brisolt::test::U;

Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(std::optional<QColor>)

namespace
{

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);
const QColor kBackground(10, 20, 30);
const QString kCreditsJpeg = QStringLiteral(":/brisolt/credits.jpg");

QColor Pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

bool Near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

QImage Solid(int w, int h, const QColor& color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A plain control with no lines, no border, a known background.
void MakePlain(TScrollingCredits& c, int w, int h)
{
    c.resize(w, h);
    c.SetLines({});
    c.SetShowBorder(false);
    c.SetColor(kBackground);
}

QByteArray ReadResource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray EncodeJpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 95))
        return {};
    return bytes;
}

// The bounding box of pixels near colour, or an empty rectangle.
QRect Ink(const QImage& image, const QColor& color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Near(image.pixelColor(x, y), color, 90))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestCredits : public QObject
{
    Q_OBJECT

private:
    // Lines whose heights total exactly total pixels, built from sizes that
    // the control measures itself.
    static QStringList LinesTotalling(TScrollingCredits& c, int total)
    {
        std::vector<int> sizeFor(static_cast<std::size_t>(total + 1), 0); // a size ending a sum, 0 = unreachable
        std::vector<std::pair<int, int>> heights;
        for (int size = 6; size <= 40; ++size)
        {
            const TCreditLine line = ParseCreditLine(QStringLiteral("<s%1>").arg(size));
            const auto style = brisolt::CreditStyle(line, c.Font(), c.FontColor());
            heights.emplace_back(size, QFontMetrics(style.Font, &c).height());
        }
        std::vector<bool> reach(static_cast<std::size_t>(total + 1), false);
        reach[0] = true;
        for (int sum = 1; sum <= total; ++sum)
            for (const auto& [size, height] : heights)
                if (height > 0 && height <= sum && reach[static_cast<std::size_t>(sum - height)])
                {
                    reach[static_cast<std::size_t>(sum)] = true;
                    sizeFor[static_cast<std::size_t>(sum)] = size;
                    break;
                }
        QStringList lines;
        if (!reach[static_cast<std::size_t>(total)])
            return lines;
        for (int sum = total; sum > 0;)
        {
            const int size = sizeFor[static_cast<std::size_t>(sum)];
            lines << QStringLiteral("<s%1>Line %2").arg(size).arg(lines.size());
            for (const auto& [s, height] : heights)
                if (s == size)
                {
                    sum -= height;
                    break;
                }
        }
        return lines;
    }

    // Ticks until spy has count signals, at most limit ticks.
    static bool TickUntil(TScrollingCredits& c, const QSignalSpy& spy, qsizetype count, int limit = 20000)
    {
        for (int i = 0; i < limit && spy.count() < count; ++i)
            c.Tick();
        return spy.count() == count;
    }

    static QStringList Texts(const QSignalSpy& spy)
    {
        QStringList texts;
        for (const QList<QVariant>& call : spy)
            texts << call.at(0).toString();
        return texts;
    }

private slots:

    // ---- the markup --------------------------------------------------------

    void doubledLessThanShowsTagText()
    {
        const TCreditLine line = ParseCreditLine(u"<<b>");
        QCOMPARE(line.Text, QStringLiteral("<b>"));
        QVERIFY(!line.Bold);
    }

    void boldTagSwallowsItsThirdCharacter()
    {
        const TCreditLine line = ParseCreditLine(u"<bXbold");
        QVERIFY(line.Bold);
        QCOMPARE(line.Text, QStringLiteral("bold"));
    }

    void tagsActOnTheWholeLine()
    {
        const TCreditLine line = ParseCreditLine(u"plain <i>then <u>more");
        QVERIFY(line.Italic);
        QVERIFY(line.Underline);
        QVERIFY(!line.Bold);
        QCOMPARE(line.Text, QStringLiteral("plain then more"));
    }

    void demonstrationLineDropsEmptyTag()
    {
        const TCreditLine line = ParseCreditLine(u"<>bMake a line bold with <<b>");
        QCOMPARE(line.Text, QStringLiteral("bMake a line bold with <b>"));
        QVERIFY(!line.Bold && !line.Italic && !line.Underline);
        QVERIFY(!line.Size && !line.Color && !line.FontName);
    }

    void unknownTagDropsTwoCharacters_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("text");
        QTest::newRow("letter") << U("<x>y") << U(">y");
        QTest::newRow("last character") << U("abc<") << U("abc");
        QTest::newRow("only") << U("<") << QString();
        QTest::newRow("dotted capital I is no tag") << U("<İ>x") << U(">x");
        QTest::newRow("whole surrogate pair") << U("<😀z") << U("z");
    }

    void unknownTagDropsTwoCharacters()
    {
        QFETCH(QString, markup);
        QFETCH(QString, text);
        const TCreditLine line = ParseCreditLine(markup);
        QCOMPARE(line.Text, text);
        QVERIFY(!line.Italic);
    }

    void upperCaseTagsWork_data()
    {
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("lower");
        QTest::newRow("B") << U("<B>x") << U("<b>x");
        QTest::newRow("I") << U("<I>x") << U("<i>x");
        QTest::newRow("U") << U("<U>x") << U("<u>x");
        QTest::newRow("N") << U("<NCourier>x") << U("<nCourier>x");
        QTest::newRow("S") << U("<S14>x") << U("<s14>x");
        QTest::newRow("C decimal") << U("<C1,2,3>x") << U("<c1,2,3>x");
        QTest::newRow("C hex") << U("<C$0000FF>x") << U("<c$0000ff>x");
    }

    void upperCaseTagsWork()
    {
        QFETCH(QString, upper);
        QFETCH(QString, lower);
        const TCreditLine a = ParseCreditLine(upper);
        const TCreditLine b = ParseCreditLine(lower);
        QCOMPARE(a.Text, QStringLiteral("x"));
        QCOMPARE(a.Text, b.Text);
        QCOMPARE(a.Bold, b.Bold);
        QCOMPARE(a.Italic, b.Italic);
        QCOMPARE(a.Underline, b.Underline);
        QCOMPARE(a.FontName, b.FontName);
        QCOMPARE(a.Size, b.Size);
        QCOMPARE(a.Color, b.Color);
        QVERIFY(a.Bold || a.Italic || a.Underline || a.FontName || a.Size || a.Color);
    }

    void valuesRunToCloseOrEnd()
    {
        const TCreditLine named = ParseCreditLine(u"<nComic Sans MS>Hi");
        QCOMPARE(named.FontName, std::optional<QString>(QStringLiteral("Comic Sans MS")));
        QCOMPARE(named.Text, QStringLiteral("Hi"));
        const TCreditLine open = ParseCreditLine(u"Hi<nCourier New");
        QCOMPARE(open.FontName, std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(open.Text, QStringLiteral("Hi"));
        const TCreditLine sized = ParseCreditLine(u"<s14>You");
        QCOMPARE(sized.Size, std::optional<int>(14));
    }

    void coloursOfBothForms_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QColor>("color");
        QTest::newRow("decimal red") << U("<c255,0,0>") << kRed;
        QTest::newRow("hex red") << U("<c$000000FF>") << kRed;
        QTest::newRow("hex blue is the high byte") << U("<c$FF0000>") << kBlue;
        QTest::newRow("light green decimal") << U("<c136,255,0>") << QColor(136, 255, 0);
        QTest::newRow("light green hex") << U("<c$0000ff88>") << QColor(136, 255, 0);
        QTest::newRow("spaces around components") << U("<c 1, 2 ,3>") << QColor(1, 2, 3);
    }

    void coloursOfBothForms()
    {
        QFETCH(QString, markup);
        QFETCH(QColor, color);
        QCOMPARE(ParseCreditLine(markup).Color, std::optional<QColor>(color));
    }

    void laterTagOfAKindWins()
    {
        const TCreditLine line = ParseCreditLine(u"<s10><nA><c1,1,1>x<s12><nB><c$0000FF>");
        QCOMPARE(line.Size, std::optional<int>(12));
        QCOMPARE(line.FontName, std::optional<QString>(QStringLiteral("B")));
        QCOMPARE(line.Color, std::optional<QColor>(kRed));
    }

    // Values that cannot be read leave the line as it was before the tag.
    void unreadableValuesAreIgnored_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<std::optional<int>>("size");
        QTest::addColumn<std::optional<QColor>>("color");
        const std::optional<int> none;
        const std::optional<QColor> noColor;
        QTest::newRow("size not a number") << U("<sbig>x") << none << noColor;
        QTest::newRow("size empty") << U("<s>x") << none << noColor;
        QTest::newRow("size with unit") << U("<s12pt>x") << none << noColor;
        QTest::newRow("size too large") << U("<s1001>x") << none << noColor;
        QTest::newRow("size far too large") << U("<s99999999999>x") << none << noColor;
        QTest::newRow("size largest") << U("<s1000>x") << std::optional<int>(1000) << noColor;
        QTest::newRow("size kept") << U("<s12><sabc>x") << std::optional<int>(12) << noColor;
        QTest::newRow("two components") << U("<c1,2>x") << none << noColor;
        QTest::newRow("four components") << U("<c1,2,3,4>x") << none << noColor;
        QTest::newRow("component too large") << U("<c256,0,0>x") << none << noColor;
        QTest::newRow("negative component") << U("<c-1,0,0>x") << none << noColor;
        QTest::newRow("component not a number") << U("<cred,0,0>x") << none << noColor;
        QTest::newRow("empty component") << U("<c1,,3>x") << none << noColor;
        QTest::newRow("no components") << U("<c>x") << none << noColor;
        QTest::newRow("hex empty") << U("<c$>x") << none << noColor;
        QTest::newRow("hex not hex") << U("<c$GG>x") << none << noColor;
        QTest::newRow("hex above 24 bits") << U("<c$01000000>x") << none << noColor;
        QTest::newRow("hex too long") << U("<c$000000000FF>x") << none << noColor;
        QTest::newRow("colour kept") << U("<c255,0,0><c1,2>x") << none << std::optional<QColor>(kRed);
        QTest::newRow("tag at the end") << U("x<c") << none << noColor;
        QTest::newRow("hex tag at the end") << U("x<c$") << none << noColor;
    }

    void unreadableValuesAreIgnored()
    {
        QFETCH(QString, markup);
        QFETCH(std::optional<int>, size);
        QFETCH(std::optional<QColor>, color);
        const TCreditLine line = ParseCreditLine(markup);
        QCOMPARE(line.Text, QStringLiteral("x"));
        QCOMPARE(line.Size, size);
        QCOMPARE(line.Color, color);
    }

    void sizeZeroKeepsTheBaseSize()
    {
        const QFont base(QStringLiteral("Tahoma"), 9);
        QCOMPARE(brisolt::CreditStyle(ParseCreditLine(u"<s0>x"), base, Qt::white).Font.pointSize(), 9);
        QCOMPARE(brisolt::CreditStyle(ParseCreditLine(u"<s-3>x"), base, Qt::white).Font.pointSize(), 9);
        QCOMPARE(brisolt::CreditStyle(ParseCreditLine(u"<s15>x"), base, Qt::white).Font.pointSize(), 15);
    }

    void boldReplacesTheBaseStyle()
    {
        QFont base(QStringLiteral("Tahoma"), 9);
        base.setItalic(true);
        base.setUnderline(true);
        const auto bold = brisolt::CreditStyle(ParseCreditLine(u"<b>x"), base, Qt::white).Font;
        QVERIFY(bold.bold());
        QVERIFY(!bold.italic());
        QVERIFY(!bold.underline());
        const auto both = brisolt::CreditStyle(ParseCreditLine(u"<b><i>x"), base, Qt::white).Font;
        QVERIFY(both.bold() && both.italic() && !both.underline());
        const auto plain = brisolt::CreditStyle(ParseCreditLine(u"x"), base, Qt::white).Font;
        QVERIFY(!plain.bold() && plain.italic() && plain.underline());
    }

    void styleTakesNameAndColour()
    {
        const QFont base(QStringLiteral("Tahoma"), 9);
        const auto style = brisolt::CreditStyle(ParseCreditLine(u"<nCourier><c0,0,255>x"), base, Qt::white);
        QCOMPARE(style.Font.family(), QStringLiteral("Courier"));
        QCOMPARE(style.Color, kBlue);
        const auto plain = brisolt::CreditStyle(ParseCreditLine(u"<n>x"), base, Qt::white);
        QCOMPARE(plain.Font.family(), QStringLiteral("Tahoma"));
        QCOMPARE(plain.Color, QColor(Qt::white));
    }

    // ---- a new control -----------------------------------------------------

    void newControlDefaults()
    {
        QWidget parent;
        auto* sibling = new QWidget(&parent);
        auto* c = new TScrollingCredits(&parent);
        QCOMPARE(c->size(), QSize(401, 257));
        QCOMPARE(parent.children().indexOf(c), 0); // behind its siblings
        QVERIFY(parent.children().indexOf(sibling) > 0);
        QCOMPARE(c->Lines().size(), 11);
        QCOMPARE(c->Lines().at(0), QStringLiteral("<b><u>TScrollingCredits"));
        QCOMPARE(c->Lines().at(10), QStringLiteral("<u><s11><nComic Sans MS>Or edit the Fonttype with <<n[Fontname]>"));
        QCOMPARE(c->Font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(c->FontColor(), QColor(Qt::white));
        QCOMPARE(c->Color(), QColor(Qt::black));
        QCOMPARE(c->BorderColor(), QColor(Qt::white));
        QVERIFY(c->ShowBorder());
        QVERIFY(!c->Scrolling());
        QCOMPARE(c->ScrollInterval(), 10U);
        QCOMPARE(c->ScrollSteps(), 1U);
        QVERIFY(c->Visible());
        QVERIFY(c->BackgroundImage().isNull());
        QVERIFY(c->ForegroundImage().isNull());
        QCOMPARE(c->Backgr_Align(), TCreditAlign::Client);
        QCOMPARE(c->Foregr_Align(), TCreditAlign::Top);
        QVERIFY(!c->Backgr_Stretch() && !c->Foregr_Stretch());
        QCOMPARE(c->ScrollPosition(), 0);
        QCOMPARE(c->LastShownCredit(), -1);
        QVERIFY(!c->TimerActive());
    }

    // ---- scrolling -----------------------------------------------------------

    void afterLastCreditWhenTextHasLeft()
    {
        TScrollingCredits c;
        c.resize(572, 400);
        c.SetShowBorder(false);
        const QStringList lines = LinesTotalling(c, 300);
        QVERIFY(!lines.isEmpty());
        c.SetLines(lines);
        QSignalSpy after(&c, &TScrollingCredits::AfterLastCredit);
        QSignalSpy shown(&c, &TScrollingCredits::OnShowCredit);
        c.SetScrolling(true);
        const int start = QFontMetrics(c.Font(), &c).height() + 400;
        QCOMPARE(c.ScrollPosition(), start);
        // Down to -301 nothing ends: the position must be below -300 first.
        for (int i = 0; i < start + 301; ++i)
            c.Tick();
        QCOMPARE(c.ScrollPosition(), -301);
        QCOMPARE(c.TextHeightTotal(), 300);
        QCOMPARE(after.count(), 0);
        QCOMPARE(shown.count(), lines.size());
        QCOMPARE(shown.last().at(0).toString(), ParseCreditLine(lines.last()).Text);
        c.Tick();
        QCOMPARE(after.count(), 1);
        // The new cycle starts with the first line at the bottom edge, announced again.
        QCOMPARE(c.ScrollPosition(), 400);
        QCOMPARE(c.LastShownCredit(), 0);
        QCOMPARE(shown.count(), lines.size() + 1);
        QCOMPARE(shown.last().at(0).toString(), QStringLiteral("Line 0"));
        QVERIFY(Ink(c.Frame(), Qt::white).isEmpty()); // nothing of it on screen yet
        c.Tick();
        QCOMPARE(c.ScrollPosition(), 399);
    }

    void scrollStepsMovePerTick()
    {
        TScrollingCredits c;
        c.SetScrollSteps(3);
        c.SetScrolling(true);
        const int start = c.ScrollPosition();
        QCOMPARE(start, QFontMetrics(c.Font(), &c).height() + 257);
        c.Tick();
        QCOMPARE(c.ScrollPosition(), start - 3);
        c.Tick();
        QCOMPARE(c.ScrollPosition(), start - 6);
    }

    void hugeStepsDoNotWrapAround()
    {
        TScrollingCredits c;
        QSignalSpy after(&c, &TScrollingCredits::AfterLastCredit);
        c.SetScrollSteps(0xFFFFFFFFU);
        c.SetScrolling(true);
        c.Tick();
        QCOMPARE(c.ScrollPosition(), std::numeric_limits<int>::min());
        c.Tick();
        QCOMPARE(after.count(), 1);
        QCOMPARE(c.ScrollPosition(), 257);
    }

    void scrollIntervalIsTheTimers()
    {
        TScrollingCredits c;
        auto* timer = c.findChild<QTimer*>();
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 10);
        c.SetScrollInterval(50);
        QCOMPARE(c.ScrollInterval(), 50U);
        QCOMPARE(timer->interval(), 50);
        c.SetScrollInterval(0xFFFFFFFFU);
        QCOMPARE(timer->interval(), std::numeric_limits<int>::max());
    }

    void scrollingSwitchesTheTimer()
    {
        TScrollingCredits c;
        c.SetScrolling(true);
        QVERIFY(c.TimerActive());
        c.SetScrolling(false);
        QVERIFY(!c.TimerActive());
        // Stopping places the text at the bottom too.
        QCOMPARE(c.ScrollPosition(), QFontMetrics(c.Font(), &c).height() + 257);
    }

    void timerTicksWhileScrolling()
    {
        TScrollingCredits c;
        c.SetScrollInterval(1);
        c.SetScrolling(true);
        const int start = c.ScrollPosition();
        QTRY_VERIFY(c.ScrollPosition() < start);
    }

    void restartingWithoutCycleAnnouncesNothingAgain()
    {
        TScrollingCredits c;
        QSignalSpy shown(&c, &TScrollingCredits::OnShowCredit);
        c.SetScrolling(true);
        QVERIFY(TickUntil(c, shown, 11));
        c.SetScrolling(false);
        c.SetScrolling(true);
        for (int i = 0; i < 300; ++i)
            c.Tick();
        QCOMPARE(shown.count(), 11);
    }

    void visibilityRestartsAndAnnouncesAgain()
    {
        TScrollingCredits c;
        QSignalSpy shown(&c, &TScrollingCredits::OnShowCredit);
        c.SetScrolling(true);
        QVERIFY(TickUntil(c, shown, 11));
        QStringList expected;
        for (const QString& line : TScrollingCredits::DemonstrationLines())
            expected << ParseCreditLine(line).Text;
        QCOMPARE(Texts(shown), expected);

        c.SetVisible(false);
        QVERIFY(!c.Visible());
        QVERIFY(!c.TimerActive());
        QCOMPARE(c.ScrollPosition(), 257);
        QCOMPARE(c.LastShownCredit(), -1);
        c.SetVisible(false); // no change, no restart
        c.SetVisible(true);
        QVERIFY(c.TimerActive());
        QCOMPARE(c.ScrollPosition(), 257);
        shown.clear();
        QVERIFY(TickUntil(c, shown, 11));
        QCOMPARE(Texts(shown), expected);
    }

    void unchangedVisibilityKeepsPosition()
    {
        TScrollingCredits c;
        c.SetScrolling(true);
        c.Tick();
        const int position = c.ScrollPosition();
        c.SetVisible(true);
        QCOMPARE(c.ScrollPosition(), position);
    }

    void invisibleControlPaintsNothing()
    {
        TScrollingCredits c;
        MakePlain(c, 20, 10);
        c.Paint();
        c.SetVisible(false);
        c.SetColor(kRed);
        c.Paint();
        QCOMPARE(c.Frame().pixelColor(5, 5), kBackground);
    }

    // ---- alignment -----------------------------------------------------------

    void alignNoneMeansClientUnstretched()
    {
        TScrollingCredits c;
        c.SetBackgr_Align(TCreditAlign::Bottom);
        c.SetBackgr_Stretch(true);
        c.SetBackgr_Align(TCreditAlign::None);
        QCOMPARE(c.Backgr_Align(), TCreditAlign::Client);
        QVERIFY(!c.Backgr_Stretch());
        c.SetForegr_Stretch(true);
        c.SetForegr_Align(TCreditAlign::None);
        QCOMPARE(c.Foregr_Align(), TCreditAlign::Client);
        QVERIFY(!c.Foregr_Stretch());
    }

    // ---- frames --------------------------------------------------------------

    void emptyLinesPaintJustTheBackground()
    {
        TScrollingCredits c;
        MakePlain(c, 40, 30);
        c.SetLines({QString(), QStringLiteral("<b>")});
        const QImage frame = c.Frame();
        QCOMPARE(frame.size(), QSize(40, 30));
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                QCOMPARE(frame.pixelColor(x, y), kBackground);
    }

    void borderOnTheOutermostPixels()
    {
        TScrollingCredits c;
        MakePlain(c, 50, 30);
        c.SetShowBorder(true);
        c.SetBorderColor(kRed);
        c.Paint();
        const QImage& frame = c.Frame();
        for (const QPoint p :
             {QPoint(0, 0),
              QPoint(49, 0),
              QPoint(0, 29),
              QPoint(49, 29),
              QPoint(25, 0),
              QPoint(0, 15),
              QPoint(49, 15),
              QPoint(25, 29)})
            QCOMPARE(Pixel(frame, p.x(), p.y()), kRed);
        QCOMPARE(Pixel(frame, 1, 1), kBackground);
        QCOMPARE(Pixel(frame, 48, 28), kBackground);
    }

    void stretchedBackgroundCorners()
    {
        TScrollingCredits c;
        MakePlain(c, 572, 400);
        QImage quadrants(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                quadrants.setPixelColor(x, y, y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kYellow));
        c.SetBackgroundImage(quadrants);
        c.SetBackgr_Stretch(true);
        const QImage& frame = c.Frame();
        QCOMPARE(Pixel(frame, 0, 0), kRed);
        QCOMPARE(Pixel(frame, 571, 0), kGreen);
        QCOMPARE(Pixel(frame, 0, 399), kBlue);
        QCOMPARE(Pixel(frame, 571, 399), kYellow);
        QCOMPARE(Pixel(frame, 100, 100), kRed);
        QCOMPARE(Pixel(frame, 470, 300), kYellow);
    }

    void alignedBackgrounds_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("area"); // where the picture is, in a 60 x 40 control
        QTest::newRow("top stretched") << int(TCreditAlign::Top) << true << QRect(0, 0, 60, 6);
        QTest::newRow("top") << int(TCreditAlign::Top) << false << QRect(0, 0, 10, 6);
        QTest::newRow("bottom stretched") << int(TCreditAlign::Bottom) << true << QRect(0, 34, 60, 6);
        QTest::newRow("bottom") << int(TCreditAlign::Bottom) << false << QRect(0, 34, 10, 6);
        QTest::newRow("left stretched") << int(TCreditAlign::Left) << true << QRect(0, 0, 10, 40);
        QTest::newRow("left") << int(TCreditAlign::Left) << false << QRect(0, 0, 10, 6);
        QTest::newRow("right stretched") << int(TCreditAlign::Right) << true << QRect(50, 0, 10, 40);
        QTest::newRow("right") << int(TCreditAlign::Right) << false << QRect(50, 0, 10, 6);
        QTest::newRow("client stretched") << int(TCreditAlign::Client) << true << QRect(0, 0, 60, 40);
        QTest::newRow("client") << int(TCreditAlign::Client) << false << QRect(0, 0, 10, 6);
    }

    void alignedBackgrounds()
    {
        QFETCH(int, align);
        QFETCH(bool, stretch);
        QFETCH(QRect, area);
        TScrollingCredits c;
        MakePlain(c, 60, 40);
        c.SetBackgroundImage(Solid(10, 6, kGreen));
        c.SetBackgr_Align(static_cast<TCreditAlign>(align));
        c.SetBackgr_Stretch(stretch);
        const QImage& frame = c.Frame();
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                if (Pixel(frame, x, y) != (area.contains(x, y) ? kGreen : kBackground))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
    }

    void foregroundOverTextAndBorder()
    {
        TScrollingCredits c;
        MakePlain(c, 60, 40);
        c.SetShowBorder(true);
        c.SetBorderColor(kRed);
        c.SetForegroundImage(Solid(3, 2, kBlue));
        c.Paint();
        const QImage& frame = c.Frame();
        QCOMPARE(Pixel(frame, 0, 0), kBlue);
        QCOMPARE(Pixel(frame, 2, 1), kBlue);
        QCOMPARE(Pixel(frame, 3, 0), kRed);
        QCOMPARE(Pixel(frame, 0, 2), kRed);
    }

    void lineIsCentredBelowTheMargin()
    {
        TScrollingCredits c;
        MakePlain(c, 300, 60);
        QFont font = c.Font();
        font.setPixelSize(24);
        c.SetFont(font);
        c.SetLines({QStringLiteral("<c255,0,0>HHHHHHHH")});
        c.Paint();
        const QFontMetrics metrics(font, &c);
        const int width = metrics.horizontalAdvance(QStringLiteral("HHHHHHHH"));
        const int left = 300 / 2 - width / 2;
        const QRect ink = Ink(c.Frame(), kRed);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.left() >= left - 1 && ink.left() <= left + 4, qPrintable(QString::number(ink.left())));
        QVERIFY2(
            ink.right() < left + width + 1 && ink.right() >= left + width - 5,
            qPrintable(QString::number(ink.right())));
        QVERIFY(std::abs((ink.left() + ink.right() + 1) / 2 - 150) <= 2);
        QVERIFY(ink.top() >= 4);
        QVERIFY(ink.bottom() < 4 + metrics.height());
    }

    void scrollingLineStartsAtThePosition()
    {
        TScrollingCredits c;
        MakePlain(c, 300, 100);
        QFont font = c.Font();
        font.setPixelSize(24);
        c.SetFont(font);
        c.SetLines({QStringLiteral("<c255,0,0>HHHH")});
        c.SetScrolling(true);
        const int height = QFontMetrics(font, &c).height();
        while (c.ScrollPosition() > 30)
            c.Tick();
        const QRect ink = Ink(c.Frame(), kRed);
        QVERIFY(ink.top() >= 30);
        QVERIFY(ink.bottom() < 30 + height);
        QVERIFY(ink.top() < 30 + height / 2); // no top margin while scrolling
    }

    void linesAboveTheTopAreNotDrawn()
    {
        TScrollingCredits c;
        MakePlain(c, 200, 100);
        QSignalSpy shown(&c, &TScrollingCredits::OnShowCredit);
        c.SetLines({QStringLiteral("<c255,0,0>HHHH"), QString()});
        c.SetScrolling(true);
        while (c.ScrollPosition() > -QFontMetrics(c.Font(), &c).height())
            c.Tick();
        QVERIFY(Ink(c.Frame(), kRed).isEmpty());
        QCOMPARE(shown.count(), 2);
    }

    void undefinedMarkupKeepsPainting()
    {
        TScrollingCredits c;
        MakePlain(c, 300, 120);
        c.SetLines(
            {QStringLiteral("<sbig><c1,2>HHHH"),
             QStringLiteral("<c999,0,0><s99999999999>HHHH"),
             QStringLiteral("<c$zz><c1,2,3,4><s-5>HHHH")});
        const QRect ink = Ink(c.Frame(), Qt::white);
        QVERIFY(!ink.isEmpty()); // shown in the base font and colour
        QVERIFY(ink.bottom() < 4 + 3 * QFontMetrics(c.Font(), &c).height());
    }

    void screenReadersGetTheShownLines()
    {
        TScrollingCredits credits;
        credits.SetLines(
            {QStringLiteral("<s20><b>Orl"),
             QString(),
             QStringLiteral("<u>http://x/"),
             QStringLiteral("<>"),
             U("a <<b> ü")});
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&credits);
        QVERIFY(face && face->textInterface());
        const QString shown = U("Orl\nhttp://x/\na <b> ü");
        QCOMPARE(face->role(), QAccessible::StaticText);
        QCOMPARE(face->text(QAccessible::Name), shown);
        QCOMPARE(face->textInterface()->characterCount(), shown.size());
        QCOMPARE(face->textInterface()->text(0, -1), shown);
        QCOMPARE(face->textInterface()->text(4, 12), QStringLiteral("http://x"));
        QCOMPARE(face->textInterface()->text(-3, 1000), shown); // out of range is clamped
        credits.SetLines({QStringLiteral("<b>neu")});
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("neu"));
    }

    void setLinesPaintsAtOnce()
    {
        TScrollingCredits c;
        MakePlain(c, 100, 40);
        c.Paint();
        QVERIFY(Ink(c.Frame(), Qt::white).isEmpty());
        // Colours wait for the next paint, lines do not.
        c.SetColor(kRed);
        QCOMPARE(Pixel(c.Frame(), 0, 0), kBackground);
        c.SetLines({QStringLiteral("HHHH")});
        QVERIFY(!Ink(c.Frame(), Qt::white).isEmpty());
        QCOMPARE(Pixel(c.Frame(), 0, 0), kRed);
    }

    // ---- pictures ------------------------------------------------------------

    void creditsPictureDecodes()
    {
        const QImage picture = brisolt::LoadJpegFile(kCreditsJpeg);
        QCOMPARE(picture.size(), QSize(300, 237));
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        // The same pixels as Qt's own reader gives (both sit on libjpeg).
        QImageReader reader(kCreditsJpeg, "jpeg");
        const QImage reference = reader.read().convertToFormat(QImage::Format_RGB32);
        if (reference.isNull())
            QSKIP("Qt has no JPEG reader here");
        int worst = 0;
        for (int y = 0; y < 237; ++y)
            for (int x = 0; x < 300; ++x)
            {
                const QColor a = picture.pixelColor(x, y);
                const QColor b = reference.pixelColor(x, y);
                worst = std::max(
                    {worst,
                     std::abs(a.red() - b.red()),
                     std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
            }
        QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    }

    void greyJpegDecodesToRgb()
    {
        QImage grey(16, 16, QImage::Format_Grayscale8);
        grey.fill(QColor(128, 128, 128));
        const QByteArray bytes = EncodeJpeg(grey);
        if (bytes.isEmpty())
            QSKIP("Qt has no JPEG writer here");
        const QImage decoded = brisolt::DecodeJpeg(bytes);
        QCOMPARE(decoded.size(), QSize(16, 16));
        QVERIFY(Near(decoded.pixelColor(8, 8), QColor(128, 128, 128), 2));
    }

    void brokenJpegsGiveNoPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = ReadResource(kCreditsJpeg);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("this is not a picture");
        QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2);
        QTest::newRow("header only") << good.left(600);
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("last byte missing") << good.left(good.size() - 2);
        QByteArray huge = good;
        const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2), 2);
        if (sof > 0)
            huge.replace(sof + 5, 4, QByteArray("\xFF\xFF\xFF\xFF", 4)); // 65535 x 65535
        QTest::newRow("too many pixels") << huge;
    }

    void brokenJpegsGiveNoPicture()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(brisolt::DecodeJpeg(bytes).isNull());
    }

    void damagedJpegNeverCrashes()
    {
        const QByteArray good = ReadResource(kCreditsJpeg);
        QVERIFY(!good.isEmpty());
        for (qsizetype at = 2; at < good.size(); at += 37)
        {
            QByteArray bad = good;
            bad[at] = static_cast<char>(bad[at] ^ 0x5A);
            const QImage image = brisolt::DecodeJpeg(bad);
            QVERIFY(image.isNull() || image.width() * qint64{image.height()} <= brisolt::kMaxJpegPixels);
        }
    }

    void missingOrCorruptPictureLeavesBackground()
    {
        QTemporaryDir dir;
        const QString corrupt = dir.filePath(QStringLiteral("corrupt.jpg"));
        QFile file(corrupt);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ReadResource(kCreditsJpeg).left(900));
        file.close();
        for (const QString& path : {dir.filePath(QStringLiteral("missing.jpg")), corrupt, dir.path()})
        {
            TScrollingCredits c;
            MakePlain(c, 30, 20);
            c.SetBackgroundImage(brisolt::LoadJpegFile(path));
            c.SetBackgr_Stretch(true);
            QVERIFY(c.BackgroundImage().isNull());
            const QImage& frame = c.Frame();
            QCOMPARE(Pixel(frame, 0, 0), kBackground);
            QCOMPARE(Pixel(frame, 29, 19), kBackground);
        }
    }
};

QTEST_MAIN(TestCredits)
#include "credits_test.moc"
