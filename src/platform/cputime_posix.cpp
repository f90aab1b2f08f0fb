#include <ctime>

#include "platform/cputime.h"

namespace brisolt
{

int64_t ThreadCpuNanoseconds()
{
    timespec now{};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return 0;
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

} // namespace brisolt
