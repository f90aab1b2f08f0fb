// The in-memory torrent model: tracker URLs, name, comment, date, file
// entries, piece length and piece hashes. Load fills a fresh model from the
// bytes of a metainfo file (collecting problems in Errors, never throwing);
// Save writes the exact metainfo bytes, with the pieces it is given. A model
// belongs to its creator and is used by one thread at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/hashes.h"

namespace brisolt
{

inline constexpr std::string_view kCreatedBy = "Brisolt v2.1 - Orl Edition Public Beta RC1";
inline constexpr std::string_view kCommentSuffix = " created with Brisolt v2.1 - Orl Edition Public Beta RC1";

inline constexpr std::size_t kLoadMemoryFactor = 8;
inline constexpr std::size_t kLoadMemorySlack = std::size_t{4} * 1024 * 1024;

struct TTorrentSubFile
{
    TTorrentSubFile() = default;

    TTorrentSubFile(std::string name, std::string path, int64_t length, int64_t offset)
        : Name(std::move(name))
        , Path(std::move(path))
        , Length(length)
        , Offset(offset)
    {
    }

    std::string Name;     // the file's own name
    std::string Path;     // folders below the root, joined by backslashes
    std::string FullPath; // native path on disk; set by the create logic only
    int64_t Length = 0;
    int64_t Offset = 0;
    // What the listing saw on disk (ListedInode 0: not listed), so that
    // hashing notices a file that changed since.
    uint64_t ListedDevice = 0;
    uint64_t ListedInode = 0;
    int64_t ListedModified = 0;
};

// One piece hash. Kept at 20 raw bytes so that a million pieces cost 21 MB,
// not a heap string each; the text form is derived.
struct TTorrentPiece
{
    TTorrentPiece() = default;
    // hash: the 20 raw digest bytes (a shorter text is zero-padded).
    TTorrentPiece(std::string_view hash, bool computed);

    [[nodiscard]] std::string_view HashBytes() const { return {Hash.data(), Hash.size()}; }

    // 40 lower-case hex digits.
    [[nodiscard]] std::string HashText() const;

    std::array<char, 20> Hash{};
    bool Computed = false;
};

class TTorrentFile
{
public:
    TTorrentFile();
    TTorrentFile(const TTorrentFile&) = delete;
    TTorrentFile& operator=(const TTorrentFile&) = delete;
    TTorrentFile(TTorrentFile&&) = default;
    TTorrentFile& operator=(TTorrentFile&&) = default;

    // Empties what a load fills; keeps Comment, CreationDate, InfoHash,
    // PieceLength and BackupTrackers.
    void Clear();
    // Fills a fresh model for creation; stamps CreationDate with now().
    void Init(
        std::string announce,
        std::string name,
        std::string comment,
        std::string infoHash,
        int64_t length,
        bool multiFile,
        const std::function<double()>& now = {});
    // Fills the model from the bytes of a metainfo file. True when the root
    // decoded and every key was read, even with messages in Errors. The
    // decoded form and the model may take kLoadMemoryFactor times the input's
    // size plus kLoadMemorySlack; an input that needs more (many tiny values)
    // fails like corrupt metainfo.
    bool Load(std::string_view data);
    // Appends the metainfo bytes of this model and the given pieces to out;
    // info, when given, gets where the info dictionary's bytes begin and end
    // in out (what the info hash covers).
    void Save(
        std::string& out,
        std::span<const TTorrentPiece> pieces,
        std::pair<std::size_t, std::size_t>* info = nullptr) const;
    [[nodiscard]] std::string SaveToString(std::span<const TTorrentPiece> pieces) const;

    std::string Announce;
    std::string Name;
    // After a load: the info dictionary's name bytes as they stand, which
    // name the content on disk (Name drops a ".torrent" at their end).
    std::string InfoName;
    std::string Comment;
    int64_t Length = 0;
    double CreationDate = 0.0; // OLE date, local time; 0.0 = none
    int32_t FileCount = 0;
    std::vector<std::string> Errors;
    // After a load: the root dictionary's entries, scalars as they stand and
    // lists and dictionaries empty (what they hold went into the fields).
    std::unique_ptr<TObjectHash> Tree;
    std::string InfoHashText;
    std::string InfoHash;
    bool MultiFile = false;
    std::vector<TTorrentSubFile> Files;
    std::vector<TTorrentPiece> Pieces;
    int32_t PieceLength = 0;
    std::vector<std::string> BackupTrackers;
    // Written only when set: "source" in the info dictionary and "url-list",
    // the web seeds, after it. A load reads both (a "url-list" may be one
    // string or a list; what is not a string in it is passed over).
    std::string Source;
    std::vector<std::string> WebSeeds;
    // The bytes an edit was loaded from; the edit rule keeps what the user
    // did not change from them. Empty for a model that was not loaded for editing.
    std::string LoadedBytes;
    // "created by": the program's own name unless set; set to "" the key is
    // left out.
    std::optional<std::string> CreatedBy;
    // Off: the comment is written exactly as it stands, without the suffix.
    bool CommentSuffix = true;
    // Written as "entropy" in the info dictionary when set, so that the same
    // content gets another info hash.
    std::string Entropy;

private:
    friend class TTorrentLoader;
};

// Seconds between 1970-01-01 and the date's wall-clock fields taken as UTC,
// truncated toward zero, low 32 bits as a signed number.
[[nodiscard]] int32_t ToUnixSeconds(double date);
[[nodiscard]] double FromUnixSeconds(int32_t seconds);

// Thrown when a decoded value has the wrong kind for its key.
class EInvalidCast : public std::runtime_error
{
public:
    EInvalidCast()
        : std::runtime_error("Invalid class typecast")
    {
    }
};

} // namespace brisolt
