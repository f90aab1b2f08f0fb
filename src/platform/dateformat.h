// The "c" date format: the system locale's short date, then, unless the time
// is midnight exactly, a space and its long time. Any thread.
#pragma once

#include <string>

namespace brisolt
{

// UTF-8 text of an OLE date in the "c" format of the system locale.
[[nodiscard]] std::string FormatDateTimeC(double oleDate);

} // namespace brisolt
