// The install directory: where the settings file "brisolt.ini" and the
// tracker cache "trackers.lst" live. The environment variable
// BRISOLT_INSTALL_DIR stands in for the registry value that names it on
// Windows. Reads the environment, so call it from one thread at a time.
#pragma once

#include <string>

namespace brisolt
{

inline constexpr const char* kInstallDirVariable = "BRISOLT_INSTALL_DIR";

// BRISOLT_INSTALL_DIR followed by a separator (added even when the value
// already ends in one) when it is set and not empty; otherwise the user's
// configuration folder: $XDG_CONFIG_HOME/brisolt/, else ~/.config/brisolt/.
// The folder is not created here; the settings file's first write does that.
[[nodiscard]] std::string ReadInstallDir();

} // namespace brisolt
