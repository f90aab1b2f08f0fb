// brisolt-cli verify: reads the content a torrent describes through the hashed
// storage and reports, per file, whether its pieces match.
#include <algorithm>
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

    void ReportStatus(const std::string& status) override { Progress.ReportStatus(status); }

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
    const TReadResult read = ReadWholeFile(args.Torrent, kMaxMetainfoSize, data, reason);
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
    for (const auto& file : torrent.Files)
    {
        if (!IsSafeElement(torrent.Name) || !IsSafeElement(file.Name) || !IsSafePath(file.Path))
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
void PlaceFiles(TTorrentFile& torrent, const std::filesystem::path& content)
{
    const bool contentIsFolder = PathInfo(content).Kind == TPathKind::Folder;
    for (auto& file : torrent.Files)
    {
        if (!torrent.MultiFile)
            file.FullPath = (contentIsFolder ? content / torrent.Name : content).string();
        else
            file.FullPath = (content / torrent.Name / NativeRelativePath(file.Path, file.Name)).string();
    }
}

// Per file: its problem, or how many of its pieces differ.
int ReportFiles(const TTorrentFile& torrent, const THashedStorage& storage, const TVerifyArgs& args, const TCliIo& io)
{
    const auto pieceMatches = [&](std::size_t i)
    {
        return i < torrent.Pieces.size() && i < storage.Pieces.size()
               && torrent.Pieces[i].HashBytes() == storage.Pieces[i].HashBytes();
    };
    const int64_t pieceLength = torrent.PieceLength;
    int64_t offset = 0;
    bool allGood = torrent.Pieces.size() == storage.Pieces.size();
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const auto& file : torrent.Files)
    {
        const std::string problem = CheckFile(file.FullPath, file.Length);
        std::size_t bad = 0;
        std::size_t count = 0;
        if (file.Length > 0)
        {
            const auto first = static_cast<std::size_t>(offset / pieceLength);
            const auto last = static_cast<std::size_t>((offset + file.Length - 1) / pieceLength);
            count = last - first + 1;
            for (std::size_t i = first; i <= last; ++i)
            {
                if (!pieceMatches(i))
                    ++bad;
            }
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
        j["content_pieces"] = storage.Pieces.size();
        j["files"] = std::move(files);
        io.Out << j.dump(2) << '\n';
    }
    else if (torrent.Pieces.size() != storage.Pieces.size())
    {
        io.Out << "The torrent lists " << torrent.Pieces.size() << " pieces; its files make " << storage.Pieces.size()
               << '\n';
    }
    return allGood ? kExitOk : kExitFailure;
}

int RunVerify(const TVerifyArgs& args, const TCliIo& io)
{
    TTorrentFile torrent;
    if (const int code = LoadTorrent(args, torrent, io); code != kExitOk)
        return code;
    PlaceFiles(torrent, args.Content);
    TCliProgress progress(io.Err, io.ErrIsTerminal && !args.Quiet);
    int64_t total = 0;
    for (const auto& file : torrent.Files)
        total += file.Length;
    progress.TorrentStarted(args.Torrent, total, torrent.PieceLength, torrent.Files.size());
    TAbortOnSignal abort;
    TVerifyStorage storage(torrent.Files, torrent.PieceLength, progress, abort.Flag());
    storage.ThreadCount = args.Threads;
    storage.HashFiles();
    if (abort.Flag().load())
    {
        io.Err << "brisolt-cli: Operation abgebrochen!\n";
        return kExitFailure;
    }
    if (storage.Failed())
    {
        io.Err << "brisolt-cli: " << storage.ErrorMessage << '\n';
        return kExitFailure;
    }
    return ReportFiles(torrent, storage, args, io);
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
