// brisolt-cli show: what the edit page shows of a torrent, as text or JSON.
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/jsonwriter.h"
#include "core/torrentfile.h"
#include "create/loadtorrent.h"
#include "create/magnetlink.h"
#include "platform/dateformat.h"
#include "platform/fileio.h"
#include "platform/textconv.h"

namespace brisolt::cli
{

namespace
{

struct TShowOptions
{
    std::string File;
    bool Json = false;
};

// Whether file entry index is padding (BEP 47), not content.
bool IsPadding(const TTorrentFile& t, const TTorrentFacts& facts, std::size_t index)
{
    return t.MultiFile && facts.Padding.size() == t.Files.size() && facts.Padding[index];
}

// A list of URLs, one a line, the first beside its caption.
void PrintUrls(const char* caption, const std::vector<std::string>& urls, std::ostream& out)
{
    out << caption;
    if (urls.empty())
        out << " (none)\n";
    for (std::size_t i = 0; i < urls.size(); ++i)
        out << (i == 0 ? " " : "                 ") << DisplayText(urls[i]) << '\n';
}

void PrintText(const TTorrentFile& t, const TTorrentFacts& facts, std::ostream& out)
{
    out << "Announce:        " << DisplayText(t.Announce) << '\n';
    PrintUrls("Backup trackers:", t.BackupTrackers, out);
    PrintUrls("Web seeds:      ", t.WebSeeds, out);
    out << "Name:            " << DisplayText(t.Name) << '\n';
    out << "Hash:            " << t.InfoHashText << '\n';
    out << "Format:          " << MetaVersionText(facts.Version) << '\n';
    if (!facts.V2InfoHash.empty())
        out << "Hash v2:         " << facts.V2InfoHash << '\n';
    out << "Private:         " << (facts.Private ? "yes" : "no") << '\n';
    out << "Source:          " << DisplayText(t.Source) << '\n';
    out << "Created by:      " << DisplayText(facts.CreatedBy) << '\n';
    out << "Magnet:          " << MagnetLink(t) << '\n';
    out << "Comment:         " << DisplayText(t.Comment) << '\n';
    out << "Creation date:   " << (t.CreationDate != 0.0 ? FormatDateTimeC(t.CreationDate) : "N/A") << '\n';
    out << "Piece length:    " << t.PieceLength << '\n';
    out << "Pieces:          " << t.Pieces.size() << '\n';
    out << "Total size:      " << t.Length << '\n';
    out << "Files:           " << t.Files.size() << '\n';
    for (std::size_t i = 0; i < t.Files.size(); ++i)
    {
        const auto& f = t.Files[i];
        out << "  " << DisplayText(f.Path + f.Name) << "  " << f.Length << (IsPadding(t, facts, i) ? "  (padding)" : "")
            << '\n';
    }
}

// A text field as JSON: null when the torrent has none.
nlohmann::ordered_json TextOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(DisplayText(text));
}

// Written as it goes: a torrent of a million files costs no more memory as
// JSON than as text.
void PrintJson(const TTorrentFile& t, const TTorrentFacts& facts, std::ostream& out)
{
    TJsonWriter j(out);
    j.BeginObject();
    j.Field("announce", DisplayText(t.Announce));
    j.BeginArray("backup_trackers");
    for (const auto& url : t.BackupTrackers)
        j.Item(DisplayText(url));
    j.End();
    j.BeginArray("web_seeds");
    for (const auto& url : t.WebSeeds)
        j.Item(DisplayText(url));
    j.End();
    j.Field("name", DisplayText(t.Name));
    j.Field("info_hash", t.InfoHashText);
    j.Field("format", MetaVersionText(facts.Version));
    j.Field("info_hash_v2", TextOrNull(facts.V2InfoHash));
    j.Field("private", facts.Private);
    j.Field("source", TextOrNull(t.Source));
    j.Field("created_by", TextOrNull(facts.CreatedBy));
    if (const std::string magnet = MagnetLink(t); !magnet.empty())
        j.Field("magnet", magnet);
    else
        j.Field("magnet", nullptr);
    j.Field("comment", DisplayText(t.Comment));
    if (t.CreationDate != 0.0)
        j.Field("creation_date", ToUnixSeconds(t.CreationDate));
    else
        j.Field("creation_date", nullptr);
    j.Field("piece_length", t.PieceLength);
    j.Field("piece_count", t.Pieces.size());
    j.Field("multi_file", t.MultiFile);
    j.Field("total_length", t.Length);
    j.BeginArray("files");
    for (std::size_t i = 0; i < t.Files.size(); ++i)
    {
        const auto& f = t.Files[i];
        j.BeginObject();
        j.Field("path", DisplayText(f.Path));
        j.Field("name", DisplayText(f.Name));
        j.Field("length", f.Length);
        j.Field("offset", f.Offset);
        j.Field("padding", IsPadding(t, facts, i));
        j.End();
    }
    j.End();
    j.BeginArray("errors");
    for (const auto& e : t.Errors)
        j.Item(DisplayText(e));
    j.End();
    j.End();
}

int RunShow(const TShowOptions& options, const TCliIo& io)
{
    std::string data;
    TTorrentFile torrent;
    if (const TError failed = LoadTorrentFromPath(NativePath(options.File), torrent, data))
    {
        io.Err << "brisolt-cli: cannot open " << options.File << ": " << failed.Reason() << '\n';
        return kExitFailure;
    }
    // Loaded means what the edit page can show: at least one file entry.
    const bool loaded = !torrent.Files.empty();
    const TTorrentFacts facts = ReadTorrentFacts(data);
    if (options.Json)
        PrintJson(torrent, facts, io.Out);
    else if (loaded)
        PrintText(torrent, facts, io.Out);
    if (!loaded)
    {
        for (const auto& line : torrent.Errors)
            io.Err << DisplayText(line) << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace

void AddShowCommand(CLI::App& app, TCommandRunner& runner)
{
    auto options = std::make_shared<TShowOptions>();
    auto* show = app.add_subcommand(
        "show",
        "Print what the edit page shows of a torrent: announce URL, backup trackers, name, info hash, magnet link, "
        "comment, creation date and the file entries; and beside it the web seeds, the format (v1, v2 or hybrid, "
        "with the v2 info hash), the private flag, the source and the creating program. Padding files (BEP 47) are "
        "marked.\nExit status: 0 when the torrent loaded with at least one file "
        "entry, "
        "1 otherwise (the loader's lines on standard error), 2 for a usage error.");
    show->add_option("FILE", options->File, "The .torrent file")->required();
    show->add_flag("--json", options->Json, "Print one JSON object instead of text");
    show->callback(
        [options, &runner]
        {
            runner = [options](const TCliIo& io)
            {
                return RunShow(*options, io);
            };
        });
}

} // namespace brisolt::cli
