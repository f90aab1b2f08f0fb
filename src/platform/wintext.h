// UTF-8 and the UTF-16 of the Windows interfaces. Windows only; pure
// functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace brisolt
{

// Invalid sequences become U+FFFD.
[[nodiscard]] std::wstring Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::wstring_view utf16);

} // namespace brisolt
