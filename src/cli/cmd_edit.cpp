// brisolt-cli edit: what the edit page changes in a torrent, written back with
// the piece hashes it was loaded with, in place or to another file.
#include <charconv>
#include <memory>
#include <optional>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "core/oledate.h"
#include "create/edittorrent.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt::cli
{

namespace
{

struct TEditArgs
{
    std::string File;
    std::string Output;
    std::optional<std::string> Announce;
    std::optional<std::string> Name;
    std::optional<std::string> Comment;
    bool ResetDate = false;
    std::vector<std::string> Backups;
    bool NoBackup = false;
    std::vector<std::string> Renames;
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

int RunEdit(const TEditArgs& args, const TCliIo& io)
{
    if (args.NoBackup && !args.Backups.empty())
        return Usage(io, "--backup and --no-backup exclude each other");
    std::vector<TRename> renames;
    for (const auto& arg : args.Renames)
    {
        auto rename = ParseRename(arg);
        if (!rename)
            return Usage(io, "--rename takes INDEX=PATH, not " + arg);
        renames.push_back(std::move(*rename));
    }

    TTorrentFile torrent;
    if (!LoadTorrentForEdit(args.File, torrent))
    {
        io.Err << "brisolt-cli: " << args.File << " did not load:\n" << DisplayText(LoaderMessage(torrent));
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

    const std::filesystem::path output = args.Output.empty() ? args.File : args.Output;
    std::string reason;
    if (!SaveEditedTorrent(torrent, output, reason))
        return Fail(io, WriteErrorMessage(output) + ": " + reason);
    // The info hash of what was written: the writer may have changed the info dictionary.
    TTorrentFile written;
    written.Load(torrent.SaveToString(torrent.Pieces));
    io.Out << output.string() << ": " << written.InfoHashText << '\n';
    return kExitOk;
}

} // namespace

void AddEditCommand(CLI::App& app, TCommandRunner& runner)
{
    auto args = std::make_shared<TEditArgs>();
    auto* edit = app.add_subcommand(
        "edit",
        "Change a torrent's metadata as the edit page does and write it back with its own piece hashes, in place or "
        "to -o OUT (through a temporary file, so a failed write leaves the old file). Prints the written file and "
        "its info hash. As on the edit page, the comment gets CR LF line breaks and the writer's comment suffix on "
        "every save, and the torrent is written private.\nExit status: 0 when written, 1 when the torrent did not "
        "load (the loader's lines on standard error) or could not be written, 2 for a usage error.");
    edit->add_option("FILE", args->File, "The .torrent file")->required();
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
    edit->callback(
        [args, &runner]
        {
            runner = [args](const TCliIo& io)
            {
                return RunEdit(*args, io);
            };
        });
}

} // namespace brisolt::cli
