#include <QDateTime>
#include <QLocale>

#include "core/oledate.h"
#include "platform/dateformat.h"

namespace brisolt
{

namespace
{

// Qt's long time formats carry the time zone ("t"); the stored date is a bare
// wall-clock time, so the zone is left out, as Windows' long time format does.
QString WithoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format)
    {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

std::string FormatDateTimeC(double oleDate)
{
    const TDateFields f = DecodeOleDate(oleDate);
    const QLocale locale = QLocale::system();
    const QDate date(f.Year, f.Month, f.Day);
    const std::string pattern = WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat).toStdString());
    QString text = locale.toString(date, QString::fromStdString(pattern));
    if (f.Hour != 0 || f.Minute != 0 || f.Second != 0 || f.Millisecond != 0)
    {
        const QTime time(f.Hour, f.Minute, f.Second, f.Millisecond);
        text += QLatin1Char(' ') + locale.toString(time, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    }
    return text.toStdString();
}

} // namespace brisolt
