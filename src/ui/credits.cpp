#include "ui/credits.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include "ui/creditsmarkup.h"

namespace brisolt
{

namespace
{

constexpr int kTopMargin = 4; // above the first line when not scrolling

int ClampToInt(qint64 value)
{
    return static_cast<int>(
        std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The lines are painted, so without this a screen reader would find an empty
// picture: the control reads as static text holding its shown lines.
class TCreditsAccessible final
    : public QAccessibleWidget
    , public QAccessibleTextInterface
{
public:
    explicit TCreditsAccessible(TScrollingCredits* credits)
        : QAccessibleWidget(credits, QAccessible::StaticText)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    [[nodiscard]] QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return Shown();
        return QAccessibleWidget::text(kind);
    }

    [[nodiscard]] QString text(int startOffset, int endOffset) const override
    {
        const QString shown = Shown();
        const qsizetype start = std::clamp<qsizetype>(startOffset, 0, shown.size());
        const qsizetype end = endOffset < 0 ? shown.size() : std::clamp<qsizetype>(endOffset, start, shown.size());
        return shown.mid(start, end - start);
    }

    [[nodiscard]] int characterCount() const override { return static_cast<int>(Shown().size()); }

    // Read-only text without caret, selection or character geometry.
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }

    [[nodiscard]] int selectionCount() const override { return 0; }

    void addSelection(int, int) override {}

    void removeSelection(int) override {}

    void setSelection(int, int, int) override {}

    [[nodiscard]] int cursorPosition() const override { return 0; }

    void setCursorPosition(int) override {}

    [[nodiscard]] QRect characterRect(int) const override { return {}; }

    [[nodiscard]] int offsetAtPoint(const QPoint&) const override { return -1; }

    void scrollToSubstring(int, int) override {}

    [[nodiscard]] QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    [[nodiscard]] QString Shown() const { return static_cast<const TScrollingCredits*>(widget())->ShownText(); }
};

QAccessibleInterface* CreditsAccessibleFactory(const QString&, QObject* object)
{
    if (auto* credits = qobject_cast<TScrollingCredits*>(object))
        return new TCreditsAccessible(credits);
    return nullptr;
}

} // namespace

TScrollingCredits::TScrollingCredits(QWidget* parent)
    : QWidget(parent)
    , FLines(DemonstrationLines())
    , FFont(QStringLiteral("Tahoma"))
    , Timer(new QTimer(this))
{
    static const bool accessibleInstalled = (QAccessible::installFactory(&CreditsAccessibleFactory), true);
    (void)accessibleInstalled;
    Timer->setInterval(static_cast<int>(FScrollInterval));
    connect(Timer, &QTimer::timeout, this, &TScrollingCredits::Tick);
    setAttribute(Qt::WA_OpaquePaintEvent); // every frame covers the whole control
    resize(401, 257);
    lower();
}

TScrollingCredits::~TScrollingCredits() = default;

QStringList TScrollingCredits::DemonstrationLines()
{
    return {
        QStringLiteral("<b><u>TScrollingCredits"),
        QStringLiteral("<>bMake a line bold with <<b>"),
        QStringLiteral("<u>Make a line underlined with <<u>"),
        QStringLiteral("<i>Make a line italic with <<i>"),
        QString(),
        QStringLiteral("<c$0004FFFF>Make a line a different color with <<c[color]>"),
        QStringLiteral("<c$0009FF09>Make a line a different color with <<c[color]>"),
        QStringLiteral("<c$000404FF>Make a line a different color with <<c[color]>"),
        QString(),
        QStringLiteral("<s14>You also can edit the Font Size with <<s[Size]>"),
        QStringLiteral("<u><s11><nComic Sans MS>Or edit the Fonttype with <<n[Fontname]>"),
    };
}

void TScrollingCredits::SetLines(const QStringList& lines)
{
    const QString shownBefore = QAccessible::isActive() ? ShownText() : QString();
    FLines = lines;
    Laid.clear();
    Paint();
    if (QAccessible::isActive())
    {
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
        QAccessibleTextUpdateEvent textChanged(this, 0, shownBefore, ShownText());
        QAccessible::updateAccessibility(&textChanged);
    }
}

QString TScrollingCredits::ShownText() const
{
    QStringList shown;
    for (const QString& line : FLines)
        if (QString text = ParseCreditLine(line).Text; !text.isEmpty())
            shown.append(std::move(text));
    return shown.join(QLatin1Char('\n'));
}

void TScrollingCredits::SetFont(const QFont& font)
{
    FFont = font;
    Laid.clear();
    RepaintLater();
}

void TScrollingCredits::SetFontColor(const QColor& color)
{
    FFontColor = color;
    Laid.clear();
    RepaintLater();
}

void TScrollingCredits::SetColor(const QColor& color)
{
    FColor = color;
    RepaintLater();
}

void TScrollingCredits::SetBorderColor(const QColor& color)
{
    FBorderColor = color;
    RepaintLater();
}

void TScrollingCredits::SetShowBorder(bool show)
{
    FShowBorder = show;
    RepaintLater();
}

void TScrollingCredits::SetScrolling(bool scrolling)
{
    FScrollPosition = ClampToInt(qint64{FontHeight()} + height());
    FScrolling = scrolling;
    UpdateTimer();
    Paint();
}

void TScrollingCredits::SetScrollInterval(quint32 milliseconds)
{
    FScrollInterval = milliseconds;
    Timer->setInterval(static_cast<int>(std::min<quint32>(milliseconds, std::numeric_limits<int>::max())));
}

void TScrollingCredits::SetScrollSteps(quint32 pixels)
{
    FScrollSteps = pixels;
}

void TScrollingCredits::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    QWidget::setVisible(visible);
    UpdateTimer();
    Restart();
    RepaintLater();
    if (QWidget* parent = parentWidget())
        parent->update();
}

