// Loading a torrent from a path: the one way show, verify and the edit page
// read a metainfo file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/torrentfile.h"
#include "platform/error.h"

namespace brisolt
{

// Reads the file at path into bytes and loads it into the fresh model. A file
// too large for metainfo loads as data that is not bencoded. The failure
// ("Datei <path> kann nicht geöffnet werden. <reason>") when the file cannot
// be read; otherwise the load's outcome is in the model (its Files and Errors).
[[nodiscard]] TError LoadTorrentFromPath(const std::filesystem::path& path, TTorrentFile& model, std::string& bytes);

enum class TMetaVersion
{
    V1,
    V2,     // v2 only (BEP 52): no v1 pieces
    Hybrid, // v1 and v2 in one info dictionary
};

// "v1", "v2" or "hybrid".
[[nodiscard]] std::string_view MetaVersionText(TMetaVersion version);

// What a torrent says beyond the model's fields, read from its bytes.
struct TTorrentFacts
{
    TMetaVersion Version = TMetaVersion::V1;
    std::string V2InfoHash; // 64 hex digits, for v2 and hybrid torrents
    bool Private = false;   // "private" is 1
    std::string CreatedBy;
    // Per entry of "files": a padding file (BEP 47: its "attr" holds "p"),
    // zeros that fill up to a piece boundary and that no one keeps on disk.
    std::vector<bool> Padding;
};

// Reads the facts from the bytes of a metainfo file; what is not there, or
// not of the right kind, stays at its default.
[[nodiscard]] TTorrentFacts ReadTorrentFacts(std::string_view bytes);

// Why a torrent of BitTorrent v2 alone (a "file tree", no "pieces") loads
// without file entries.
inline constexpr std::string_view kV2OnlyMessage =
    "v2-only torrents (BitTorrent v2 without v1 pieces) cannot be edited or verified yet";

} // namespace brisolt
