#include <cstdio>

#include <windows.h>

#include "core/oledate.h"
#include "platform/dateformat.h"
#include "platform/wintext.h"

namespace brisolt
{

namespace
{

// The user's format for st; empty when the date lies outside what the system formats.
template <typename TFormat>
std::string Formatted(TFormat format, DWORD flags, const SYSTEMTIME& st, const wchar_t* pattern = nullptr)
{
    wchar_t text[256]{};
    if (format(LOCALE_USER_DEFAULT, flags, &st, pattern, text, 256) == 0)
        return {};
    return Utf16ToUtf8(text);
}

// The user's short date pattern with a four-digit year; empty when unknown.
std::wstring ShortDatePattern()
{
    wchar_t pattern[128]{};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 128) == 0)
        return {};
    return Utf8ToUtf16(WithFourDigitYear(Utf16ToUtf8(pattern)));
}

} // namespace

std::string FormatDateTimeC(double oleDate)
{
    const TDateFields f = DecodeOleDate(oleDate);
    const bool midnight = f.Hour == 0 && f.Minute == 0 && f.Second == 0 && f.Millisecond == 0;
    std::string text;
    if (f.Year >= 1601 && f.Year <= 30827)
    {
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(f.Year);
        st.wMonth = static_cast<WORD>(f.Month);
        st.wDay = static_cast<WORD>(f.Day);
        st.wHour = static_cast<WORD>(f.Hour);
        st.wMinute = static_cast<WORD>(f.Minute);
        st.wSecond = static_cast<WORD>(f.Second);
        st.wMilliseconds = static_cast<WORD>(f.Millisecond);
        const std::wstring pattern = ShortDatePattern();
        text = pattern.empty() ? Formatted(::GetDateFormatW, DATE_SHORTDATE, st)
                               : Formatted(::GetDateFormatW, 0, st, pattern.c_str());
        if (!text.empty() && !midnight)
            text += ' ' + Formatted(::GetTimeFormatW, 0, st);
    }
    if (text.empty())
    {
        // Years the system cannot format, in ISO 8601.
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", f.Year, f.Month, f.Day);
        text = buffer;
        if (!midnight)
        {
            std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", f.Hour, f.Minute, f.Second);
            text += buffer;
        }
    }
    return text;
}

} // namespace brisolt
