// Helpers shared by the edit tests (logic, command line, window): metainfo
// written out by hand, so that a test controls every key and byte, and what
// libtorrent reads from a saved file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "create/createsupport.h"
#include "support/testsupport.h"

namespace brisolt::test
{

// Bencode pieces; a dictionary's keys are given in the order to write.
inline std::string BStr(const std::string& s)
{
    return std::to_string(s.size()) + ":" + s;
}

inline std::string BInt(int64_t v)
{
    return "i" + std::to_string(v) + "e";
}

inline std::string BList(const std::vector<std::string>& items)
{
    std::string out = "l";
    for (const auto& item : items)
        out += item;
    return out + "e";
}

inline std::string BDict(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string out = "d";
    for (const auto& [key, value] : entries)
        out += BStr(key) + value;
    return out + "e";
}

// count piece hashes of 20 bytes each.
inline std::string PieceBytes(std::size_t count)
{
    return RandomBytes(count * 20, 7);
}

// A single-file info dictionary.
inline std::string SingleInfo(const std::string& name, int64_t length, std::size_t pieces = 1)
{
    return BDict(
        {{"length", BInt(length)},
         {"name", BStr(name)},
         {"piece length", BInt(65536)},
         {"pieces", BStr(PieceBytes(pieces))},
         {"private", BInt(1)}});
}

struct TEntry
{
    std::vector<std::string> Path;
    int64_t Length = 0;
};

inline std::string MultiInfo(const std::string& name, const std::vector<TEntry>& entries, std::size_t pieces = 1)
{
    std::vector<std::string> files;
    for (const auto& e : entries)
    {
        std::vector<std::string> path;
        for (const auto& element : e.Path)
            path.push_back(BStr(element));
        files.push_back(BDict({{"length", BInt(e.Length)}, {"path", BList(path)}}));
    }
    return BDict(
        {{"files", BList(files)},
         {"name", BStr(name)},
         {"piece length", BInt(65536)},
         {"pieces", BStr(PieceBytes(pieces))},
         {"private", BInt(1)}});
}

// A whole metainfo file around an info dictionary; extra keys come before "info".
inline std::string Metainfo(
    const std::string& info,
    const std::string& announce = "http://tracker.example/announce",
    std::vector<std::pair<std::string, std::string>> extra = {})
{
    std::vector<std::pair<std::string, std::string>> entries{{"announce", BStr(announce)}};
    for (auto& e : extra)
        entries.push_back(std::move(e));
    entries.emplace_back("info", info);
    return BDict(entries);
}

// What libtorrent reads: "INFOHASH FILES TOTALSIZE", or why it could not.
inline std::string LibtorrentView(const std::filesystem::path& torrent)
{
    std::string output;
    const int code = RunPython(OracleScript("info_hash.py"), Quote(torrent) + " 2>&1", output);
    if (!output.empty() && output.back() == '\n')
        output.pop_back();
    return code == 0 ? output : "exit " + std::to_string(code) + ": " + output;
}

} // namespace brisolt::test
