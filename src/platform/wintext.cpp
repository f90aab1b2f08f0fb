#include "platform/wintext.h"

#include <limits>

#include <windows.h>

namespace brisolt
{

std::wstring Utf8ToUtf16(std::string_view utf8)
{
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {};
    const auto size = static_cast<int>(utf8.size());
    const int count = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), count);
    return out;
}

std::string Utf16ToUtf8(std::wstring_view utf16)
{
    if (utf16.empty() || utf16.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 3))
        return {};
    const auto size = static_cast<int>(utf16.size());
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    if (count > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), count, nullptr, nullptr);
    return out;
}

} // namespace brisolt
