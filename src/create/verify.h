// Checking content against a torrent: reads the files a torrent describes
// through the hashed storage and says, per file, whether its pieces match.
// No output of its own: the front ends turn the result into text.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "create/createtorrent.h"

namespace brisolt
{

struct TVerifyRequest
{
    std::filesystem::path Torrent;
    // The torrent's own file or top folder, or the folder holding it.
    std::filesystem::path Content;
    int Threads = 0; // 0: hardware threads; 1: sequential
};

struct TVerifiedFile
{
    std::string Path; // as the torrent names it, folders joined by backslashes
    int64_t Length = 0;
    std::string Problem; // empty when the file is there with its listed size
    std::size_t GoodPieces = 0;
    std::size_t BadPieces = 0;

    [[nodiscard]] bool Ok() const { return Problem.empty() && BadPieces == 0; }
};

enum class TVerifyStatus
{
    Checked,   // Files, the piece counts and AllGood hold the answer
    NotLoaded, // the torrent could not be read or used: LoaderLines, Message
    NotFound,  // none of its files is where Content points: Message says where it looked
    ReadError, // reading the content failed: Message
    Aborted,
};

struct TVerifyResult
{
    TVerifyStatus Status = TVerifyStatus::NotLoaded;
    std::vector<std::string> LoaderLines; // the loader's problems, when it found no file entry
    std::string Message;
    // Where the content was found: the torrent's own file or top folder.
    std::filesystem::path Root;
    // When Content and the folder of the torrent's name in it both hold
    // files of the torrent: which one was checked.
    std::string Note;
    // The content's files; padding files (BEP 47) count as zeros and are not listed.
    std::vector<TVerifiedFile> Files;
    std::size_t TorrentPieces = 0; // as the torrent lists them
    std::size_t ContentPieces = 0; // as its files' lengths make them
    bool AllGood = false;
};

// A file's line of the report: "OK      PATH", "FAILED  PATH  (PROBLEM)" or
// "FAILED  PATH  (N of M pieces differ)", PATH as the torrent names it.
[[nodiscard]] std::string VerifiedFileLine(const TVerifiedFile& file);

// Runs the check. The observer gets the hashing hooks; abort ends it early.
[[nodiscard]] TVerifyResult
VerifyContent(const TVerifyRequest& request, TCreateObserver& observer, const std::atomic<bool>& abort);

} // namespace brisolt