void TScrollingCredits::SetBackgroundImage(const QImage& image)
{
    FBackgroundImage = image;
    RepaintLater();
}

void TScrollingCredits::SetForegroundImage(const QImage& image)
{
    FForegroundImage = image;
    RepaintLater();
}

void TScrollingCredits::SetBackgr_Align(TCreditAlign align)
{
    FBackgrAlign = align;
    if (align == TCreditAlign::None)
    {
        FBackgrStretch = false;
        FBackgrAlign = TCreditAlign::Client;
    }
    Paint();
}

void TScrollingCredits::SetForegr_Align(TCreditAlign align)
{
    FForegrAlign = align;
    if (align == TCreditAlign::None)
    {
        FForegrStretch = false;
        FForegrAlign = TCreditAlign::Client;
    }
    Paint();
}

void TScrollingCredits::SetBackgr_Stretch(bool stretch)
{
    FBackgrStretch = stretch;
    Paint();
}

void TScrollingCredits::SetForegr_Stretch(bool stretch)
{
    FForegrStretch = stretch;
    Paint();
}

bool TScrollingCredits::TimerActive() const
{
    return Timer->isActive();
}

void TScrollingCredits::Tick()
{
    if (FScrollPosition < -FTextHeightTotal)
    {
        DoAfterLastCredit();
        Restart();
    }
    else
    {
        FScrollPosition = ClampToInt(qint64{FScrollPosition} - qint64{FScrollSteps});
    }
    Paint();
}

void TScrollingCredits::DoShowCredit(const QString& creditText)
{
    emit OnShowCredit(creditText);
}

void TScrollingCredits::DoAfterLastCredit()
{
    emit AfterLastCredit();
}

void TScrollingCredits::Restart()
{
    FScrollPosition = height();
    FLastShownCredit = -1;
}

void TScrollingCredits::UpdateTimer()
{
    if (!FVisible || !FScrolling)
        Timer->stop();
    else if (!Timer->isActive())
        Timer->start();
}

void TScrollingCredits::RepaintLater()
{
    FrameStale = true;
    update();
}

int TScrollingCredits::FontHeight() const
{
    return QFontMetrics(FFont, this).height();
}

void TScrollingCredits::Paint()
{
    Compose();
    update();
}

void TScrollingCredits::paintEvent(QPaintEvent* /*event*/)
{
    const qreal ratio = devicePixelRatioF();
    if (FrameStale || Bitmap.devicePixelRatio() != ratio || Bitmap.deviceIndependentSize() != QSizeF(size()))
        Compose();
    if (!FVisible || Bitmap.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, Bitmap);
}

void TScrollingCredits::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FrameStale = true;
}

