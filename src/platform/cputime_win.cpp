#include <windows.h>

#include "platform/cputime.h"

namespace brisolt
{

int64_t ThreadCpuNanoseconds()
{
    FILETIME created;
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t)
    {
        return static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
    };
    // FILETIME counts 100-nanosecond ticks.
    return (ticks(kernel) + ticks(user)) * 100;
}

} // namespace brisolt
