// The line markup of the scrolling credits: one string is one line on screen,
// whose tags set bold, italic, underline, font name, size and colour for the
// whole line. Plain functions without a window, so any thread may call them.
//
// Tags ("<b>", "<i>", "<u>", "<nName>", "<sSize>", "<c$BBGGRR>", "<cR,G,B>",
// letters in either case) may stand anywhere; "<<" shows one "<"; "<" with any
// other letter is dropped together with that letter. A later tag of the same
// kind wins.
//
// Values that cannot be read (a size that is not a decimal number or is above
// kMaxCreditPointSize, a colour with other than three components, a component
// that is not a decimal number from 0 to 255, a "$" value that is empty, not
// hexadecimal or above $FFFFFF) make the tag do nothing: the line keeps what it
// had before the tag, and the tag is still not shown.
#pragma once

#include <optional>

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringView>

namespace brisolt
{

// Larger sizes are not read: a line that tall helps nobody and costs memory.
inline constexpr int kMaxCreditPointSize = 1000;

struct TCreditLine
{
    QString Text; // the line as displayed, tags removed
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    std::optional<QString> FontName;
    std::optional<int> Size; // points; zero and less keep the base size
    std::optional<QColor> Color;
};

[[nodiscard]] TCreditLine ParseCreditLine(QStringView line);

struct TCreditStyle
{
    QFont Font;
    QColor Color;
};

// The line's font: base with the line's name, size and colour; bold replaces
// the base's styles, then italic and underline are added. An empty font name
// keeps the base's name.
[[nodiscard]] TCreditStyle CreditStyle(const TCreditLine& line, const QFont& base, const QColor& baseColor);

} // namespace brisolt
