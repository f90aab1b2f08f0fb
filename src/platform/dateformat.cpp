#include "platform/dateformat.h"

namespace brisolt
{

std::string WithFourDigitYear(std::string_view pattern)
{
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size();)
    {
        const char c = pattern[i];
        if (c == '\'')
            quoted = !quoted;
        if (quoted || c != 'y')
        {
            out += c;
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i < pattern.size() && pattern[i] == 'y')
        {
            ++run;
            ++i;
        }
        // Two digits read as the wrong century in a list of old torrents.
        out.append(run < 4 ? 4 : run, 'y');
    }
    return out;
}

} // namespace brisolt
