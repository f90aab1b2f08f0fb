// brisolt-cli create: the create page's four sources from the command line,
// through the same create logic as the window.
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/progress.h"
#include "config/privatetrackers.h"
#include "config/settingsfile.h"
#include "config/trackerlist.h"
#include "create/collect.h"
#include "create/createextras.h"
#include "create/createtorrent.h"
#include "create/magnetlink.h"
#include "platform/abortsignal.h"
#include "platform/fileio.h"
#include "platform/installdir.h"
#include "platform/textconv.h"

namespace brisolt::cli
{

namespace
{

struct TCreateArgs
{
    std::vector<std::string> Sources;
    std::string Announce;
    std::string Output;
    std::string PieceSize = "auto";
    std::string MaxPieceLength;
    int64_t TargetPieces = 0;
    std::string Comment;
    bool ExactComment = false;
    bool NoDate = false;
    std::string Date;
    std::optional<std::string> CreatedBy;
    bool NoCreatedBy = false;
    bool Entropy = false;
    std::vector<std::string> Backups;
    std::string Source;
    std::vector<std::string> WebSeeds;
    std::vector<std::string> Excludes;
    std::vector<std::string> CaselessExcludes;
    std::vector<std::string> Includes;
    bool ExcludeJunk = false;
    bool NoHidden = false;
    bool PerEntry = false;
    std::string OutputFolder;
    bool KeepThumbs = false;
    int Threads = 0;
    bool Quiet = false;
    bool Json = false;
    std::string Batch; // a JSON file of jobs
};

enum class TKind
{
    Missing,
    File,
    Folder,
};

TKind KindOf(const std::filesystem::path& path, std::string* reason = nullptr)
{
    const TPathInfo info = PathInfo(path);
    if (info.Kind == TPathKind::Missing)
    {
        if (reason)
            *reason = SystemErrorText(info.Error);
        return TKind::Missing;
    }
    return info.Kind == TPathKind::Folder ? TKind::Folder : TKind::File;
}

// Absolute, without "." or ".." and without a trailing separator, so that the
// names and proposals are those of a path chosen in a dialog. ".." follows
// links as the system does.
std::filesystem::path Absolute(const std::string& source)
{
    std::string text = PathBytes(ResolvedPath(NativePath(source)));
    if (text.size() > 1)
        text = TrimTrailingSeparator(std::move(text));
    return NativePath(text);
}

// The trackers a name can stand for, as the window's tracker box offers them:
// the cached tracker list, then the user's own trackers from the settings
// file (the last entry of a name wins). Texts held as UTF-8.
std::vector<TTracker> KnownTrackers()
{
    const std::string folder = ReadInstallDir();
    return TrackerDirectory(
        LoadTrackerList(NativePath(folder + std::string(kTrackerListFileName))).Trackers,
        ReadPrivateTrackers(NativePath(folder + std::string(kSettingsFileName))));
}

// A tracker's name gives its announce URL; any other text is the URL itself.
// The command line never asks, so a tracker marked down only gets a warning.
std::string ResolveTracker(const std::vector<TTracker>& trackers, const std::string& text, const TCliIo& io)
{
    const int index = FindLastTracker(trackers, text);
    if (index < 0)
        return text;
    const TTracker& tracker = trackers[static_cast<std::size_t>(index)];
    if (tracker.Down)
        io.Err << "brisolt-cli: warning: the tracker " << text << " may be offline (marked down in the tracker list)\n";
    return tracker.Announce.empty() ? text : tracker.Announce;
}

int Usage(const TCliIo& io, const std::string& message)
{
    io.Err << "brisolt-cli create: " << message << '\n';
    return kExitUsage;
}

// Whether a filter beyond -x is on; then the summary says why files were left out.
bool ExplainsLeftOut(const TCreateArgs& args)
{
    return args.ExcludeJunk || args.NoHidden || !args.CaselessExcludes.empty() || !args.Includes.empty();
}

// " (junk: 2, hidden: 1)": the files left out counted by reason.
std::string LeftOutReasons(const TCreateResult& r)
{
    std::string text;
    for (const TLeftOut reason : {TLeftOut::Junk, TLeftOut::Hidden, TLeftOut::Excluded, TLeftOut::NotIncluded})
    {
        const auto count = std::count_if(
            r.LeftOutFiles.begin(), r.LeftOutFiles.end(), [&](const auto& file) { return file.second == reason; });
        if (count > 0)
            text += (text.empty() ? " (" : ", ") + std::string(LeftOutName(reason)) + ": " + std::to_string(count);
    }
    return text.empty() ? text : text + ")";
}

// What a written torrent is, read back from its file.
nlohmann::ordered_json WrittenJson(const TCreateResult& r, bool explain)
{
    nlohmann::ordered_json j;
    j["path"] = PathBytes(r.Output);
    j["info_hash"] = r.InfoHash;
    j["magnet"] = r.Magnet;
    j["piece_length"] = r.PieceLength;
    j["piece_count"] = r.PieceCount;
    j["total_length"] = r.TotalLength;
    j["file_count"] = r.FileCount;
    j["left_out"] = r.LeftOut;
    if (explain)
    {
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const auto& [path, why] : r.LeftOutFiles)
            files.push_back({{"path", path}, {"reason", LeftOutName(why)}});
        j["left_out_files"] = files;
    }
    return j;
}

// perEntry: a skipped entry is named once in the closing line and is no
// failure; a single torrent of zero bytes fails with its message.
int Report(const std::vector<TCreateResult>& results, const TCreateArgs& args, const TCliIo& io, bool perEntry = false)
{
    int code = kExitOk;
    nlohmann::ordered_json torrents = nlohmann::ordered_json::array();
    for (const auto& r : results)
    {
        if (r.Status == TCreateStatus::Written)
        {
            if (args.Json)
                torrents.push_back(WrittenJson(r, ExplainsLeftOut(args)));
            else if (!args.Quiet)
            {
                io.Out << PathBytes(r.Output) << ": " << r.FileCount << (r.FileCount == 1 ? " file, " : " files, ")
                       << r.TotalLength << " bytes, " << r.PieceCount << " pieces of " << r.PieceLength << " bytes";
                if (r.LeftOut > 0)
                    io.Out << "; " << r.LeftOut << (r.LeftOut == 1 ? " file" : " files") << " left out"
                           << (ExplainsLeftOut(args) ? LeftOutReasons(r) : "");
                io.Out << '\n';
            }
            continue;
        }
        if (perEntry && r.Status == TCreateStatus::Skipped)
            continue;
        io.Err << "brisolt-cli: " << r.Message << '\n';
        code = kExitFailure;
    }
    if (const std::string summary = perEntry ? PerEntrySummary(results) : std::string(); !summary.empty())
        io.Err << "brisolt-cli: " << summary << '\n';
    if (args.Json)
        io.Out << nlohmann::ordered_json{{"torrents", torrents}}.dump(2) << '\n';
    return code;
}

// Several files: all must lie in one folder; they are taken in the order of
// that folder's file list.
int RunSelection(
    const std::vector<std::filesystem::path>& sources, TCreateArgs& args, TCreateOptions& options, const TCliIo& io)
{
    const auto folder = sources.front().parent_path();
    std::vector<std::string> names;
    for (const auto& source : sources)
    {
        if (source.parent_path() != folder)
            return Usage(io, "several files must lie in one folder");
        names.push_back(PathBytes(source.filename()));
    }
    names = SortNames(std::move(names));
    const auto output = args.Output.empty() ? ProposeSelectionSaveName(folder, names) : NativePath(args.Output);
    TCreateRequest request;
    request.Kind = TCreateRequest::TKind::Selection;
    request.Source = folder;
    request.Selected = std::move(names);
    request.Output = output;
    return Report(CreateTorrents(request, options), args, io);
}

// "auto", the window's piece size list, and beyond it up to 64 MiB.
std::vector<std::string> PieceSizeChoices()
{
    std::vector<std::string> choices{"auto"};
    for (int i = 0; i < kPieceSizeCount; ++i)
        choices.push_back(PieceSizeItem(i));
    for (int64_t kib = 32768; kib <= kLargestRulePieceLength / 1024; kib *= 2)
        choices.push_back(std::to_string(kib) + "kb");
    return choices;
}

int RunCreate(TCreateArgs& args, const TCliIo& io, const std::atomic<bool>& abortFlag)
{
    if (args.PieceSize != "auto" && (!args.MaxPieceLength.empty() || args.TargetPieces > 0))
        return Usage(io, "-l sets the piece length; --max-piece-length and --target-pieces go with -l auto");
    if (args.PerEntry != !args.OutputFolder.empty())
        return Usage(io, "--per-entry and -O OUTDIR go together");
    if (args.PerEntry && !args.Output.empty())
        return Usage(io, "-o does not apply to --per-entry; use -O OUTDIR");
    std::vector<std::filesystem::path> sources;
    for (const auto& text : args.Sources)
    {
        if (text.empty())
            return Usage(io, "an empty SOURCE names no file or folder");
        auto path = Absolute(text);
        std::string reason;
        const TKind kind = KindOf(path, &reason);
        if (kind == TKind::Missing)
        {
            io.Err << "brisolt-cli: cannot use " << text << ": " << reason << '\n';
            return kExitFailure;
        }
        if (kind == TKind::Folder && args.Sources.size() > 1)
            return Usage(io, "a folder must be the only source");
        sources.push_back(std::move(path));
    }
    const TKind kind = KindOf(sources.front());

    TCreateOptions options;
    const std::vector<TTracker> trackers = KnownTrackers();
    options.AnnounceURL = ResolveTracker(trackers, args.Announce, io);
    options.CommentLines = SplitCommentLines(args.Comment);
    if (args.ExactComment)
        options.ExactComment = args.Comment;
    if (args.NoDate)
        options.Now = []
        {
            return 0.0;
        };
    else if (!args.Date.empty())
    {
        const std::optional<double> date = ParseCreationDate(args.Date);
        if (!date)
            return Usage(
                io,
                "--date takes @SECONDS or YYYY-MM-DD[THH:MM[:SS]] from 1970-01-01 to 2038-01-19T03:14:07, not "
                    + args.Date);
        options.Now = [value = *date]
        {
            return value;
        };
    }
    if (args.NoCreatedBy)
        options.CreatedBy = std::string();
    else
        options.CreatedBy = args.CreatedBy;
    options.Entropy = args.Entropy;
    if (args.PieceSize != "auto")
        options.PieceLength = ParsePieceLength(args.PieceSize);
    if (!args.MaxPieceLength.empty())
        options.MaxPieceLength = ParsePieceLength(args.MaxPieceLength);
    options.TargetPieces = args.TargetPieces;
    options.SkipThumbs = !args.KeepThumbs;
    for (const auto& row : args.Backups)
        options.BackupRows.push_back(ResolveTracker(trackers, row, io));
    options.Source = args.Source;
    options.WebSeeds = args.WebSeeds;
    options.Filter.Excludes = args.Excludes;
    options.Filter.CaselessExcludes = args.CaselessExcludes;
    options.Filter.Includes = args.Includes;
    options.Filter.Junk = args.ExcludeJunk;
    options.Filter.Hidden = args.NoHidden;
    options.ThreadCount = args.Threads;
    // A tracker named by -a brings its rules from the settings file.
    const TTrackerRules rules =
        ReadTrackerRules(TPrivateProfile(NativePath(ReadInstallDir() + std::string(kSettingsFileName))), args.Announce);
    if (const std::string problem = ApplyTrackerRules(rules, args.Announce, options); !problem.empty())
    {
        io.Err << "brisolt-cli: " << problem << '\n';
        return kExitFailure;
    }
    TCliProgress progress(io.Err, io.ErrIsTerminal && !args.Quiet);
    options.Observer = &progress;
    options.AbortRequested = &abortFlag;

    if (sources.size() > 1)
        return RunSelection(sources, args, options, io);
    TCreateRequest request;
    request.Source = sources.front();
    request.Kind = SourceKind(kind == TKind::Folder, args.PerEntry);
    if (request.Kind == TCreateRequest::TKind::PerEntry)
    {
        request.Target = Absolute(args.OutputFolder);
        return Report(CreateTorrents(request, options), args, io, true);
    }
    if (args.PerEntry) // a file gives its own torrent, as in the window
        request.Output = PerEntrySaveName(Absolute(args.OutputFolder), PathBytes(request.Source.filename()));
    else
        request.Output = args.Output.empty() ? ProposeSaveName(request.Source) : NativePath(args.Output);
    return Report(CreateTorrents(request, options), args, io);
}

// How a key of a batch job sets its field of the arguments; false for a
// value of the wrong type.
using TJobSetter = std::function<bool(const nlohmann::json&, TCreateArgs&)>;

TJobSetter TextField(std::string TCreateArgs::*field)
{
    return [field](const nlohmann::json& value, TCreateArgs& args)
    {
        if (!value.is_string())
            return false;
        args.*field = value.get<std::string>();
        return true;
    };
}

TJobSetter ListField(std::vector<std::string> TCreateArgs::*field)
{
    return [field](const nlohmann::json& value, TCreateArgs& args)
    {
        std::vector<std::string> items;
        for (const auto& item : value.is_array() ? value : nlohmann::json::array({value}))
        {
            if (!item.is_string())
                return false;
            items.push_back(item.get<std::string>());
        }
        args.*field = std::move(items);
        return true;
    };
}

TJobSetter FlagField(bool TCreateArgs::*field)
{
    return [field](const nlohmann::json& value, TCreateArgs& args)
    {
        if (!value.is_boolean())
            return false;
        args.*field = value.get<bool>();
        return true;
    };
}

const std::map<std::string, TJobSetter>& JobKeys()
{
    static const std::map<std::string, TJobSetter> keys{
        {"source", ListField(&TCreateArgs::Sources)},
        {"tracker", TextField(&TCreateArgs::Announce)},
        {"output", TextField(&TCreateArgs::Output)},
        {"source_tag", TextField(&TCreateArgs::Source)},
        {"comment", TextField(&TCreateArgs::Comment)},
        {"backup", ListField(&TCreateArgs::Backups)},
        {"web_seed", ListField(&TCreateArgs::WebSeeds)},
        {"exclude", ListField(&TCreateArgs::Excludes)},
        {"iexclude", ListField(&TCreateArgs::CaselessExcludes)},
        {"include", ListField(&TCreateArgs::Includes)},
        {"exclude_junk", FlagField(&TCreateArgs::ExcludeJunk)},
        {"no_hidden", FlagField(&TCreateArgs::NoHidden)},
        {"entropy", FlagField(&TCreateArgs::Entropy)},
        {"piece_length", TextField(&TCreateArgs::PieceSize)},
        {"max_piece_length", TextField(&TCreateArgs::MaxPieceLength)},
        {"target_pieces",
         [](const nlohmann::json& value, TCreateArgs& args)
         {
             if (!value.is_number_integer() || value.get<int64_t>() <= 0)
                 return false;
             args.TargetPieces = value.get<int64_t>();
             return true;
         }},
    };
    return keys;
}

// The job's arguments over the command line's, paths taken from the jobs
// file's folder; what is wrong with the job, or "" when nothing is.
std::string ApplyJob(const nlohmann::json& job, const std::filesystem::path& folder, TCreateArgs& args)
{
    if (!job.is_object())
        return "is not an object";
    args.Sources.clear();
    args.Output.clear();
    for (const auto& [key, value] : job.items())
    {
        const auto setter = JobKeys().find(key);
        if (setter == JobKeys().end())
            return "has an unknown key \"" + key + "\"";
        if (!setter->second(value, args))
            return "has a value of the wrong kind for \"" + key + "\"";
    }
    const auto inFolder = [&](std::string& text)
    {
        if (!text.empty() && NativePath(text).is_relative())
            text = PathBytes(folder / NativePath(text));
    };
    for (auto& source : args.Sources)
        inFolder(source);
    inFolder(args.Output);
    if (args.Sources.empty())
        return "has no \"source\"";
    if (args.Announce.empty())
        return "has no \"tracker\" (and no -a was given)";
    if (const auto choices = PieceSizeChoices();
        std::find(choices.begin(), choices.end(), args.PieceSize) == choices.end())
        return "has a \"piece_length\" that is not one of -l's";
    if (!args.MaxPieceLength.empty() && ParsePieceLength(args.MaxPieceLength) <= 0)
        return "has a \"max_piece_length\" that is not a power of two from 16kb to 65536kb";
    return {};
}

// Every job is checked before the first one runs, so that a mistake in the
// last job costs no hashing; then they run in turn, the failure of one not
// stopping the next, until Ctrl-C.
int RunBatch(const TCreateArgs& defaults, const TCliIo& io)
{
    if (!defaults.Sources.empty() || !defaults.Output.empty() || defaults.PerEntry || defaults.Json)
        return Usage(io, "--batch takes sources and outputs from its jobs: no SOURCE, -o, --per-entry or --json");
    constexpr uint64_t kMaxJobsFileSize = 16u * 1024 * 1024;
    const TResult<std::string> read = ReadWholeFile(NativePath(defaults.Batch), kMaxJobsFileSize);
    if (!read)
    {
        io.Err << "brisolt-cli: cannot read " << defaults.Batch << ": " << read.Error().Reason() << '\n';
        return kExitFailure;
    }
    const std::string& text = *read;
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded())
        return Usage(io, defaults.Batch + " is not JSON");
    const nlohmann::json& jobs = document.is_object() && document.contains("jobs") ? document["jobs"] : document;
    if (!jobs.is_array() || jobs.empty())
        return Usage(io, defaults.Batch + " holds no list of jobs (an array, or an object with \"jobs\")");
    const std::filesystem::path folder = Absolute(defaults.Batch).parent_path();
    std::vector<TCreateArgs> runs;
    for (std::size_t i = 0; i < jobs.size(); ++i)
    {
        TCreateArgs args = defaults;
        args.Batch.clear();
        if (const std::string problem = ApplyJob(jobs[i], folder, args); !problem.empty())
            return Usage(io, "job " + std::to_string(i + 1) + " of " + defaults.Batch + " " + problem);
        runs.push_back(std::move(args));
    }
    TAbortOnSignal abort;
    std::size_t done = 0;
    std::size_t failed = 0;
    for (auto& args : runs)
    {
        if (abort.Flag().load())
            break;
        (RunCreate(args, io, abort.Flag()) == kExitOk ? done : failed) += 1;
    }
    const std::size_t notRun = runs.size() - done - failed;
    io.Err << "brisolt-cli: batch: " << runs.size() << (runs.size() == 1 ? " job, " : " jobs, ") << done << " done, "
           << failed << " failed";
    if (notRun > 0)
        io.Err << ", " << notRun << " not run (aborted)";
    io.Err << '\n';
    return failed == 0 && notRun == 0 ? kExitOk : kExitFailure;
}

