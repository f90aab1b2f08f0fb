#include "ui/creditsmarkup.h"

namespace brisolt
{

namespace
{

// A colour value whose bytes are, from low to high, red, green and blue.
QColor ColorFromBgr(quint32 value)
{
    return QColor(
        static_cast<int>(value & 0xFFU),
        static_cast<int>((value >> 8) & 0xFFU),
        static_cast<int>((value >> 16) & 0xFFU));
}

// Tag letters are ASCII; QChar::toLower would also map letters such as a
// dotted capital I onto them.
char16_t AsciiLower(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? static_cast<char16_t>(u + (u'a' - u'A')) : u;
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The characters from start up to the next ">" or the end of the line; next
// becomes the position after that ">".
QStringView TagValue(QStringView line, qsizetype start, qsizetype& next)
{
    if (start >= line.size())
    {
        next = line.size();
        return {};
    }
    const qsizetype close = line.indexOf(u'>', start);
    if (close < 0)
    {
        next = line.size();
        return line.sliced(start);
    }
    next = close + 1;
    return line.sliced(start, close - start);
}

// A decimal integer with an optional sign and at most nine digits.
std::optional<int> ParseDecimal(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+'))
    {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text)
    {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return negative ? -value : value;
}

std::optional<int> ParseSize(QStringView text)
{
    const std::optional<int> size = ParseDecimal(text);
    if (!size || *size > kMaxCreditPointSize)
        return std::nullopt;
    return size;
}

std::optional<QColor> ParseHexColor(QStringView text)
{
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    quint32 value = 0;
    for (const QChar c : text)
    {
        const char16_t u = AsciiLower(c);
        quint32 digit = 0;
        if (IsDigit(c))
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10U;
        else
            return std::nullopt;
        value = value * 16U + digit;
    }
    if (value > 0xFFFFFFU)
        return std::nullopt;
    return ColorFromBgr(value);
}

std::optional<QColor> ParseDecimalColor(QStringView text)
{
    int components[3] = {};
    int count = 0;
    for (const QStringView part : text.split(u','))
    {
        if (count == 3)
            return std::nullopt;
        const QStringView digits = part.trimmed();
        if (digits.isEmpty() || !IsDigit(digits.front()))
            return std::nullopt; // no sign: a component is 0 to 255
        const std::optional<int> value = ParseDecimal(digits);
        if (!value || *value > 255)
            return std::nullopt;
        components[count++] = *value;
    }
    if (count != 3)
        return std::nullopt;
    return QColor(components[0], components[1], components[2]);
}

// Reads the tag at line[pos] == '<' into result; returns where scanning goes on.
qsizetype ReadTag(QStringView line, qsizetype pos, TCreditLine& result)
{
    if (pos + 1 >= line.size())
        return line.size(); // a "<" at the end is dropped
    const QChar letter = line[pos + 1];
    qsizetype next = pos + 2;
    switch (AsciiLower(letter))
    {
    case u'<':
        result.Text += u'<';
        break;
    case u'b':
        result.Bold = true;
        next = pos + 3; // the closing ">" is taken on trust
        break;
    case u'i':
        result.Italic = true;
        next = pos + 3;
        break;
    case u'u':
        result.Underline = true;
        next = pos + 3;
        break;
    case u'n':
        result.FontName = TagValue(line, pos + 2, next).toString();
        break;
    case u's':
        if (const auto size = ParseSize(TagValue(line, pos + 2, next)))
            result.Size = size;
        break;
    case u'c':
    {
        const bool hex = pos + 2 < line.size() && line[pos + 2] == u'$';
        const QStringView value = TagValue(line, pos + (hex ? 3 : 2), next);
        if (const auto color = hex ? ParseHexColor(value) : ParseDecimalColor(value))
            result.Color = color;
        break;
    }
    default:
        // Drop a whole character, not half of a surrogate pair.
        if (letter.isHighSurrogate() && pos + 2 < line.size() && line[pos + 2].isLowSurrogate())
            next = pos + 3;
        break;
    }
    return std::min(next, line.size());
}

} // namespace

TCreditLine ParseCreditLine(QStringView line)
{
    TCreditLine result;
    result.Text.reserve(line.size());
    qsizetype pos = 0;
    while (pos < line.size())
    {
        if (line[pos] != u'<')
            result.Text += line[pos++];
        else
            pos = ReadTag(line, pos, result);
    }
    return result;
}

TCreditStyle CreditStyle(const TCreditLine& line, const QFont& base, const QColor& baseColor)
{
    TCreditStyle style{base, baseColor};
    if (line.FontName && !line.FontName->isEmpty())
        style.Font.setFamily(*line.FontName);
    if (line.Color)
        style.Color = *line.Color;
    if (line.Size && *line.Size > 0)
        style.Font.setPointSize(*line.Size);
    if (line.Bold)
    {
        // Bold stands alone: the base's italic, underline and strike-out go.
        style.Font.setBold(true);
        style.Font.setItalic(false);
        style.Font.setUnderline(false);
        style.Font.setStrikeOut(false);
    }
    if (line.Italic)
        style.Font.setItalic(true);
    if (line.Underline)
        style.Font.setUnderline(true);
    return style;
}

} // namespace brisolt
