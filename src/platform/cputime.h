// The processor time the calling thread has used, user and system together:
// for measuring which of two ways of doing the same work costs less, unmoved
// by other threads and programs that share the cores.
#pragma once

#include <cstdint>

namespace brisolt
{

// Nanoseconds since the thread started; 0 where the system cannot tell.
[[nodiscard]] int64_t ThreadCpuNanoseconds();

} // namespace brisolt