// A usage error worded as the parser words its own.
int Required(const TCliIo& io, const char* what)
{
    io.Err << what << " is required\nRun with --help for more information.\n";
    return kExitUsage;
}

} // namespace

void AddCreateCommand(CLI::App& app, TCommandRunner& runner)
{
    auto args = std::make_shared<TCreateArgs>();
    auto* create = app.add_subcommand(
        "create",
        "Create a .torrent file. One file gives a single-file torrent; one folder gives a torrent of its whole tree "
        "(or, with --per-entry, one torrent for each entry directly inside it); several files of one folder give "
        "one torrent named after the folder.\nExit status: 0 when every torrent was written, 1 when one failed or "
        "was aborted (Ctrl-C; nothing is written), 2 for a usage error.");
    create->add_option("SOURCE", args->Sources, "A file, a folder, or several files of one folder");
    auto* announce = create->add_option(
        "-a,--announce",
        args->Announce,
        "Announce URL, or a tracker's name from the cached tracker list or your own trackers (required, but for "
        "--batch jobs that name their tracker)");
    create->add_option("-o,--output", args->Output, "Output file (default: the source followed by .torrent)");
    const std::vector<std::string> choices = PieceSizeChoices();
    std::string choiceText;
    for (const auto& choice : choices)
        choiceText += (choiceText.empty() ? "" : "|") + choice;
    create->add_option("-l,--piece-size", args->PieceSize, "Piece size: " + choiceText)->check(CLI::IsMember(choices));
    create
        ->add_option(
            "--max-piece-length",
            args->MaxPieceLength,
            "Largest piece length of the automatic choice, a power of two from 16kb to 65536kb (e.g. 8192kb, 8MiB)")
        ->type_name("SIZE")
        ->check(
            [](const std::string& text) {
                return ParsePieceLength(text) > 0 ? std::string() : "not a power of two from 16 KiB to 64 MiB: " + text;
            });
    create
        ->add_option(
            "--target-pieces",
            args->TargetPieces,
            "Automatic choice: the smallest power of two from 16kb to 65536kb that gives at most N pieces, instead of "
            "the size table")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    create->add_option("-c,--comment", args->Comment, "Comment; each line (split at LF) is ended with CR LF");
    create->add_flag(
        "--exact-comment",
        args->ExactComment,
        "Write the comment exactly as given: no CR LF line ends, no suffix naming the program");
    auto* noDate = create->add_flag(
        "--no-date", args->NoDate, "Write no creation date (the same content and options give the same bytes)");
    create
        ->add_option(
            "--date",
            args->Date,
            "Creation date: @SECONDS since 1970 (written as given) or YYYY-MM-DD[THH:MM[:SS]] (written as the "
            "program writes its local time)")
        ->type_name("WHEN")
        ->excludes(noDate);
    auto* noCreatedBy = create->add_flag("--no-created-by", args->NoCreatedBy, "Write no \"created by\"");
    create->add_option("--created-by", args->CreatedBy, "Write TEXT as \"created by\" instead of the program's name")
        ->type_name("TEXT")
        ->excludes(noCreatedBy);
    create->add_flag(
        "--entropy",
        args->Entropy,
        "A random \"entropy\" key in the info dictionary: a new info hash for the same content (cross-seeding)");
    create->add_option("-b,--backup", args->Backups, "Backup tracker URL or name, as for -a (repeatable, in order)");
    create->add_option(
        "-s,--source", args->Source, "Source tag in the info dictionary (a distinct info hash, e.g. for a tracker)");
    create->add_option("-w,--web-seed", args->WebSeeds, "Web seed URL (BEP 19 url-list; repeatable, in order)");
    create->add_option(
        "-x,--exclude",
        args->Excludes,
        "Leave out the files of a folder or selection whose name or path below the top folder matches this "
        "shell-style pattern: * (any characters, / included), ?, [a-z] (repeatable), e.g. '*.nfo' or 'Sample/*'");
    create->add_option(
        "--iexclude",
        args->CaselessExcludes,
        "As -x, ignoring letter case, with path rules: * stays within one folder level, ** crosses levels "
        "(repeatable), e.g. '*.NFO' or 'sample/**'");
    create->add_option(
        "--include",
        args->Includes,
        "Only the files whose name or path matches one of these patterns (* within one folder level, ** across; "
        "repeatable), e.g. '*.mkv'");
    create->add_flag(
        "--exclude-junk",
        args->ExcludeJunk,
        "Leave out .DS_Store, desktop.ini, Thumbs.db, *:Zone.Identifier and the folders @eaDir and .AppleDouble, "
        "in any letter case");
    create->add_flag("--no-hidden", args->NoHidden, "Leave out files and folders whose names start with \".\"");
    create->add_flag("--per-entry", args->PerEntry, "One torrent for each entry directly inside the folder");
    create->add_option("-O,--output-dir", args->OutputFolder, "Folder for the --per-entry torrents");
    create->add_flag("--keep-thumbs", args->KeepThumbs, "Keep files named thumbs.db (left out by default)");
    create->add_option("--threads", args->Threads, "Hashing threads (default: hardware threads; 1 = sequential)")
        ->check(CLI::Range(1, 64));
    create->add_flag("-q,--quiet", args->Quiet, "No progress and no summary");
    create->add_flag(
        "--json",
        args->Json,
        "Print one JSON object instead of the summary: per torrent written its path, info hash, magnet link, piece "
        "length, piece count, total length, file count and files left out");
    create
        ->add_option(
            "--batch",
            args->Batch,
            "Run the jobs of a JSON file in turn: an array of objects (or {\"jobs\": [...]}) with the keys source "
            "(one or a list), tracker (URL or name), output, source_tag, comment, backup, web_seed, exclude, iexclude, "
            "include, exclude_junk, no_hidden, entropy, piece_length, max_piece_length, target_pieces; relative paths "
            "start at the file's folder, other options given here apply to every job. One summary, exit status 0 "
            "only when every job was done")
        ->type_name("JOBS");
    create->callback(
        [args, announce, &runner]
        {
            const bool announced = announce->count() > 0;
            runner = [args, announced](const TCliIo& io)
            {
                if (!args->Batch.empty())
                    return RunBatch(*args, io);
                if (args->Sources.empty())
                    return Required(io, "SOURCE");
                if (!announced)
                    return Required(io, "--announce");
                TAbortOnSignal abort;
                return RunCreate(*args, io, abort.Flag());
            };
        });
}

} // namespace brisolt::cli
