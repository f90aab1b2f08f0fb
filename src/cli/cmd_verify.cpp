// brisolt-cli verify: checks content against a torrent (create/verify) and
// reports, per file, whether its pieces match.
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/progress.h"
#include "create/verify.h"
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

// Per file: its problem, or how many of its pieces differ.
int ReportFiles(const TVerifyResult& result, const TVerifyArgs& args, const TCliIo& io)
{
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const auto& file : result.Files)
    {
        if (args.Json)
        {
            files.push_back(
                {{"path", DisplayText(file.Path)},
                 {"state", file.Ok() ? "ok" : "failed"},
                 {"problem", file.Problem.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(file.Problem)},
                 {"good_pieces", file.GoodPieces},
                 {"bad_pieces", file.BadPieces}});
            continue;
        }
        if (!file.Ok() || !args.Quiet)
            io.Out << VerifiedFileLine(file) << '\n';
    }
    if (args.Json)
    {
        nlohmann::ordered_json j;
        j["ok"] = result.AllGood;
        j["torrent_pieces"] = result.TorrentPieces;
        j["content_pieces"] = result.ContentPieces;
        j["files"] = std::move(files);
        io.Out << j.dump(2) << '\n';
    }
    else if (result.TorrentPieces != result.ContentPieces)
        io.Out << "The torrent lists " << result.TorrentPieces << " pieces; its files make " << result.ContentPieces
               << '\n';
    return result.AllGood ? kExitOk : kExitFailure;
}

int RunVerify(const TVerifyArgs& args, const TCliIo& io)
{
    if (args.Torrent.empty() || args.Content.empty())
    {
        io.Err << "brisolt-cli verify: an empty " << (args.Torrent.empty() ? "TORRENT" : "CONTENT")
               << " names no file or folder\n";
        return kExitUsage;
    }
    TVerifyRequest request;
    request.Torrent = NativePath(args.Torrent);
    request.Content = NativePath(args.Content);
    request.Threads = args.Threads;
    TCliProgress progress(io.Err, io.ErrIsTerminal && !args.Quiet);
    TAbortOnSignal abort;
    const TVerifyResult result = VerifyContent(request, progress, abort.Flag());
    if (!result.Note.empty())
        io.Err << "brisolt-cli: " << result.Note << '\n';
    switch (result.Status)
    {
    case TVerifyStatus::Checked:
        return ReportFiles(result, args, io);
    case TVerifyStatus::NotFound:
    case TVerifyStatus::NotLoaded:
        for (const auto& line : result.LoaderLines)
            io.Err << line << '\n';
        break;
    case TVerifyStatus::Aborted:
        io.Err << "brisolt-cli: Operation abgebrochen!\n";
        return kExitFailure;
    case TVerifyStatus::ReadError:
        break;
    }
    io.Err << "brisolt-cli: " << result.Message << '\n';
    return kExitFailure;
}

} // namespace

void AddVerifyCommand(CLI::App& app, TCommandRunner& runner)
{
    auto args = std::make_shared<TVerifyArgs>();
    auto* verify = app.add_subcommand(
        "verify",
        "Check content against a torrent: reads the files the torrent describes and reports per file whether its "
        "pieces match.\nCONTENT is the torrent's own file or top folder, or the folder holding it (where both hold "
        "files of the torrent, the one with more of them, and standard error says which). Padding files are not "
        "looked for: their bytes are zeros.\nExit status: 0 when every piece matches, 1 otherwise, 2 for a "
        "usage error.");
    verify->add_option("TORRENT", args->Torrent, "The .torrent file")->required();
    verify->add_option("CONTENT", args->Content, "The content file or top folder, or the folder holding it")
        ->required();
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
