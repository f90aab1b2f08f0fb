// Magnet links (BEP 9) of a loaded or written torrent. Pure; any thread.
#pragma once

#include <string>
#include <string_view>

#include "core/torrentfile.h"

namespace brisolt
{

// Every byte but the unreserved ones (A-Z a-z 0-9 - . _ ~) as %XX.
[[nodiscard]] std::string PercentEncode(std::string_view bytes);

// "magnet:?xt=urn:btih:" and the info hash, "&dn=" and the name, then one
// "&tr=" per tracker: the announce URL and the backup trackers in order,
// each once, empty ones left out. "" for a torrent without an info hash.
[[nodiscard]] std::string MagnetLink(const TTorrentFile& torrent);

} // namespace brisolt
