// What a path given as text (typed, dropped, chosen in a dialog, remembered)
// names on the disk, asked of the platform layer. User-interface thread.
#pragma once

#include <QString>

#include "platform/fileio.h"

namespace brisolt
{

// PathInfo of the text's bytes (ui/nametext). Text holding a NUL character
// names nothing, as with Qt's own file queries, rather than the path before
// the NUL.
[[nodiscard]] TPathInfo TypedPathInfo(const QString& text);

} // namespace brisolt
