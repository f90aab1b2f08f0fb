// TScrollingCredits: a control that shows lines of simple markup (see
// creditsmarkup.h), centred, one font per line, over a background picture,
// and while Scrolling is on moves them up by ScrollSteps pixels every
// ScrollInterval milliseconds, starting again below the bottom edge when the
// last line has left at the top.
//
// Every frame is composed on an off-screen image (Frame()) and copied to the
// screen in one piece. "Paints at once" below means the frame is composed at
// once (Paint()) and shown at the next paint event; "repaints later" means it
// is composed at the next paint event. User-interface thread only.
#pragma once

#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QWidget>

class QTimer;

namespace brisolt
{

enum class TCreditAlign
{
    None, // setting it means Client without stretching
    Top,
    Bottom,
    Left,
    Right,
    Client,
};

class TScrollingCredits : public QWidget
{
    Q_OBJECT

public:
    // A new control is 401 x 257 pixels, behind its siblings, and shows a
    // demonstration of the markup.
    explicit TScrollingCredits(QWidget* parent = nullptr);
    ~TScrollingCredits() override;

    [[nodiscard]] static QStringList DemonstrationLines();

    [[nodiscard]] const QStringList& Lines() const { return FLines; }

    void SetLines(const QStringList& lines); // paints at once

    // The non-empty lines as displayed (tags removed), one per text line: what
    // screen readers get as the control's name and text.
    [[nodiscard]] QString ShownText() const;

    // The font every line starts from, and its colour.
    [[nodiscard]] const QFont& Font() const { return FFont; }

    void SetFont(const QFont& font);

    [[nodiscard]] QColor FontColor() const { return FFontColor; }

    void SetFontColor(const QColor& color);

    // Background fill.
    [[nodiscard]] QColor Color() const { return FColor; }

    void SetColor(const QColor& color);

    [[nodiscard]] QColor BorderColor() const { return FBorderColor; }

    void SetBorderColor(const QColor& color);

    [[nodiscard]] bool ShowBorder() const { return FShowBorder; }

    void SetShowBorder(bool show);

    // Setting it (either way) places the text just below the bottom edge and
    // starts or stops the timer; the lines already announced stay announced.
    [[nodiscard]] bool Scrolling() const { return FScrolling; }

    void SetScrolling(bool scrolling);

    [[nodiscard]] quint32 ScrollInterval() const { return FScrollInterval; }

    void SetScrollInterval(quint32 milliseconds);

    [[nodiscard]] quint32 ScrollSteps() const { return FScrollSteps; }

    void SetScrollSteps(quint32 pixels);

    // The control's own visibility: a change restarts the text below the
    // bottom edge; while false nothing is painted and the timer stands.
    [[nodiscard]] bool Visible() const { return FVisible; }

    void SetVisible(bool visible);

    // A null image means no picture.
    [[nodiscard]] const QImage& BackgroundImage() const { return FBackgroundImage; }

    void SetBackgroundImage(const QImage& image);

    [[nodiscard]] const QImage& ForegroundImage() const { return FForegroundImage; }

    void SetForegroundImage(const QImage& image);

    [[nodiscard]] TCreditAlign Backgr_Align() const { return FBackgrAlign; }

    void SetBackgr_Align(TCreditAlign align);

    [[nodiscard]] TCreditAlign Foregr_Align() const { return FForegrAlign; }

    void SetForegr_Align(TCreditAlign align);

    [[nodiscard]] bool Backgr_Stretch() const { return FBackgrStretch; }

    void SetBackgr_Stretch(bool stretch);

    [[nodiscard]] bool Foregr_Stretch() const { return FForegrStretch; }

    void SetForegr_Stretch(bool stretch);

    // Scroll state, for looking at from outside.
    [[nodiscard]] int ScrollPosition() const { return FScrollPosition; }

    [[nodiscard]] int LastShownCredit() const { return FLastShownCredit; }

    [[nodiscard]] int TextHeightTotal() const { return FTextHeightTotal; }

    [[nodiscard]] bool TimerActive() const;

    // Composes the current frame; nothing when Visible is false.
    void Paint();

    // The last composed frame, the control's size.
    [[nodiscard]] const QImage& Frame() const { return Bitmap; }

    // One scroll step, as the timer does it.
    void Tick();

signals:
    // A line (as displayed) drawn for the first time in this cycle while scrolling.
    void OnShowCredit(const QString& creditText);
    // The whole text has left at the top; the next frame starts at the bottom.
    void AfterLastCredit();

protected:
    virtual void DoShowCredit(const QString& creditText);
    virtual void DoAfterLastCredit();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // A parsed line with its font and measures, kept until lines, font or
    // the frame's resolution change.
    struct TLaidLine
    {
        QString Text;
        QFont Font;
        QColor Color;
        int Width = 0;
        int Height = 0;
        int Ascent = 0;
        bool Measured = false;
    };

    void Restart();
    void UpdateTimer();
    void RepaintLater();
    void Compose();
    const TLaidLine& LaidLine(qsizetype index);

    // A stretched picture scaled once for its area, not on every frame.
    struct TScaled
    {
        qint64 Key = 0;
        QSize Size;
        QImage Image;
    };

    void DrawPicture(QPainter& painter, const QImage& image, TCreditAlign align, bool stretch, TScaled& scaled) const;
    // Returns the lines to announce, drawn for the first time in this cycle.
    QStringList DrawLines(QPainter& painter);
    [[nodiscard]] int FontHeight() const;

    QStringList FLines;
    QFont FFont;
    QColor FFontColor = Qt::white;
    QColor FColor = Qt::black;
    QColor FBorderColor = Qt::white;
    bool FShowBorder = true;
    bool FScrolling = false;
    quint32 FScrollInterval = 10;
    quint32 FScrollSteps = 1;
    bool FVisible = true;
    QImage FBackgroundImage;
    QImage FForegroundImage;
    TCreditAlign FBackgrAlign = TCreditAlign::Client;
    TCreditAlign FForegrAlign = TCreditAlign::Top;
    bool FBackgrStretch = false;
    bool FForegrStretch = false;

    QImage Bitmap;
    TScaled ScaledBackground;
    TScaled ScaledForeground;
    QTimer* Timer;
    int FScrollPosition = 0;
    int FLastShownCredit = -1;
    int FTextHeightTotal = 0;
    bool FrameStale = true;
    std::vector<TLaidLine> Laid; // one per line, measured when first needed
};

} // namespace brisolt
