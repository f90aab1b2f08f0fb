// Fuzzes the metainfo loader and its round trip through the writer. Any bytes
// must load without a crash, a read outside the input or a hang, and leave a
// consistent model. A model that loaded is saved with its own pieces; the
// saved bytes must load again without a message and give back the same
// model, and saving that model must give the same bytes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/bdecode.h"
#include "core/messagedigests.h"
#include "core/torrentfile.h"
#include "fuzzcheck.h"

namespace
{

using namespace brisolt;

constexpr std::string_view kNotBencoded = "Error parsing file; does not appear to be valid bencoded metainfo";
constexpr std::string_view kSomethingBad =
    "Something bad happened while trying to load the file, probably corrupt metainfo";
constexpr std::string_view kTorrentSuffix = ".torrent";

bool EndsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string StripTorrentSuffix(std::string name)
{
    if (EndsWith(name, kTorrentSuffix))
        name.resize(name.size() - kTorrentSuffix.size());
    return name;
}

int64_t WrappingAdd(int64_t a, int64_t b)
{
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

bool IsLowerHex(std::string_view s)
{
    return s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool SamePieces(const std::vector<TTorrentPiece>& a, const std::vector<TTorrentPiece>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (a[i].HashBytes() != b[i].HashBytes())
            return false;
    }
    return true;
}

bool SameFiles(const std::vector<TTorrentSubFile>& a, const std::vector<TTorrentSubFile>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (a[i].Name != b[i].Name || a[i].Path != b[i].Path || a[i].Length != b[i].Length
            || a[i].Offset != b[i].Offset)
            return false;
    }
    return true;
}

// What any load leaves, whether it succeeded or not.
void CheckModel(const TTorrentFile& t, bool loaded, std::size_t inputSize)
{
    FUZZ_CHECK(t.Tree != nullptr);
    FUZZ_CHECK(t.Pieces.size() <= inputSize / 20);
    for (const auto& piece : t.Pieces)
        FUZZ_CHECK(!piece.Computed);
    if (!loaded)
    {
        FUZZ_CHECK(!t.Errors.empty());
        FUZZ_CHECK(t.Errors.back() == kNotBencoded || t.Errors.back() == kSomethingBad);
        FUZZ_CHECK(t.Length == 0);
        return;
    }
    for (const auto& line : t.Errors)
        FUZZ_CHECK(line != kNotBencoded && line != kSomethingBad);
    if (!t.InfoHashText.empty())
    {
        FUZZ_CHECK(t.InfoHashText.size() == 40 && IsLowerHex(t.InfoHashText));
        FUZZ_CHECK(BytesToHex(t.InfoHash, 20) == t.InfoHashText);
    }
    if (t.MultiFile)
    {
        FUZZ_CHECK(t.FileCount == static_cast<int32_t>(t.Files.size()));
        int64_t total = 0;
        for (const auto& file : t.Files)
        {
            FUZZ_CHECK(file.Offset == total);
            FUZZ_CHECK(file.Path.empty() || file.Path.back() == '\\');
            FUZZ_CHECK(file.FullPath.empty());
            total = WrappingAdd(total, file.Length);
        }
        FUZZ_CHECK(t.Length == total);
    }
    else if (!t.Files.empty())
    {
        FUZZ_CHECK(t.Files.size() == 1 && t.FileCount == 1);
        FUZZ_CHECK(t.Files[0].Name == t.Name && t.Files[0].Path.empty() && t.Files[0].Offset == 0);
        FUZZ_CHECK(t.Files[0].Length == t.Length);
    }
    else
        FUZZ_CHECK(t.FileCount == 0 && t.Length == 0);
}

// The saved bytes end with the "info" value and the root's "e"; the loaded
// info hash must be the digest of exactly that value.
void CheckInfoHash(const TTorrentFile& t, std::string_view saved)
{
    auto root = BDecodeValue(saved);
    const auto* dict = dynamic_cast<const TObjectHash*>(root.get());
    FUZZ_CHECK(dict != nullptr && dict->Exists("_info_start") && dict->Exists("_info_length"));
    const auto* start = dynamic_cast<const TIntString*>(dict->Get("_info_start"));
    const auto* length = dynamic_cast<const TIntString*>(dict->Get("_info_length"));
    FUZZ_CHECK(start != nullptr && length != nullptr);
    FUZZ_CHECK(start->Value > 0 && length->Value > 0);
    // Keys sorting after "info" (url-list) may follow it.
    FUZZ_CHECK(static_cast<std::size_t>(start->Value + length->Value) <= saved.size() - 1);
    FUZZ_CHECK(saved[static_cast<std::size_t>(start->Value + length->Value - 1)] == 'e');
    FUZZ_CHECK(saved[static_cast<std::size_t>(start->Value)] == 'd');
    TSHA1 sha;
    sha.Transform(saved.data() + start->Value, static_cast<std::size_t>(length->Value));
    sha.Complete();
    FUZZ_CHECK(t.InfoHash == sha.Digest());
}

std::vector<std::string> ExpectedBackupTrackers(const TTorrentFile& first)
{
    std::vector<std::string> expected;
    if (first.BackupTrackers.empty())
        return expected;
    expected.push_back(first.Announce);
    for (const auto& url : first.BackupTrackers)
    {
        if (url != first.Announce)
            expected.push_back(url);
    }
    return expected;
}

void CheckRoundTrip(const TTorrentFile& first)
{
    const std::string saved = first.SaveToString(first.Pieces);
    TTorrentFile second;
    FUZZ_CHECK(second.Load(saved));
    CheckModel(second, true, saved.size());
    FUZZ_CHECK(second.Errors.empty());
    FUZZ_CHECK(second.Announce == first.Announce);
    FUZZ_CHECK(second.BackupTrackers == ExpectedBackupTrackers(first));
    FUZZ_CHECK(second.Comment == (first.Comment.empty() ? std::string() : first.Comment + std::string(kCommentSuffix)));
    FUZZ_CHECK(second.CreationDate == first.CreationDate);
    FUZZ_CHECK(second.Name == StripTorrentSuffix(first.Name));
    FUZZ_CHECK(second.PieceLength == first.PieceLength);
    FUZZ_CHECK(SamePieces(second.Pieces, first.Pieces));
    FUZZ_CHECK(second.MultiFile == first.MultiFile);
    FUZZ_CHECK(second.Length == first.Length);
    if (first.MultiFile)
        FUZZ_CHECK(SameFiles(second.Files, first.Files));
    else
        FUZZ_CHECK(second.Files.size() == 1 && second.Files[0].Length == first.Length);
    CheckInfoHash(second, saved);

    // With the comment as it was (saving appends the suffix each time), and a
    // name that the load did not shorten again, a second save is the same file.
    if (second.Name == first.Name)
    {
        second.Comment = first.Comment;
        FUZZ_CHECK(second.SaveToString(second.Pieces) == saved);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    TTorrentFile first;
    const bool loaded = first.Load(data);
    CheckModel(first, loaded, size);
    if (loaded)
        CheckRoundTrip(first);
    return 0;
}
