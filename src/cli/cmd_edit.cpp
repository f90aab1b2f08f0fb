// brisolt-cli edit: what the edit page changes in a torrent, written back with
// the piece hashes it was loaded with, in place or to another file.
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "core/oledate.h"
#include "create/createtorrent.h"
#include "create/edittorrent.h"
#include "create/loadtorrent.h"
#include "platform/abortsignal.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt::cli
{

namespace
{

struct TEditArgs
{
    std::vector<std::string> Files;
    std::string Output;
    std::optional<std::string> Announce;
    std::optional<std::string> Name;
    std::optional<std::string> Comment;
    bool ResetDate = false;
    std::vector<std::string> Backups;
    bool NoBackup = false;
    std::vector<std::string> Renames;
    std::optional<std::string> Source;
    bool NoSource = false;
    std::vector<std::string> WebSeeds;
    bool NoWebSeeds = false;
    bool KeepInfoHash = false;
    // OLD and NEW of --replace-announce, when given.
    std::optional<std::pair<std::string, std::string>> ReplaceAnnounce;
    bool DryRun = false;
};

struct TRename
{
    std::size_t Index = 0;
    std::string Text;
};

// "INDEX=PATH" with folders separated by / or \, as the file row's text.
std::optional<TRename> ParseRename(const std::string& arg)
{
    const auto equals = arg.find('=');
    if (equals == std::string::npos || equals == 0)
        return std::nullopt;
    TRename rename;
    const char* end = arg.data() + equals;
    const auto [ptr, error] = std::from_chars(arg.data(), end, rename.Index);
    if (error != std::errc() || ptr != end)
        return std::nullopt;
    rename.Text = arg.substr(equals + 1);
    return rename;
}

int Usage(const TCliIo& io, const std::string& message)
{
    io.Err << "brisolt-cli edit: " << message << "\nRun with --help for more information.\n";
    return kExitUsage;
}

int Fail(const TCliIo& io, const std::string& message)
{
    io.Err << "brisolt-cli: " << message << '\n';
    return kExitFailure;
}

// For tests of edits that meet: with BRISOLT_TEST_EDIT_PAUSE=P in the
// environment, an edit that has read its torrent makes the file P.read, then
// waits while P exists (a minute at most, or until aborted).
void PauseForTest(const std::atomic<bool>& abort)
{
    const char* gate = std::getenv("BRISOLT_TEST_EDIT_PAUSE");
    if (!gate || *gate == '\0')
        return;
    (void)WriteFileAtomic(NativePath(std::string(gate) + ".read"), "");
    for (int i = 0; i < 6000 && !abort.load() && PathInfo(NativePath(gate)).Kind != TPathKind::Missing; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool SameIdentity(const TPathInfo& a, const TPathInfo& b)
{
    return a.Kind != TPathKind::Missing && a.Kind == b.Kind && a.Device == b.Device && a.Inode == b.Inode;
}

// Replaces every occurrence of from in url by to; true when there was one.
bool ReplaceAll(std::string& url, const std::string& from, const std::string& to)
{
    bool replaced = false;
    for (std::size_t at = 0; (at = url.find(from, at)) != std::string::npos; at += to.size())
    {
        url.replace(at, from.size(), to);
        replaced = true;
    }
    return replaced;
}

// The tracker addresses (announce and backups) that --replace-announce changed.
std::size_t ReplaceAnnounce(TTorrentFile& torrent, const std::pair<std::string, std::string>& change)
{
    std::size_t changed = ReplaceAll(torrent.Announce, change.first, change.second) ? 1u : 0u;
    for (auto& url : torrent.BackupTrackers)
        changed += ReplaceAll(url, change.first, change.second) ? 1u : 0u;
    return changed;
}

// Why the arguments cannot run, or "" when they can.
std::string UsageProblem(const TEditArgs& args)
{
    if (args.NoBackup && !args.Backups.empty())
        return "--backup and --no-backup exclude each other";
    if (args.NoWebSeeds && !args.WebSeeds.empty())
        return "--web-seed and --no-web-seeds exclude each other";
    // One name, one list of file entries, one output: they belong to one torrent.
    if (args.Files.size() > 1 && (!args.Output.empty() || args.Name || !args.Renames.empty()))
        return "-o, --name and --rename take a single FILE";
    if (args.ReplaceAnnounce)
    {
        if (args.ReplaceAnnounce->first.empty())
            return "--replace-announce needs a text to replace (OLD is empty)";
        if (args.Announce || args.NoBackup || !args.Backups.empty())
            return "--replace-announce cannot go with --announce, --backup or --no-backup";
    }
    if (args.KeepInfoHash)
    {
        // Any of these rewrites the info dictionary, and with it the info hash.
        const std::array<std::pair<bool, const char*>, 4> infoOptions{
            {{args.Name.has_value(), "--name"},
             {!args.Renames.empty(), "--rename"},
             {args.Source.has_value(), "--source"},
             {args.NoSource, "--no-source"}}};
        for (const auto& [given, option] : infoOptions)
        {
            if (given)
                return std::string(option) + " changes the info dictionary and so cannot go with --keep-info-hash";
        }
    }
    for (const auto& arg : args.Renames)
    {
        if (!ParseRename(arg))
            return "--rename takes INDEX=PATH, not " + arg;
    }
    return {};
}

// One torrent: loaded, changed, checked and written (or, with --dry-run,
// only told). 0, or kExitFailure with the reason on standard error.
int EditOne(
    const TEditArgs& args,
    const std::string& file,
    const std::vector<TRename>& renames,
    const std::atomic<bool>& abortFlag,
    const TCliIo& io)
{
    const std::string aborted(kAbortedMessage);
    // Brisolt edits of one file take turns, and the file as read is what
    // the write checks for changes by other programs.
    TFileLock lock;
    if (const int err = lock.Lock(NativePath(file), &abortFlag); err != 0)
        return Fail(io, err == ECANCELED ? aborted : FileMessage(file, "geöffnet", SystemErrorText(err)));
    const TPathInfo read = lock.Info();
    const std::filesystem::path output = NativePath(args.Output.empty() ? file : args.Output);
    const bool overRead = args.Output.empty() || SameIdentity(PathInfo(output), read);

    TTorrentFile torrent;
    if (!LoadTorrentForEdit(NativePath(file), torrent))
    {
        io.Err << "brisolt-cli: " << file << " did not load:\n" << DisplayText(LoaderMessage(torrent));
        if (const TResult<std::string> data = ReadWholeFile(NativePath(file), kMaxMetainfoSize);
            data && ReadTorrentFacts(*data).Version == TMetaVersion::V2)
            io.Err << "brisolt-cli: " << kV2OnlyMessage << '\n';
        return kExitFailure;
    }

    if (!renames.empty() && !torrent.MultiFile)
        return Fail(io, "a single-file torrent's file is renamed with --name");
    for (const auto& rename : renames)
    {
        if (rename.Index >= torrent.Files.size())
            return Fail(
                io,
                "no file entry " + std::to_string(rename.Index) + " (the torrent has "
                    + std::to_string(torrent.Files.size()) + ")");
        RenameFileEntry(torrent, rename.Index, rename.Text);
    }
    if (args.Announce)
        torrent.Announce = *args.Announce;
    if (args.Name)
        SetTorrentName(torrent, *args.Name);
    if (args.Comment)
        torrent.Comment = CrLfLineBreaks(*args.Comment);
    if (args.ResetDate)
        torrent.CreationDate = LocalNowOle();
    if (args.NoBackup)
        torrent.BackupTrackers.clear();
    else if (!args.Backups.empty())
        SetBackupTrackers(torrent, true, args.Backups, {});
    if (args.Source)
        torrent.Source = *args.Source;
    if (args.NoSource)
        torrent.Source.clear();
    if (args.NoWebSeeds)
        torrent.WebSeeds.clear();
    else if (!args.WebSeeds.empty())
        torrent.WebSeeds = args.WebSeeds;
    std::size_t replaced = 0;
    if (args.ReplaceAnnounce)
    {
        replaced = ReplaceAnnounce(torrent, *args.ReplaceAnnounce);
        // Nothing to change is no reason to write the file anew.
        if (replaced == 0)
        {
            io.Out << PathBytes(output) << ": unchanged, no tracker address contains "
                   << DisplayText(args.ReplaceAnnounce->first) << '\n';
            return kExitOk;
        }
        std::vector<std::string> addresses = torrent.BackupTrackers;
        addresses.push_back(torrent.Announce);
        for (const auto& address : addresses)
        {
            if (const std::string problem = AddressProblem(address); !problem.empty())
                return Fail(io, file + ": " + problem);
        }
    }

    const std::string bytes = EditedTorrentBytes(torrent, args.KeepInfoHash);
    // The info hash of what is written: a change inside the info dictionary changes it.
    TTorrentFile written;
    written.Load(bytes);
    if (args.DryRun)
    {
        io.Out << PathBytes(output) << ": would be written";
        if (args.ReplaceAnnounce)
            io.Out << ", " << replaced << (replaced == 1 ? " tracker address" : " tracker addresses") << " changed";
        io.Out << "; info hash " << written.InfoHashText
               << (written.InfoHashText == torrent.InfoHashText ? " stays" : " is new") << '\n';
        return kExitOk;
    }
    PauseForTest(abortFlag);
    if (abortFlag.load())
        return Fail(io, aborted);
    switch (const int err = ReplaceFile(output, bytes, overRead ? &read : nullptr, &abortFlag))
    {
    case 0:
        break;
    case ECANCELED:
        return Fail(io, aborted);
    case kErrChangedMeanwhile:
        return Fail(io, ChangedMeanwhileMessage(output) + " Nichts wurde geschrieben.");
    default:
        return Fail(io, WriteErrorMessage(output) + ": " + SystemErrorText(err));
    }
    io.Out << PathBytes(output) << ": " << written.InfoHashText << '\n';
    return kExitOk;
}

// Each FILE in turn, one line each; the first failure does not stop the rest,
// Ctrl-C does.
int RunEdit(const TEditArgs& args, const TCliIo& io)
{
    if (const std::string problem = UsageProblem(args); !problem.empty())
        return Usage(io, problem);
    std::vector<TRename> renames;
    for (const auto& arg : args.Renames)
        renames.push_back(*ParseRename(arg));
    std::vector<std::string> addresses = args.Backups;
    addresses.insert(addresses.end(), args.WebSeeds.begin(), args.WebSeeds.end());
    if (args.Announce)
        addresses.push_back(*args.Announce);
    for (const auto& address : addresses)
    {
        if (const std::string problem = AddressProblem(address); !problem.empty())
            return Fail(io, problem);
    }
    // Ctrl-C, SIGTERM or a closed terminal end the edit before its write.
    TAbortOnSignal abort;
    int status = kExitOk;
    for (const auto& file : args.Files)
    {
        if (abort.Flag().load())
            return Fail(io, std::string(kAbortedMessage));
        try
        {
            if (EditOne(args, file, renames, abort.Flag(), io) != kExitOk)
                status = kExitFailure;
        }
        catch (const EEditError& error)
        {
            // The edit rule's refusals (an invalid result, a refused name or rename).
            Fail(io, DisplayText(error.what()));
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace

void AddEditCommand(CLI::App& app, TCommandRunner& runner)
{
    auto args = std::make_shared<TEditArgs>();
    auto* edit = app.add_subcommand(
        "edit",
        "Change a torrent's metadata as the edit page does and write it back with its own piece hashes, in place or "
        "to -o OUT (through a temporary file, so a failed write leaves the old file). Prints the written file and "
        "its info hash. What was not changed keeps its bytes: the info dictionary, and with it the info hash, unless "
        "--name, --rename or --source change it (then only those values are written anew), and every key outside it "
        "that no option names. As on the edit page, the comment gets CR LF line breaks and the writer's comment "
        "suffix on every save. A result that lacks what a client needs is not written. Several FILEs get the same "
        "changes, each in turn, one line each.\nExit status: 0 when every FILE was written (or left as it was), 1 "
        "when one did not load (the loader's lines on standard error) or could not be written, 2 for a usage error.");
    edit->add_option("FILE", args->Files, "The .torrent file; several with the same changes, one line each")
        ->required();
    edit->add_option("-o,--output", args->Output, "Write here instead of over FILE");
    edit->add_option("--announce", args->Announce, "New announce URL");
    edit->add_option("--name", args->Name, "New name (a single-file torrent's file is renamed with it)");
    edit->add_option("--comment", args->Comment, "New comment (empty: none)");
    edit->add_flag("--reset-date", args->ResetDate, "Set the creation date to now");
    edit->add_option("--backup", args->Backups, "Backup tracker URL (repeatable, in order; replaces the list)");
    edit->add_flag("--no-backup", args->NoBackup, "Write no backup trackers");
    edit->add_option(
        "--rename",
        args->Renames,
        "INDEX=PATH: file entry INDEX (from 0, in the order show lists them) becomes PATH, folders separated by / "
        "or \\; a PATH without a separator renames the file in its folder (repeatable)");
    auto* noSource = edit->add_flag(
        "--no-source",
        args->NoSource,
        "Write no source tag (a new info hash, e.g. to cross-seed on another tracker); refused with "
        "--keep-info-hash");
    edit->add_option("--source", args->Source, "Source tag in the info dictionary (empty: none)")->excludes(noSource);
    edit->add_option("--web-seed", args->WebSeeds, "Web seed URL (BEP 19 url-list; repeatable, in order)");
    edit->add_flag("--no-web-seeds", args->NoWebSeeds, "Write no web seeds");
    edit->add_flag(
        "--keep-info-hash",
        args->KeepInfoHash,
        "Insist on keeping the info dictionary byte for byte, so the info hash and the swarm stay (what every edit "
        "without --name, --rename and --source does): refused with those options");
    auto replace = std::make_shared<std::vector<std::string>>();
    edit->add_option(
            "--replace-announce",
            *replace,
            "OLD NEW: replace the text OLD (a passkey, a host) by NEW in the announce URL and every backup tracker "
            "URL; "
            "a torrent without OLD is left as it is")
        ->expected(2)
        ->type_name("OLD NEW");
    edit->add_flag("--dry-run", args->DryRun, "Write nothing; tell for each FILE what would be written");
    edit->callback(
        [args, replace, &runner]
        {
            if (replace->size() == 2)
                args->ReplaceAnnounce.emplace((*replace)[0], (*replace)[1]);
            runner = [args](const TCliIo& io)
            {
                return RunEdit(*args, io);
            };
        });
}

} // namespace brisolt::cli
