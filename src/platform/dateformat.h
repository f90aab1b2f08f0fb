// The "c" date format: the system locale's short date, then, unless the time
// is midnight exactly, a space and its long time. The year always has four
// digits, whatever the locale's short date says. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace brisolt
{

// UTF-8 text of an OLE date in the "c" format of the system locale.
[[nodiscard]] std::string FormatDateTimeC(double oleDate);

// A date pattern (Qt's or Windows', which agree here) with every year field
// of fewer than four letters ("y", "yy") widened to "yyyy"; quoted text stays.
[[nodiscard]] std::string WithFourDigitYear(std::string_view pattern);

} // namespace brisolt
