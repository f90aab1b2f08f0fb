#include "create/createextras.h"

#include <cstdint>
#include <limits>
#include <random>

#include "core/oledate.h"
#include "core/torrentfile.h"

namespace brisolt
{

namespace
{

// Reads exactly count digits at text[at]; false when they are not all digits.
bool ReadDigits(std::string_view text, std::size_t& at, std::size_t count, int64_t& value)
{
    value = 0;
    if (at + count > text.size())
        return false;
    for (std::size_t i = 0; i < count; ++i, ++at)
    {
        if (text[at] < '0' || text[at] > '9')
            return false;
        value = value * 10 + (text[at] - '0');
    }
    return true;
}

bool ReadSeparator(std::string_view text, std::size_t& at, std::string_view separators)
{
    if (at >= text.size() || separators.find(text[at]) == std::string_view::npos)
        return false;
    ++at;
    return true;
}

std::optional<int64_t> SecondsOfText(std::string_view text)
{
    if (text.starts_with('@'))
    {
        std::size_t at = 1;
        int64_t seconds = 0;
        if (text.size() < 2 || text.size() > 11 || !ReadDigits(text, at, text.size() - 1, seconds))
            return std::nullopt;
        return seconds;
    }
    std::size_t at = 0;
    int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, at, 4, year) || !ReadSeparator(text, at, "-") || !ReadDigits(text, at, 2, month)
        || !ReadSeparator(text, at, "-") || !ReadDigits(text, at, 2, day))
        return std::nullopt;
    if (at < text.size())
    {
        if (!ReadSeparator(text, at, "T ") || !ReadDigits(text, at, 2, hour) || !ReadSeparator(text, at, ":")
            || !ReadDigits(text, at, 2, minute))
            return std::nullopt;
        if (at < text.size() && (!ReadSeparator(text, at, ":") || !ReadDigits(text, at, 2, second)))
            return std::nullopt;
        if (at != text.size())
            return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const int64_t days = DaysFromCivil(year, static_cast<int>(month), static_cast<int>(day));
    // A day past the month's end comes back as another date.
    const TDateFields back = CivilFromDays(days);
    if (back.Year != year || back.Month != month || back.Day != day)
        return std::nullopt;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

} // namespace

std::optional<double> ParseCreationDate(std::string_view text)
{
    const std::optional<int64_t> seconds = SecondsOfText(text);
    if (!seconds || *seconds < 0 || *seconds > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return FromUnixSeconds(static_cast<int32_t>(*seconds));
}

std::string RandomEntropy()
{
    std::random_device device;
    std::string text;
    for (int i = 0; i < 4; ++i)
    {
        const uint32_t word = device();
        for (int shift = 28; shift >= 0; shift -= 4)
            text += "0123456789abcdef"[(word >> shift) & 0xF];
    }
    return text;
}

} // namespace brisolt
