// OLE Automation dates (days since 1899-12-30 00:00, the fraction is the time
// of day) and their calendar fields, by plain calendar arithmetic, with no
// time-zone adjustment anywhere. Pure functions, any thread.
#pragma once

#include <cstdint>

namespace brisolt
{

struct TDateFields
{
    int Year = 1899;
    int Month = 12;
    int Day = 30;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Days from 1970-01-01 to the given proleptic Gregorian date (negative before).
[[nodiscard]] int64_t DaysFromCivil(int64_t year, int month, int day);
[[nodiscard]] TDateFields CivilFromDays(int64_t days);

[[nodiscard]] double EncodeOleDate(const TDateFields& f);
// Fields of a date; the time of day is rounded to whole milliseconds.
[[nodiscard]] TDateFields DecodeOleDate(double date);

// The current local wall-clock time as an OLE date.
[[nodiscard]] double LocalNowOle();

} // namespace brisolt
