// brisolt-cli verify: reads the content a torrent describes through the hashed
// storage and reports, per file, whether its pieces match.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/progress.h"
#include "core/torrentfile.h"
#include "hashing/hashedstorage.h"
#include "platform/abortsignal.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt::cli
{

namespace
{

struct TVerifyArgs
{
    std::string Torrent;
    std::string Content;
    int Threads = 0;
    bool Quiet = false;
    bool Json = false;
};

class TVerifyStorage final : public THashedStorage
{
public:
    TVerifyStorage(
        const std::vector<TTorrentSubFile>& files,
        int64_t pieceLength,
        TCliProgress& progress,
        const std::atomic<bool>& abort)
        : THashedStorage(files, pieceLength, true, {})
        , Progress(progress)
        , Abort(abort)
    {
        LengthPolicy = TLengthPolicy::PadToListed;
    }

protected:
    void FileStarted(const std::string& path, int64_t size) override { Progress.FileStarted(path, size); }

    void PieceHashed() override { Progress.PieceHashed(); }

    // One check may take several runs; the caller reports its end once.
    void ReportStatus(const std::string& status) override { (void)status; }

    bool IsAborted() override { return Abort.load(); }

private:
    TCliProgress& Progress;
    const std::atomic<bool>& Abort;
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

std::string CheckFile(const std::filesystem::path& path, int64_t length)
{
    const TPathInfo info = PathInfo(path);
    if (info.Kind == TPathKind::Missing)
        return "missing";
    if (info.Kind != TPathKind::RegularFile)
        return "not a regular file";
    if (info.Size != length)
        return "has " + std::to_string(info.Size) + " bytes, the torrent says " + std::to_string(length);
    return {};
}

int LoadTorrent(const TVerifyArgs& args, TTorrentFile& torrent, const TCliIo& io)
{
    std::string data;
    std::string reason;
    const TReadResult read = ReadWholeFile(NativePath(args.Torrent), kMaxMetainfoSize, data, reason);
    if (read == TReadResult::Failed)
    {
        io.Err << "brisolt-cli: cannot open " << args.Torrent << ": " << reason << '\n';
        return kExitFailure;
    }
    if (read == TReadResult::TooLarge)
        data.clear();
    torrent.Load(data);
    if (torrent.Files.empty())
    {
        for (const auto& line : torrent.Errors)
            io.Err << DisplayText(line) << '\n';
        io.Err << "brisolt-cli: " << args.Torrent << " holds no file entries\n";
        return kExitFailure;
    }
    if (torrent.PieceLength <= 0 || torrent.PieceLength > kMaxPieceLength)
    {
        io.Err << "brisolt-cli: " << args.Torrent << ": invalid piece length " << torrent.PieceLength << '\n';
        return kExitFailure;
    }
    int64_t total = 0;
    for (const auto& file : torrent.Files)
    {
        if (file.Length < 0 || file.Length > INT64_MAX - total)
        {
            io.Err << "brisolt-cli: " << args.Torrent << ": invalid file length " << file.Length << " of "
                   << DisplayText(file.Path + file.Name) << '\n';
            return kExitFailure;
        }
        total += file.Length;
    }
    for (const auto& file : torrent.Files)
    {
        if (!IsSafeElement(torrent.InfoName) || !IsSafeElement(file.Name) || !IsSafePath(file.Path))
        {
            io.Err << "brisolt-cli: " << args.Torrent << ": unsafe file path " << DisplayText(file.Path + file.Name)
                   << '\n';
            return kExitFailure;
        }
    }
    return kExitOk;
}

// Where each entry lies: a single file is CONTENT itself (or CONTENT/name when
// CONTENT is a folder); a multi-file torrent's folder lies inside CONTENT.
// The name is the info dictionary's, with any ".torrent" the loader drops for
// display.
void PlaceFiles(TTorrentFile& torrent, const std::filesystem::path& content)
{
    const bool contentIsFolder = PathInfo(content).Kind == TPathKind::Folder;
    for (auto& file : torrent.Files)
    {
        if (!torrent.MultiFile)
        {
            file.Name = torrent.InfoName;
            file.FullPath = PathBytes(contentIsFolder ? content / NativePath(torrent.InfoName) : content);
        }
        else
            file.FullPath =
                PathBytes(content / NativePath(torrent.InfoName) / NativeRelativePath(file.Path, file.Name));
    }
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
    TContentCheck(const TTorrentFile& torrent, const TVerifyArgs& args, const TCliIo& io)
        : Torrent(torrent)
        , Args(args)
        , Io(io)
        , Progress(io.Err, io.ErrIsTerminal && !args.Quiet)
    {
    }

    // False when an abort or a read error (told on Err) ended the check.
    bool Run()
    {
        const int64_t pieceLength = Torrent.PieceLength;
        int64_t total = 0;
        for (const auto& file : Torrent.Files)
        {
            Problems.push_back(CheckFile(NativePath(file.FullPath), file.Length));
            total += file.Length;
        }
        PiecesMade = static_cast<std::size_t>(total == 0 ? 0 : (total - 1) / pieceLength + 1);
        Matches.assign(std::min(PiecesMade, Torrent.Pieces.size()), false);
        Progress.TorrentStarted(NativePath(Args.Torrent), total, pieceLength, Torrent.Files.size());
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
            if (firstPiece < endPiece && !HashStretch(i, end, begin, firstPiece))
                return false;
            i = end;
        }
        Progress.ReportStatus("done");
        return true;
    }

    std::vector<std::string> Problems;
    std::vector<bool> Matches;
    std::size_t PiecesMade = 0;

private:
    // An empty file holds no piece's bytes, so even a missing one breaks no stretch.
    bool IsThere(std::size_t file) const { return Problems[file].empty() || Torrent.Files[file].Length == 0; }

    // Hashes the pieces from index piece on, which start in the stretch of files
    // [first, end) beginning at byte begin of the stream.
    bool HashStretch(std::size_t first, std::size_t end, int64_t begin, std::size_t piece)
    {
        const int64_t pieceStart = static_cast<int64_t>(piece) * Torrent.PieceLength;
        // Start in the file that holds the piece's first byte.
        while (begin + Torrent.Files[first].Length <= pieceStart)
            begin += Torrent.Files[first++].Length;
        const std::vector<TTorrentSubFile> files(
            Torrent.Files.begin() + static_cast<std::ptrdiff_t>(first),
            Torrent.Files.begin() + static_cast<std::ptrdiff_t>(end));
        TVerifyStorage storage(files, Torrent.PieceLength, Progress, Abort.Flag());
        storage.StartOffset = pieceStart - begin;
        int64_t bytes = -storage.StartOffset;
        for (const auto& file : files)
            bytes += file.Length;
        // A few pieces are not worth starting threads for.
        constexpr int64_t kThreadsFrom = 64 * 1024 * 1024;
        storage.ThreadCount = bytes < kThreadsFrom ? 1 : Args.Threads;
        storage.HashFiles();
        if (Abort.Flag().load())
        {
            Io.Err << "brisolt-cli: Operation abgebrochen!\n";
            return false;
        }
        if (storage.Failed())
        {
            Io.Err << "brisolt-cli: " << storage.ErrorMessage << '\n';
            return false;
        }
        for (std::size_t i = 0; i < storage.Pieces.size() && piece + i < Matches.size(); ++i)
            Matches[piece + i] = Torrent.Pieces[piece + i].HashBytes() == storage.Pieces[i].HashBytes();
        return true;
    }

    const TTorrentFile& Torrent;
    const TVerifyArgs& Args;
    const TCliIo& Io;
    TCliProgress Progress;
    TAbortOnSignal Abort;
};

// Per file: its problem, or how many of its pieces differ.
int ReportFiles(const TTorrentFile& torrent, const TContentCheck& check, const TVerifyArgs& args, const TCliIo& io)
{
    const int64_t pieceLength = torrent.PieceLength;
    int64_t offset = 0;
    bool allGood = torrent.Pieces.size() == check.PiecesMade;
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (std::size_t f = 0; f < torrent.Files.size(); ++f)
    {
        const auto& file = torrent.Files[f];
        const std::string& problem = check.Problems[f];
        std::size_t bad = 0;
        std::size_t count = 0;
        if (file.Length > 0)
        {
            const auto first = static_cast<std::size_t>(offset / pieceLength);
            const auto last = static_cast<std::size_t>((offset + file.Length - 1) / pieceLength);
            count = last - first + 1;
            // A file that is not there fails every piece it touches, unread.
            for (std::size_t i = first; i <= last && problem.empty(); ++i)
            {
                if (i >= check.Matches.size() || !check.Matches[i])
                    ++bad;
            }
            if (!problem.empty())
                bad = count;
        }
        offset += file.Length;
        const std::string name = DisplayText(torrent.MultiFile ? file.Path + file.Name : file.Name);
        allGood = allGood && problem.empty() && bad == 0;
        if (args.Json)
        {
            files.push_back(
                {{"path", name},
                 {"state", problem.empty() && bad == 0 ? "ok" : "failed"},
                 {"problem", problem.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(problem)},
                 {"good_pieces", count - bad},
                 {"bad_pieces", bad}});
            continue;
        }
        if (!problem.empty())
            io.Out << "FAILED  " << name << "  (" << problem << ")\n";
        else if (bad > 0)
            io.Out << "FAILED  " << name << "  (" << bad << " of " << count << " pieces differ)\n";
        else if (!args.Quiet)
            io.Out << "OK      " << name << '\n';
    }
    if (args.Json)
    {
        nlohmann::ordered_json j;
        j["ok"] = allGood;
        j["torrent_pieces"] = torrent.Pieces.size();
        j["content_pieces"] = check.PiecesMade;
        j["files"] = std::move(files);
        io.Out << j.dump(2) << '\n';
    }
    else if (torrent.Pieces.size() != check.PiecesMade)
        io.Out << "The torrent lists " << torrent.Pieces.size() << " pieces; its files make " << check.PiecesMade
               << '\n';
    return allGood ? kExitOk : kExitFailure;
}

int RunVerify(const TVerifyArgs& args, const TCliIo& io)
{
    if (args.Torrent.empty() || args.Content.empty())
    {
        io.Err << "brisolt-cli verify: an empty " << (args.Torrent.empty() ? "TORRENT" : "CONTENT")
               << " names no file or folder\n";
        return kExitUsage;
    }
    TTorrentFile torrent;
    if (const int code = LoadTorrent(args, torrent, io); code != kExitOk)
        return code;
    PlaceFiles(torrent, NativePath(args.Content));
    TContentCheck check(torrent, args, io);
    if (!check.Run())
        return kExitFailure;
    return ReportFiles(torrent, check, args, io);
}

} // namespace

void AddVerifyCommand(CLI::App& app, TCommandRunner& runner)
{
    auto args = std::make_shared<TVerifyArgs>();
    auto* verify = app.add_subcommand(
        "verify",
        "Check content against a torrent: reads the files the torrent describes and reports per file whether its "
        "pieces match.\nCONTENT is the file of a single-file torrent (or the folder holding it), or the folder "
        "holding a multi-file torrent's top folder.\nExit status: 0 when every piece matches, 1 otherwise, 2 for a "
        "usage error.");
    verify->add_option("TORRENT", args->Torrent, "The .torrent file")->required();
    verify->add_option("CONTENT", args->Content, "The content file or the folder holding it")->required();
    verify->add_option("--threads", args->Threads, "Hashing threads (default: hardware threads; 1 = sequential)")
        ->check(CLI::Range(1, 64));
    verify->add_flag("-q,--quiet", args->Quiet, "Print only the files that fail");
    verify->add_flag(
        "--json",
        args->Json,
        "Print one JSON object instead: per file its state (ok or failed), the problem and the counts of good and "
        "bad pieces");
    verify->callback(
        [args, &runner]
        {
            runner = [args](const TCliIo& io)
            {
                return RunVerify(*args, io);
            };
        });
}

} // namespace brisolt::cli
