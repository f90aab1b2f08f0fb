// Oracles shared by the hashing, create and command-line tests: piece digests
// by Python's hashlib (by the system's SHA-1 on Windows), and a check of a
// written torrent by libtorrent.
#pragma once

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/torrentfile.h"
#include "support/testsupport.h"

#ifdef _WIN32
#include <fstream>

#include "support/systemsha1.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace brisolt::test
{

inline std::string OracleScript(const std::string& name)
{
    return (DataDir().parent_path() / "oracle" / name).string();
}

inline std::string Quote(const std::filesystem::path& path)
{
    std::string quoted = "'";
    for (char c : path.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The pieces of the files read as one stream, as hex lines from hashlib.
inline std::vector<std::string> OraclePieces(int64_t pieceLength, const std::vector<std::filesystem::path>& files)
{
#ifdef _WIN32
    std::string stream;
    for (const auto& file : files)
        stream += ReadFile(file);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < stream.size(); at += static_cast<std::size_t>(pieceLength))
    {
        std::string line;
        for (const char c : SystemSha1(std::string_view(stream).substr(at, static_cast<std::size_t>(pieceLength))))
        {
            static const char* const kHex = "0123456789abcdef";
            line += kHex[static_cast<unsigned char>(c) >> 4];
            line += kHex[static_cast<unsigned char>(c) & 0x0F];
        }
        lines.push_back(line);
    }
    return lines;
#else
    std::string args = std::to_string(pieceLength);
    for (const auto& file : files)
        args += " " + Quote(file);
    std::string output;
    if (RunPython(OracleScript("pieces.py"), args, output) != 0)
        return {"oracle failed"};
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
#endif
}

inline std::vector<std::string> HexPieces(const std::vector<TTorrentPiece>& pieces)
{
    std::vector<std::string> hex;
    for (const auto& piece : pieces)
        hex.push_back(piece.HashText());
    return hex;
}

// libtorrent parses the torrent and every piece matches the content; returns
// the script's output, "ok N" on success.
inline std::string CheckWithLibtorrent(const std::filesystem::path& torrent, const std::filesystem::path& content)
{
    std::string output;
    const int code =
        RunPython(OracleScript("check_torrent.py"), Quote(torrent) + " " + Quote(content) + " 2>&1", output);
    return code == 0 ? output : "exit " + std::to_string(code) + ": " + output;
}

// A sparse file of size bytes whose last bytes are tail.
inline void MakeSparse(const std::filesystem::path& path, int64_t size, const std::string& tail)
{
#ifdef _WIN32
    // Wine extends the file with ftruncate, so on the Linux host it is sparse too.
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    std::error_code ec;
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size), ec);
    if (ec || tail.empty())
        return;
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(size - static_cast<int64_t>(tail.size()));
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (::ftruncate(fd, size) == 0 && !tail.empty())
    {
        const auto at = static_cast<off_t>(size - static_cast<int64_t>(tail.size()));
        [[maybe_unused]] const auto written = ::pwrite(fd, tail.data(), tail.size(), at);
    }
    ::close(fd);
#endif
}

// The names of a folder's entries, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace brisolt::test
