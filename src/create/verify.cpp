#include "create/verify.h"

#include <algorithm>
#include <cstdint>

#include "create/loadtorrent.h"
#include "hashing/hashedstorage.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt
{

namespace
{

class TVerifyProgress final : public THashProgress
{
public:
    explicit TVerifyProgress(TCreateObserver& observer)
        : Observer(observer)
    {
    }

    void FileStarted(const std::string& path, int64_t size) override { Observer.FileStarted(path, size); }

    void PieceHashed(int64_t pieces) override
    {
        (void)pieces;
        Observer.PieceHashed();
    }

    // One check may take several runs; the caller reports its end once, so
    // the run's own start and end are not passed on.

private:
    TCreateObserver& Observer;
};

// A path element from a torrent that cannot leave the content folder.
bool IsSafeElement(std::string_view element)
{
    return !element.empty() && element != "." && element != ".." && element.find('/') == std::string_view::npos
           && element.find('\0') == std::string_view::npos;
}

bool IsSafePath(std::string_view backslashPath)
{
    std::size_t start = 0;
    for (std::size_t pos; (pos = backslashPath.find('\\', start)) != std::string_view::npos; start = pos + 1)
    {
        if (!IsSafeElement(backslashPath.substr(start, pos - start)))
            return false;
    }
    return start == backslashPath.size() || IsSafeElement(backslashPath.substr(start));
}

// The file's problem, empty when it is there with its listed size; what the
// look saw is the listing that the hashing compares with once it has read
// the file.
std::string CheckFile(const std::filesystem::path& path, int64_t length, TTorrentSubFile* listed = nullptr)
{
    const TPathInfo info = PathInfo(path);
    if (listed != nullptr)
    {
        listed->ListedDevice = info.Device;
        listed->ListedInode = info.Kind == TPathKind::RegularFile ? info.Inode : 0;
        listed->ListedModified = info.Modified;
    }
    if (info.Kind == TPathKind::Missing)
        return "missing";
    if (info.Kind != TPathKind::RegularFile)
        return "not a regular file";
    if (info.Size != length)
        return "has " + std::to_string(info.Size) + " bytes, the torrent says " + std::to_string(length);
    return {};
}

// The torrent and which of its entries are padding, or why it cannot be
// checked (Message empty when it can).
void LoadTorrent(
    const std::filesystem::path& path, TTorrentFile& torrent, std::vector<bool>& padding, TVerifyResult& result)
{
    const std::string name = PathBytes(path);
    std::string bytes;
    if (const TError failed = LoadTorrentFromPath(path, torrent, bytes))
    {
        result.Message = "cannot open " + name + ": " + failed.Reason();
        return;
    }
    const TTorrentFacts facts = ReadTorrentFacts(bytes);
    padding = facts.Padding;
    if (!torrent.MultiFile || padding.size() != torrent.Files.size())
        padding.assign(torrent.Files.size(), false);
    if (torrent.Files.empty())
    {
        for (const auto& line : torrent.Errors)
            result.LoaderLines.push_back(DisplayText(line));
        result.Message =
            facts.Version == TMetaVersion::V2 ? std::string(kV2OnlyMessage) : name + " holds no file entries";
        return;
    }
    if (torrent.PieceLength <= 0 || torrent.PieceLength > kMaxPieceLength)
    {
        result.Message = name + ": invalid piece length " + std::to_string(torrent.PieceLength);
        return;
    }
    int64_t total = 0;
    for (const auto& file : torrent.Files)
    {
        if (file.Length < 0 || file.Length > INT64_MAX - total)
        {
            result.Message = name + ": invalid file length " + std::to_string(file.Length) + " of "
                             + DisplayText(file.Path + file.Name);
            return;
        }
        total += file.Length;
    }
    for (const auto& file : torrent.Files)
    {
        if (!IsSafeElement(torrent.InfoName) || !IsSafeElement(file.Name) || !IsSafePath(file.Path))
        {
            result.Message = name + ": unsafe file path " + DisplayText(file.Path + file.Name);
            return;
        }
    }
}

// Places the entries as if root were the torrent's own file or top folder.
// A padding entry gets a path below the torrent file, which no file can have:
// the check reads zeros for it, as for any file it cannot open.
void PlaceFiles(
    TTorrentFile& torrent,
    const std::vector<bool>& padding,
    const std::filesystem::path& root,
    const std::filesystem::path& torrentPath)
{
    for (std::size_t i = 0; i < torrent.Files.size(); ++i)
    {
        auto& file = torrent.Files[i];
        if (!torrent.MultiFile)
        {
            // The name as the info dictionary has it, with any ".torrent" the loader drops for display.
            file.Name = torrent.InfoName;
            file.FullPath = PathBytes(root);
        }
        else if (padding[i])
            file.FullPath = PathBytes(torrentPath / "padding");
        else
            file.FullPath = PathBytes(root / NativeRelativePath(file.Path, file.Name));
    }
}

// How much of the content is at its places: a point for each file there,
// another when it has its size.
std::size_t CountFound(const TTorrentFile& torrent, const std::vector<bool>& padding)
{
    std::size_t found = 0;
    for (std::size_t i = 0; i < torrent.Files.size(); ++i)
    {
        const auto& file = torrent.Files[i];
        if (padding[i])
            continue;
        const std::string problem = CheckFile(NativePath(file.FullPath), file.Length);
        found += problem.empty() ? 2u : problem == "missing" ? 0u : 1u;
    }
    return found;
}

// Where the content lies: CONTENT itself when it is the torrent's own file or
// top folder, or the entry of the torrent's name inside it. The place where
// more files are found wins; on a tie the one whose name is the torrent's.
bool FindContent(
    TTorrentFile& torrent, const std::vector<bool>& padding, const TVerifyRequest& request, TVerifyResult& result)
{
    const TPathKind kind = PathInfo(request.Content).Kind;
    const std::filesystem::path inside = request.Content / NativePath(torrent.InfoName);
    std::vector<std::filesystem::path> places;
    if (kind == (torrent.MultiFile ? TPathKind::Folder : TPathKind::RegularFile))
        places.push_back(request.Content);
    if (kind == TPathKind::Folder)
        places.push_back(inside);
    std::vector<std::size_t> found;
    for (const auto& place : places)
    {
        PlaceFiles(torrent, padding, place, request.Torrent);
        found.push_back(CountFound(torrent, padding));
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < places.size(); ++i)
    {
        const bool named = PathBytes(request.Content.filename()) == torrent.InfoName;
        if (found[i] > found[best] || (found[i] == found[best] && !named))
            best = i;
    }
    if (places.empty() || found[best] == 0)
    {
        result.Status = TVerifyStatus::NotFound;
        result.Message = "none of the torrent's files is in " + PathBytes(request.Content)
                         + (kind == TPathKind::Folder ? " nor in " + PathBytes(inside) : std::string());
        // An empty content is there however little was found of it.
        const bool empty = std::all_of(
            torrent.Files.begin(), torrent.Files.end(), [](const TTorrentSubFile& f) { return f.Length == 0; });
        if (!empty || places.empty())
            return false;
    }
    if (places.size() == 2 && found[0] > 0 && found[1] > 0)
        result.Note = "both " + PathBytes(places[0]) + " and " + PathBytes(places[1])
                      + " hold files of the torrent; checked " + PathBytes(places[best]);
    result.Root = places[best];
    PlaceFiles(torrent, padding, places[best], request.Torrent);
    return true;
}

// What the content holds: each file's problem (empty when it is there with
// its listed size), and for each piece the torrent lists (up to the number its
// files make) whether the content's bytes match it. Only pieces whose bytes
// all lie in files that are there are read and hashed; any other piece fails
// without a read, so missing content costs nothing however large the torrent
// says it is.
class TContentCheck
{
public:
    TContentCheck(
        const TTorrentFile& torrent,
        const std::vector<bool>& padding,
        const TVerifyRequest& request,
        TCreateObserver& observer,
        const std::atomic<bool>& abort)
        : Torrent(torrent)
        , Padding(padding)
        , Request(request)
        , Observer(observer)
        , Abort(abort)
    {
    }

    // Checked, or what ended the check early (with Message).
    TVerifyStatus Run()
    {
        const int64_t pieceLength = Torrent.PieceLength;
        int64_t total = 0;
        Listed = Torrent.Files;
        for (std::size_t i = 0; i < Listed.size(); ++i)
        {
            auto& file = Listed[i];
            Problems.push_back(Padding[i] ? std::string() : CheckFile(NativePath(file.FullPath), file.Length, &file));
            total += file.Length;
        }
        PiecesMade = static_cast<std::size_t>(total == 0 ? 0 : (total - 1) / pieceLength + 1);
        Matches.assign(std::min(PiecesMade, Torrent.Pieces.size()), false);
        Observer.TorrentStarted(Request.Torrent, total, pieceLength, Torrent.Files.size());
        int64_t offset = 0;
        for (std::size_t i = 0; i < Torrent.Files.size();)
        {
            if (!IsThere(i))
            {
                offset += Torrent.Files[i++].Length;
                continue;
            }
            const int64_t begin = offset;
            std::size_t end = i;
            for (; end < Torrent.Files.size() && IsThere(end); ++end)
                offset += Torrent.Files[end].Length;
            const auto firstPiece = static_cast<std::size_t>((begin + pieceLength - 1) / pieceLength);
            const auto endPiece =
                std::min(offset == total ? PiecesMade : static_cast<std::size_t>(offset / pieceLength), Matches.size());
            if (firstPiece < endPiece)
            {
                if (const TVerifyStatus status = HashStretch(i, end, begin, firstPiece);
                    status != TVerifyStatus::Checked)
                    return status;
            }
            i = end;
        }
        Observer.ReportStatus("done");
        return TVerifyStatus::Checked;
    }

    std::vector<std::string> Problems;
    std::vector<bool> Matches;
    std::size_t PiecesMade = 0;
    std::string Message;

private:
    // An empty file holds no piece's bytes, so even a missing one breaks no stretch.
    bool IsThere(std::size_t file) const { return Problems[file].empty() || Torrent.Files[file].Length == 0; }

    // Hashes the pieces from index piece on, which start in the stretch of files
    // [first, end) beginning at byte begin of the stream.
    TVerifyStatus HashStretch(std::size_t first, std::size_t end, int64_t begin, std::size_t piece)
    {
        const int64_t pieceStart = static_cast<int64_t>(piece) * Torrent.PieceLength;
        // Start in the file that holds the piece's first byte.
        while (begin + Torrent.Files[first].Length <= pieceStart)
            begin += Torrent.Files[first++].Length;
        const std::vector<TTorrentSubFile> files(
            Listed.begin() + static_cast<std::ptrdiff_t>(first), Listed.begin() + static_cast<std::ptrdiff_t>(end));
        THashJob job;
        job.Files = files;
        job.PieceLength = Torrent.PieceLength;
        job.StartOffset = pieceStart - begin;
        job.LengthPolicy = TLengthPolicy::PadToListed;
        // The engine of create at every size: its threads, the files opened
        // ahead and the lanes pay off for many small files too.
        job.ThreadCount = Request.Threads;
        job.Abort = &Abort;
        TVerifyProgress progress(Observer);
        const THashResult hashed = HashFiles(job, progress);
        if (Abort.load())
            return TVerifyStatus::Aborted;
        if (hashed.Failed())
        {
            Message = hashed.Error.Message();
            return TVerifyStatus::ReadError;
        }
        for (std::size_t i = 0; i < hashed.Pieces.size() && piece + i < Matches.size(); ++i)
            Matches[piece + i] = Torrent.Pieces[piece + i].HashBytes() == hashed.Pieces[i].HashBytes();
        // What was read of such a file need not be what it holds now; a file
        // found wrong before the read (an empty entry that is not empty) keeps
        // that more precise problem.
        for (const std::size_t changed : hashed.ChangedFiles)
        {
            if (Problems[first + changed].empty())
                Problems[first + changed] = "changed while it was read";
        }
        return TVerifyStatus::Checked;
    }

    const TTorrentFile& Torrent;
    std::vector<TTorrentSubFile> Listed; // the torrent's files with what the first look saw
    const std::vector<bool>& Padding;
    const TVerifyRequest& Request;
    TCreateObserver& Observer;
    const std::atomic<bool>& Abort;
};

// Per file: its problem, or how many of its pieces differ.
void CountFiles(
    const TTorrentFile& torrent, const std::vector<bool>& padding, const TContentCheck& check, TVerifyResult& result)
{
    const int64_t pieceLength = torrent.PieceLength;
    int64_t offset = 0;
    result.TorrentPieces = torrent.Pieces.size();
    result.ContentPieces = check.PiecesMade;
    result.AllGood = torrent.Pieces.size() == check.PiecesMade;
    for (std::size_t f = 0; f < torrent.Files.size(); ++f)
    {
        const auto& file = torrent.Files[f];
        TVerifiedFile verified;
        verified.Path = torrent.MultiFile ? file.Path + file.Name : file.Name;
        verified.Length = file.Length;
        verified.Problem = check.Problems[f];
        std::size_t bad = 0;
        std::size_t count = 0;
        if (file.Length > 0)
        {
            const auto first = static_cast<std::size_t>(offset / pieceLength);
            const auto last = static_cast<std::size_t>((offset + file.Length - 1) / pieceLength);
            count = last - first + 1;
            // A file that is not there fails every piece it touches, unread.
            for (std::size_t i = first; i <= last && verified.Problem.empty(); ++i)
            {
                if (i >= check.Matches.size() || !check.Matches[i])
                    ++bad;
            }
            if (!verified.Problem.empty())
                bad = count;
        }
        offset += file.Length;
        if (padding[f])
            continue; // its pieces count with the files beside it
        verified.GoodPieces = count - bad;
        verified.BadPieces = bad;
        result.AllGood = result.AllGood && verified.Ok();
        result.Files.push_back(std::move(verified));
    }
}

} // namespace

std::string VerifiedFileLine(const TVerifiedFile& file)
{
    const std::string name = DisplayText(file.Path);
    if (!file.Problem.empty())
        return "FAILED  " + name + "  (" + file.Problem + ")";
    if (file.BadPieces > 0)
        return "FAILED  " + name + "  (" + std::to_string(file.BadPieces) + " of "
               + std::to_string(file.GoodPieces + file.BadPieces) + " pieces differ)";
    return "OK      " + name;
}

TVerifyResult VerifyContent(const TVerifyRequest& request, TCreateObserver& observer, const std::atomic<bool>& abort)
{
    TVerifyResult result;
    TTorrentFile torrent;
    std::vector<bool> padding;
    LoadTorrent(request.Torrent, torrent, padding, result);
    if (!result.Message.empty() || !FindContent(torrent, padding, request, result))
        return result;
    result.Message.clear();
    TContentCheck check(torrent, padding, request, observer, abort);
    result.Status = check.Run();
    result.Message = check.Message;
    if (result.Status == TVerifyStatus::Checked)
        CountFiles(torrent, padding, check, result);
    return result;
}

} // namespace brisolt
