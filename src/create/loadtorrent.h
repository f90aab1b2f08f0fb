// Loading a torrent from a path: the one way show, verify and the edit page
// read a metainfo file.
#pragma once

#include <filesystem>
#include <string>

#include "core/torrentfile.h"

namespace brisolt
{

// Reads the file at path into bytes and loads it into the fresh model. A file
// too large for metainfo loads as data that is not bencoded. False, with
// reason, when the file cannot be read; otherwise the load's outcome is in
// the model (its Files and Errors).
bool LoadTorrentFromPath(
    const std::filesystem::path& path, TTorrentFile& model, std::string& bytes, std::string& reason);

} // namespace brisolt
