#include "platform/textconv.h"

#include <cstdint>

namespace brisolt
{

namespace
{

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned ones.
constexpr char16_t kHigh1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size())
    {
        const auto b = static_cast<uint8_t>(bytes[i]);
        std::size_t extra;
        uint32_t cp;
        if (b < 0x80)
        {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF)
        {
            extra = 1;
            cp = b & 0x1Fu;
        }
        else if (b >= 0xE0 && b <= 0xEF)
        {
            extra = 2;
            cp = b & 0x0Fu;
        }
        else if (b >= 0xF0 && b <= 0xF4)
        {
            extra = 3;
            cp = b & 0x07u;
        }
        else
            return false;
        if (bytes.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
        {
            const auto c = static_cast<uint8_t>(bytes[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
    {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x80 && b <= 0x9F)
            AppendUtf8(out, kHigh1252[b - 0x80] ? kHigh1252[b - 0x80] : 0xFFFDu);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string DisplayText(std::string_view bytes)
{
    return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

} // namespace brisolt