void TScrollingCredits::Compose()
{
    if (!FVisible)
        return;
    FrameStale = false;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
    {
        Bitmap = QImage();
        return;
    }
    if (Bitmap.size() != pixels)
        Bitmap = QImage(pixels, QImage::Format_RGB32);
    Bitmap.setDevicePixelRatio(ratio);
    // Measure and draw at the same resolution as the control.
    Bitmap.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    Bitmap.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));

    QStringList announce;
    {
        QPainter painter(&Bitmap);
        painter.setFont(FFont);
        painter.fillRect(rect(), FColor);
        DrawPicture(painter, FBackgroundImage, FBackgrAlign, FBackgrStretch, ScaledBackground);
        painter.setBrush(Qt::NoBrush); // text without a background box
        announce = DrawLines(painter);
        if (FShowBorder)
        {
            painter.setPen(FBorderColor);
            painter.drawRect(QRect(0, 0, width() - 1, height() - 1)); // outline on the outermost pixels
        }
        DrawPicture(painter, FForegroundImage, FForegrAlign, FForegrStretch, ScaledForeground);
    }
    // Announced only after the frame is done, so a handler may change the control.
    for (const QString& text : announce)
        DoShowCredit(text);
}

void TScrollingCredits::DrawPicture(
    QPainter& painter, const QImage& image, TCreditAlign align, bool stretch, TScaled& scaled) const
{
    if (image.isNull())
        return;
    const int w = image.width();
    const int h = image.height();
    const int areaWidth = width();
    const int areaHeight = height();
    QRect area(0, 0, areaWidth, areaHeight);
    QPoint at(0, 0);
    switch (align)
    {
    case TCreditAlign::Top:
        area = QRect(0, 0, areaWidth, h);
        break;
    case TCreditAlign::Bottom:
        area = QRect(0, areaHeight - h, areaWidth, h);
        at = QPoint(0, areaHeight - h);
        break;
    case TCreditAlign::Left:
        area = QRect(0, 0, w, areaHeight);
        break;
    case TCreditAlign::Right:
        area = QRect(areaWidth - w, 0, w, areaHeight);
        at = QPoint(areaWidth - w, 0);
        break;
    case TCreditAlign::None:
    case TCreditAlign::Client:
        break;
    }
    if (stretch)
    {
        const QSize pixels = (QSizeF(area.size()) * Bitmap.devicePixelRatio()).toSize();
        if (pixels.isEmpty())
            return;
        if (scaled.Key != image.cacheKey() || scaled.Size != pixels)
        {
            scaled = {image.cacheKey(), pixels, image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)};
            scaled.Image.setDevicePixelRatio(Bitmap.devicePixelRatio());
        }
        painter.drawImage(area.topLeft(), scaled.Image);
    }
    else
    {
        painter.drawImage(at, image);
    }
}

const TScrollingCredits::TLaidLine& TScrollingCredits::LaidLine(qsizetype index)
{
    if (Laid.size() != static_cast<std::size_t>(FLines.size()))
        Laid.assign(static_cast<std::size_t>(FLines.size()), TLaidLine{});
    TLaidLine& line = Laid[static_cast<std::size_t>(index)];
    if (!line.Measured)
    {
        const TCreditLine parsed = ParseCreditLine(FLines.at(index));
        const TCreditStyle style = CreditStyle(parsed, FFont, FFontColor);
        const QFontMetrics metrics(style.Font, this);
        line = {
            parsed.Text,
            style.Font,
            style.Color,
            metrics.horizontalAdvance(parsed.Text),
            metrics.height(),
            metrics.ascent(),
            true};
    }
    return line;
}

QStringList TScrollingCredits::DrawLines(QPainter& painter)
{
    QStringList announce;
    const int areaWidth = width();
    const int areaHeight = height();
    const auto draw = [&painter, areaWidth](const TLaidLine& line, qint64 top)
    {
        painter.setFont(line.Font);
        painter.setPen(line.Color);
        painter.drawText(areaWidth / 2 - line.Width / 2, ClampToInt(top + line.Ascent), line.Text);
    };
    qint64 y = FScrolling ? FScrollPosition : 0;
    qint64 total = 0;
    for (qsizetype i = 0; i < FLines.size(); ++i)
    {
        const TLaidLine& line = LaidLine(i);
        if (!FScrolling)
        {
            if (kTopMargin + y >= areaHeight)
                break; // the rest is below the bottom edge
            draw(line, kTopMargin + y);
            y += line.Height;
            continue;
        }
        total += line.Height;
        if (y + line.Height > 0)
        {
            draw(line, y);
            if (i > FLastShownCredit)
            {
                FLastShownCredit = static_cast<int>(i);
                announce << line.Text;
            }
        }
        y += line.Height;
        if (y > areaHeight)
            break; // lines below the bottom edge are not laid out
    }
    if (FScrolling)
        FTextHeightTotal = ClampToInt(total);
    return announce;
}

} // namespace brisolt
