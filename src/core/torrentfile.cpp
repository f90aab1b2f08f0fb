#include "core/torrentfile.h"

#include <cstring>

#include "core/bdecode.h"
#include "core/oledate.h"

namespace brisolt
{

namespace
{

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochTicks = 116444736000000000; // 1970-01-01 in 100 ns since 1601-01-01

int64_t DaysFrom1601(int64_t year, int month, int day)
{
    return DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1);
}

// The token writers: bencoding, appended straight to the output.
void PutString(std::string& out, std::string_view s)
{
    out += std::to_string(s.size());
    out += ':';
    out += s;
}

void PutInteger(std::string& out, int64_t n)
{
    out += 'i';
    out += std::to_string(n);
    out += 'e';
}

// Path elements: every backslash ends one (empty ones included); a rest after
// the last backslash counts only when it is not empty.
void PutPathElements(std::string& out, std::string_view path)
{
    std::size_t start = 0;
    for (std::size_t pos; (pos = path.find('\\', start)) != std::string_view::npos; start = pos + 1)
        PutString(out, path.substr(start, pos - start));
    if (start < path.size())
        PutString(out, path.substr(start));
}

} // namespace

TTorrentPiece::TTorrentPiece(std::string_view hash, bool computed)
    : Computed(computed)
{
    std::memcpy(Hash.data(), hash.data(), std::min(hash.size(), Hash.size()));
}

std::string TTorrentPiece::HashText() const
{
    return BytesToHex(HashBytes(), Hash.size());
}

TTorrentFile::TTorrentFile()
    : Tree(std::make_unique<TObjectHash>())
{
}

void TTorrentFile::Clear()
{
    Announce.clear();
    Name.clear();
    InfoName.clear();
    InfoHashText.clear();
    Length = 0;
    FileCount = 0;
    MultiFile = false;
    Files.clear();
    Tree = std::make_unique<TObjectHash>();
    Errors.clear();
    Pieces.clear();
    Source.clear();
    WebSeeds.clear();
}

void TTorrentFile::Init(
    std::string announce,
    std::string name,
    std::string comment,
    std::string infoHash,
    int64_t length,
    bool multiFile,
    const std::function<double()>& now)
{
    Announce = std::move(announce);
    Name = std::move(name);
    Comment = std::move(comment);
    InfoHash = std::move(infoHash);
    Length = length;
    MultiFile = multiFile;
    CreationDate = now ? now() : LocalNowOle();
}

void TTorrentFile::Save(
    std::string& out, std::span<const TTorrentPiece> pieces, std::pair<std::size_t, std::size_t>* info) const
{
    out += 'd';
    PutString(out, "announce");
    PutString(out, Announce);
    if (!BackupTrackers.empty())
    {
        PutString(out, "announce-list");
        out += "ll";
        PutString(out, Announce);
        out += 'e';
        for (const auto& url : BackupTrackers)
        {
            if (url == Announce)
                continue;
            out += 'l';
            PutString(out, url);
            out += 'e';
        }
        out += 'e';
    }
    PutString(out, "azureus_properties");
    out += "d17:dht_backup_enablei0ee";
    if (!Comment.empty())
    {
        PutString(out, "comment");
        PutString(out, CommentSuffix ? Comment + std::string(kCommentSuffix) : Comment);
    }
    const std::string_view createdBy = CreatedBy ? std::string_view(*CreatedBy) : kCreatedBy;
    if (!createdBy.empty())
    {
        PutString(out, "created by");
        PutString(out, createdBy);
    }
    if (CreationDate != 0.0)
    {
        PutString(out, "creation date");
        PutInteger(out, ToUnixSeconds(CreationDate));
    }
    PutString(out, "encoding");
    PutString(out, "windows-1252");
    PutString(out, "info");
    const std::size_t infoStart = out.size();
    out += 'd';
    if (!Entropy.empty())
    {
        PutString(out, "entropy");
        PutString(out, Entropy);
    }
    if (MultiFile)
    {
        PutString(out, "files");
        out += 'l';
        for (const auto& file : Files)
        {
            out += 'd';
            PutString(out, "length");
            PutInteger(out, file.Length);
            PutString(out, "path");
            out += 'l';
            PutPathElements(out, file.Path);
            PutString(out, file.Name);
            out += "ee";
        }
        out += 'e';
    }
    else
    {
        PutString(out, "length");
        PutInteger(out, Length);
    }
    PutString(out, "name");
    PutString(out, Name);
    PutString(out, "piece length");
    PutInteger(out, PieceLength);
    PutString(out, "pieces");
    out += std::to_string(pieces.size() * 20);
    out += ':';
    for (const auto& piece : pieces)
        out += piece.HashBytes();
    PutString(out, "private");
    PutInteger(out, 1);
    if (!Source.empty())
    {
        PutString(out, "source");
        PutString(out, Source);
    }
    out += 'e';
    if (info)
        *info = {infoStart, out.size()};
    if (!WebSeeds.empty())
    {
        PutString(out, "url-list");
        out += 'l';
        for (const auto& url : WebSeeds)
            PutString(out, url);
        out += 'e';
    }
    out += 'e';
}

std::string TTorrentFile::SaveToString(std::span<const TTorrentPiece> pieces) const
{
    std::string out;
    Save(out, pieces);
    return out;
}

int32_t ToUnixSeconds(double date)
{
    const TDateFields f = DecodeOleDate(date);
    const int64_t seconds = DaysFrom1601(f.Year, f.Month, f.Day) * 86400 + f.Hour * 3600 + f.Minute * 60 + f.Second;
    // Milliseconds rather than 100 ns ticks: the same quotient without overflow for any date.
    const int64_t ms = (seconds - kUnixEpochTicks / kTicksPerSecond) * 1000 + f.Millisecond;
    const int64_t unixSeconds = ms / 1000; // truncates toward zero
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(unixSeconds) & 0xFFFFFFFFu));
}

double FromUnixSeconds(int32_t seconds)
{
    const int64_t ticks = int64_t{seconds} * kTicksPerSecond + kUnixEpochTicks;
    const int64_t total = ticks / kTicksPerSecond;
    const int64_t daysSince1601 = total / 86400;
    const int64_t secondsOfDay = total % 86400;
    TDateFields f = CivilFromDays(daysSince1601 + DaysFromCivil(1601, 1, 1));
    f.Hour = static_cast<int>(secondsOfDay / 3600);
    f.Minute = static_cast<int>(secondsOfDay / 60 % 60);
    f.Second = static_cast<int>(secondsOfDay % 60);
    return EncodeOleDate(f);
}

} // namespace brisolt
