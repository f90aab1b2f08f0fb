// Folders as the window asks for them: whether a path is surely missing, the
// sub-folders of a folder, creating a folder with those above it, the working
// folder, and the system's table of mounted volumes, which tells cheaply
// whether volumes came or went. Paths and errors as in fileio.h. Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fileio.h"

namespace brisolt
{

// Whether info says for certain that nothing is at its path: the path, or a
// folder on the way to it, does not exist. A path that could not be looked at
// (no permission, a loop of links) is not known to be missing.
[[nodiscard]] bool IsNotFound(const TPathInfo& info);

// The names of the folders directly inside folder, links followed, "." and
// ".." left out, in the order the listing yields them; the error when it
// cannot be listed to the end (names then hold what was listed before).
[[nodiscard]] int ListSubFolders(const std::filesystem::path& folder, std::vector<std::string>& names);

// Creates folder and each missing folder above it: 0 when folder exists as a
// folder afterwards, else the error.
[[nodiscard]] int CreateFolders(const std::filesystem::path& folder);

// The working folder; empty when the system cannot tell (it was removed, say).
[[nodiscard]] std::filesystem::path WorkingFolder();

// The system's table of mounted volumes as it reads now, only to be compared
// with an earlier read: a change means that volumes were mounted or removed.
// Empty where the system keeps no such table (Windows) or it cannot be read.
[[nodiscard]] std::string MountTable();

} // namespace brisolt
