#include "core/oledate.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace brisolt
{

namespace
{

constexpr int64_t kOleEpochDays = -25569; // 1899-12-30 counted from 1970-01-01
constexpr int64_t kMsPerDay = 86400000;

} // namespace

// Civil-date arithmetic after H. Hinnant's algorithms (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

TDateFields CivilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    TDateFields f;
    f.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    f.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    f.Year = static_cast<int>(yoe + era * 400 + (f.Month <= 2 ? 1 : 0));
    return f;
}

double EncodeOleDate(const TDateFields& f)
{
    const auto days = static_cast<double>(DaysFromCivil(f.Year, f.Month, f.Day) - kOleEpochDays);
    const double time =
        static_cast<double>(((f.Hour * 60 + f.Minute) * 60 + f.Second) * 1000 + f.Millisecond) / kMsPerDay;
    // Before the epoch the fraction still counts forward from midnight.
    return days < 0 ? days - time : days + time;
}

TDateFields DecodeOleDate(double date)
{
    if (!std::isfinite(date) || std::fabs(date) > 1e9)
        date = 0.0;
    auto days = static_cast<int64_t>(std::trunc(date));
    auto ms = static_cast<int64_t>(std::llround(std::fabs(date - static_cast<double>(days)) * kMsPerDay));
    if (ms >= kMsPerDay)
    {
        ms -= kMsPerDay;
        days += date < 0 ? -1 : 1;
    }
    TDateFields f = CivilFromDays(days + kOleEpochDays);
    f.Hour = static_cast<int>(ms / 3600000);
    f.Minute = static_cast<int>(ms / 60000 % 60);
    f.Second = static_cast<int>(ms / 1000 % 60);
    f.Millisecond = static_cast<int>(ms % 1000);
    return f;
}

double LocalNowOle()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
#ifdef _WIN32
    // The C runtime keeps localtime's result per thread.
    if (const std::tm* local = std::localtime(&t))
        tm = *local;
#else
    localtime_r(&t, &tm);
#endif
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    TDateFields f;
    f.Year = tm.tm_year + 1900;
    f.Month = tm.tm_mon + 1;
    f.Day = tm.tm_mday;
    f.Hour = tm.tm_hour;
    f.Minute = tm.tm_min;
    f.Second = tm.tm_sec;
    f.Millisecond = static_cast<int>(ms < 0 ? 0 : ms);
    return EncodeOleDate(f);
}

} // namespace brisolt
