#include "create/createtorrent.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <stdexcept>

#include "core/messagedigests.h"
#include "create/collect.h"
#include "create/createextras.h"
#include "create/edittorrent.h"
#include "create/magnetlink.h"
#include "hashing/hashedstorage.h"
#include "platform/fileio.h"

namespace brisolt
{

namespace
{

// One torrent: backup trackers, piece length, hashing, writing. The model is
// initialised; files becomes its file list; base is the storage's base path;
// source is what the torrent is made of, named when it holds no byte;
// contentFolders, for a folder tree, are its folders, where no output may go.
TCreateResult BuildTorrent(
    TTorrentFile& model,
    std::vector<TTorrentSubFile> files,
    const std::filesystem::path& base,
    const std::filesystem::path& source,
    const std::filesystem::path& output,
    const TCreateOptions& options,
    const TFolderIds* contentFolders = nullptr);

constexpr std::array<std::string_view, kPieceSizeCount> kPieceSizeItems{
    "64kb", "128kb", "256kb", "512kb", "1024kb", "2048kb", "4096kb", "8192kb", "16384kb"};

// The hashing run's progress passed on to the action's observer.
class TCreateProgress final : public THashProgress
{
public:
    explicit TCreateProgress(TCreateObserver* observer)
        : Observer(observer)
    {
    }

    void FileStarted(const std::string& path, int64_t size) override
    {
        if (Observer)
            Observer->FileStarted(path, size);
    }

    void PieceHashed(int64_t pieces) override
    {
        (void)pieces;
        if (Observer)
            Observer->PieceHashed();
    }

    void ReportStatus(const std::string& status) override
    {
        if (Observer)
            Observer->ReportStatus(status);
    }

    void BeforeRead() override
    {
        if (Observer)
            Observer->ProcessMessages();
    }

private:
    TCreateObserver* Observer;
};

TCreateResult Finish(TCreateResult result, const TCreateOptions& options)
{
    if (options.Observer)
        options.Observer->TorrentFinished(result);
    return result;
}

TCreateResult Failure(const std::filesystem::path& output, std::string message, const TCreateOptions& options)
{
    TCreateResult result;
    result.Status = TCreateStatus::Failed;
    result.Output = output;
    result.Message = std::move(message);
    return Finish(std::move(result), options);
}

// The size of the torrent file at the model's piece length: its bytes with
// zero digests, which take the room the real ones will.
int64_t TorrentSize(const TTorrentFile& model, int64_t totalLength)
{
    const auto pieces = static_cast<std::size_t>((totalLength - 1) / model.PieceLength + 1);
    return static_cast<int64_t>(model.SaveToString(std::vector<TTorrentPiece>(pieces)).size());
}

// A tracker's largest torrent file, met before hashing: an automatic piece
// length grows (up to the largest allowed) until the torrent fits; what does
// not fit even then is refused, saying by how much.
std::string MeetSizeLimit(TTorrentFile& model, TCreateResult& result, const TCreateOptions& options)
{
    if (options.MaxTorrentSize <= 0)
        return {};
    const bool automatic = options.PieceLength == 0 && options.PieceSizeIndex == kAutoPieceSize;
    const int64_t largest = !automatic                   ? result.PieceLength
                            : options.MaxPieceLength > 0 ? options.MaxPieceLength
                                                         : kLargestRulePieceLength;
    int64_t size = TorrentSize(model, result.TotalLength);
    while (size > options.MaxTorrentSize && model.PieceLength < largest)
    {
        model.PieceLength = static_cast<int32_t>(int64_t{model.PieceLength} * 2);
        size = TorrentSize(model, result.TotalLength);
    }
    result.PieceLength = model.PieceLength;
    if (size <= options.MaxTorrentSize)
        return {};
    return "Der Torrent wäre " + std::to_string(size) + " Bytes groß, " + std::to_string(size - options.MaxTorrentSize)
           + " Bytes über der Grenze des Trackers " + options.RulesTracker + " von "
           + std::to_string(options.MaxTorrentSize) + " Bytes (mit Stücken von " + std::to_string(model.PieceLength)
           + " Bytes" + (automatic ? ", den größten erlaubten)." : ").");
}

std::string CreateMessage(const std::filesystem::path& output, const std::string& reason)
{
    return FileMessage(PathBytes(output), "erstellt", reason);
}

bool IsFolder(const std::filesystem::path& path)
{
    return PathInfo(path).Kind == TPathKind::Folder;
}

bool SameFile(const TPathInfo& a, const TPathInfo& b)
{
    return a.Kind != TPathKind::Missing && b.Kind != TPathKind::Missing && a.Device == b.Device && a.Inode == b.Inode;
}

// Whether writing over target would replace one of the content files. Only an
// existing file can be one, so a new output costs no look at the content.
bool OutputIsContent(const TPathInfo& target, const THashJob& job)
{
    if (target.Kind != TPathKind::RegularFile)
        return false;
    return std::any_of(
        job.Files.begin(),
        job.Files.end(),
        [&](const TTorrentSubFile& entry) { return SameFile(target, PathInfo(ResolvePath(job, entry))); });
}

std::string CommentOf(const TCreateOptions& options)
{
    return options.ExactComment ? *options.ExactComment : MakeComment(options.CommentLines);
}

void InitMultiFile(TTorrentFile& model, const std::string& name, const TCreateOptions& options)
{
    model.Init(options.AnnounceURL, name, CommentOf(options), {}, 0, true, options.Now);
}

// Why content of zero bytes gives no torrent; leftOut files were left out by
// the patterns, which the message then says.
std::string
EmptyMessage(const std::vector<TTorrentSubFile>& files, const std::filesystem::path& source, std::size_t leftOut)
{
    if (!files.empty())
        return "Keine Daten in " + PathBytes(source) + ": der Inhalt ist 0 Bytes groß.";
    if (leftOut == 0)
        return "Keine Dateien in " + PathBytes(source) + ".";
    return "Keine Dateien in " + PathBytes(source)
           + (leftOut == 1 ? ": die Muster lassen die einzige Datei aus."
                           : ": die Muster lassen alle " + std::to_string(leftOut) + " Dateien aus.");
}

// One multi-file torrent of a folder tree named name; base is the storage's
// base path (every entry carries its full path).
TCreateResult FolderTreeTorrent(
    const std::filesystem::path& folder,
    const std::string& name,
    const std::filesystem::path& base,
    const std::filesystem::path& output,
    const TCreateOptions& options)
{
    std::vector<TTorrentSubFile> files;
    int64_t total = 0;
    TFolderIds folders;
    if (const TError failed = CollectFolder(files, total, folder, {}, true, options.SkipThumbs, &folders))
        return Failure(output, failed.Message(), options);
    TTorrentFile model;
    InitMultiFile(model, name, options);
    return BuildTorrent(model, std::move(files), base, folder, output, options, &folders);
}

} // namespace

std::string MakeComment(const std::vector<std::string>& lines)
{
    std::string comment;
    for (const auto& line : lines)
        comment += line + "\r\n";
    return comment;
}

std::vector<std::string> SplitCommentLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty())
    {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

int64_t ChoosePieceLength(int64_t totalLength, int pieceSizeIndex)
{
    if (pieceSizeIndex != kAutoPieceSize)
    {
        if (pieceSizeIndex < 0 || pieceSizeIndex >= kPieceSizeCount)
            throw std::invalid_argument("piece size index out of range");
        return int64_t{1} << (16 + pieceSizeIndex);
    }
    if (totalLength > 2000000000)
        return 2097152;
    if (totalLength > 1000000000)
        return 1048576;
    if (totalLength > 450000000)
        return 524288;
    return 262144;
}

int64_t ChoosePieceLength(int64_t totalLength, const TCreateOptions& options)
{
    if (options.PieceLength > 0)
        return options.PieceLength;
    if (options.PieceSizeIndex != kAutoPieceSize)
        return ChoosePieceLength(totalLength, options.PieceSizeIndex);
    int64_t length = options.TargetPieces > 0 ? PieceLengthForTarget(totalLength, options.TargetPieces)
                                              : ChoosePieceLength(totalLength, kAutoPieceSize);
    for (const auto& [upTo, piece] : options.PieceTable)
    {
        if (options.TargetPieces > 0)
            break; // asked for on the command line: it wins over the tracker's table
        if (upTo == 0 || totalLength <= upTo)
        {
            length = piece;
            break;
        }
    }
    if (options.MaxPieceLength > 0)
        length = std::min(length, options.MaxPieceLength);
    return length;
}

int64_t PieceLengthForTarget(int64_t totalLength, int64_t target)
{
    int64_t length = kSmallestRulePieceLength;
    // Pieces are counted rounded up; the division keeps it free of overflow.
    while (length < kLargestRulePieceLength && target > 0 && (totalLength - 1) / length + 1 > target)
        length *= 2;
    return length;
}

int64_t ParseByteSize(std::string_view text)
{
    int64_t number = 0;
    std::size_t digits = 0;
    constexpr int64_t kLimit = int64_t{1} << 50; // far beyond any content, far below overflow
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits)
    {
        number = number * 10 + (text[digits] - '0');
        if (number > kLimit)
            return -1;
    }
    std::string unit;
    for (const char c : text.substr(digits))
        unit += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    static const std::pair<std::string_view, int64_t> kUnits[] = {
        {"", 1},
        {"b", 1},
        {"kb", 1000},
        {"mb", 1000000},
        {"gb", 1000000000},
        {"tb", 1000000000000},
        {"kib", int64_t{1} << 10},
        {"mib", int64_t{1} << 20},
        {"gib", int64_t{1} << 30},
        {"tib", int64_t{1} << 40},
    };
    for (const auto& [name, scale] : kUnits)
    {
        if (unit == name)
            return digits == 0 || number > kLimit / scale ? -1 : number * scale;
    }
    return -1;
}

std::string ApplyTrackerRules(const TTrackerRules& rules, const std::string& tracker, TCreateOptions& options)
{
    const std::string where = "Die Regel des Trackers " + tracker + " ";
    if (!rules.Source.empty())
    {
        if (!options.Source.empty() && options.Source != rules.Source)
            return "Der Tracker " + tracker + " verlangt den Source-Tag " + rules.Source + ", nicht " + options.Source
                   + ".";
        options.Source = rules.Source;
    }
    for (std::string_view table = rules.PieceLengths; !table.empty();)
    {
        const auto end = table.find(';');
        const std::string_view entry = table.substr(0, end);
        table = end == std::string_view::npos ? std::string_view() : table.substr(end + 1);
        const auto equals = entry.find('=');
        const std::string_view upTo = equals == std::string_view::npos ? entry : entry.substr(0, equals);
        const int64_t size = upTo == "*" ? 0 : ParseByteSize(upTo);
        const int64_t piece = equals == std::string_view::npos ? 0 : ParsePieceLength(entry.substr(equals + 1));
        if (size < 0 || piece <= 0 || (size == 0 && upTo != "*"))
            return where + "\"piecelengths\" versteht sich nicht: " + std::string(entry);
        options.PieceTable.emplace_back(size, piece);
    }
    if (!rules.MaxPiece.empty())
    {
        const int64_t largest = ParsePieceLength(rules.MaxPiece);
        if (largest <= 0)
            return where + "\"maxpiece\" versteht sich nicht: " + rules.MaxPiece;
        const int64_t chosen = options.PieceLength > 0                    ? options.PieceLength
                               : options.PieceSizeIndex != kAutoPieceSize ? ChoosePieceLength(0, options.PieceSizeIndex)
                                                                          : 0;
        if (chosen > largest)
            return "Der Tracker " + tracker + " nimmt Stücke bis " + std::to_string(largest) + " Bytes, nicht "
                   + std::to_string(chosen) + ".";
        options.MaxPieceLength = options.MaxPieceLength > 0 ? std::min(options.MaxPieceLength, largest) : largest;
    }
    if (!rules.MaxTorrentSize.empty())
    {
        options.MaxTorrentSize = ParseByteSize(rules.MaxTorrentSize);
        if (options.MaxTorrentSize <= 0)
            return where + "\"maxtorrentsize\" versteht sich nicht: " + rules.MaxTorrentSize;
    }
    for (std::string_view patterns = rules.Exclude; !patterns.empty();)
    {
        const auto end = patterns.find(';');
        if (const std::string_view pattern = patterns.substr(0, end); !pattern.empty())
            options.Filter.Excludes.emplace_back(pattern);
        patterns = end == std::string_view::npos ? std::string_view() : patterns.substr(end + 1);
    }
    options.RulesTracker = tracker;
    return {};
}

int64_t ParsePieceLength(std::string_view text)
{
    int64_t number = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits)
    {
        if (number > kLargestRulePieceLength)
            return 0;
        number = number * 10 + (text[digits] - '0');
    }
    std::string unit;
    for (const char c : text.substr(digits))
        unit += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    int64_t scale = 0;
    if (unit.empty() || unit == "b")
        scale = 1;
    else if (unit == "k" || unit == "kb" || unit == "kib")
        scale = 1024;
    else if (unit == "m" || unit == "mb" || unit == "mib")
        scale = 1024 * 1024;
    if (digits == 0 || scale == 0 || number > kLargestRulePieceLength)
        return 0;
    const int64_t length = number * scale;
    const bool powerOfTwo = (length & (length - 1)) == 0;
    return powerOfTwo && length >= kSmallestRulePieceLength && length <= kLargestRulePieceLength ? length : 0;
}

int PieceSizeIndexOf(std::string_view item)
{
    for (std::size_t i = 0; i < kPieceSizeItems.size(); ++i)
    {
        if (kPieceSizeItems[i] == item)
            return static_cast<int>(i);
    }
    return -1;
}

std::string PieceSizeItem(int index)
{
    return std::string(kPieceSizeItems.at(static_cast<std::size_t>(index)));
}

std::filesystem::path ProposeSaveName(const std::filesystem::path& source)
{
    auto name = source;
    name += ".torrent";
    return name;
}

std::string SelectionTitle(const std::filesystem::path& folder, const std::vector<std::string>& selected)
{
    std::string title = PathBytes(folder.filename());
    if (title.empty() && !selected.empty())
        title = selected.front(); // a root folder has no name of its own
    return title;
}

std::filesystem::path
ProposeSelectionSaveName(const std::filesystem::path& folder, const std::vector<std::string>& selected)
{
    if (selected.size() == 1)
        return ProposeSaveName(folder / NativePath(selected.front()));
    if (folder.filename().empty())
        return NativePath(SelectionTitle(folder, selected) + ".torrent");
    return ProposeSaveName(folder);
}

std::filesystem::path PerEntrySaveName(const std::filesystem::path& target, const std::string& entry)
{
    return target / NativePath(entry + ".torrent");
}

std::string AddressProblem(std::string_view url)
{
    if (url.empty())
        return "Eine leere Adresse ist weder Tracker noch Webseed.";
    const auto isControl = [](char c)
    {
        return static_cast<unsigned char>(c) < 0x20 || c == '\x7F';
    };
    if (std::none_of(url.begin(), url.end(), isControl))
        return {};
    std::string shown;
    for (const char c : url)
    {
        if (!isControl(c))
        {
            shown += c;
            continue;
        }
        constexpr std::string_view kHex = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(c);
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 15];
    }
    return "Die Adresse " + shown + " enthält Steuerzeichen.";
}

std::string TrimTrailingSeparator(std::string path)
{
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

namespace
{

TCreateResult BuildTorrent(
    TTorrentFile& model,
    std::vector<TTorrentSubFile> files,
    const std::filesystem::path& base,
    const std::filesystem::path& source,
    const std::filesystem::path& output,
    const TCreateOptions& options,
    const TFolderIds* contentFolders)
{
    TCreateResult result;
    result.Output = output;
    result.Source = source;
    if (model.MultiFile)
    {
        result.LeftOut = std::erase_if(
            files,
            [&](const TTorrentSubFile& f)
            {
                const TLeftOut reason = LeftOutBy(f, options.Filter);
                if (reason != TLeftOut::None)
                    result.LeftOutFiles.emplace_back(SlashPath(f), reason);
                return reason != TLeftOut::None;
            });
    }
    for (const auto& file : files)
        result.TotalLength += file.Length;
    model.Files = std::move(files);
    result.FileCount = model.Files.size();
    result.PieceLength = ChoosePieceLength(result.TotalLength, options);
    model.PieceLength = static_cast<int32_t>(result.PieceLength);
    model.BackupTrackers = ResolveBackupRows(options.BackupRows, options.LookupAnnounceURL);
    model.Source = options.Source;
    model.WebSeeds = options.WebSeeds;
    model.CreatedBy = options.CreatedBy;
    model.CommentSuffix = !options.ExactComment;
    if (options.Entropy)
        model.Entropy = RandomEntropy();
    // Clients refuse a torrent without a byte of content, so none is written.
    if (result.TotalLength == 0)
    {
        result.Status = TCreateStatus::Skipped;
        result.Message = EmptyMessage(model.Files, source, result.LeftOut);
        return Finish(std::move(result), options);
    }
    // Checked before hashing: the writer would put them into the torrent as they are.
    std::vector<std::string_view> addresses{model.Announce};
    addresses.insert(addresses.end(), model.BackupTrackers.begin(), model.BackupTrackers.end());
    addresses.insert(addresses.end(), model.WebSeeds.begin(), model.WebSeeds.end());
    for (const auto address : addresses)
    {
        if (std::string problem = AddressProblem(address); !problem.empty())
            return Failure(output, std::move(problem), options);
    }
    if (std::string problem = MeetSizeLimit(model, result, options); !problem.empty())
        return Failure(output, std::move(problem), options);
    THashJob job;
    job.Files = model.Files;
    job.PieceLength = result.PieceLength;
    job.MultiFile = model.MultiFile;
    job.BasePath = base;
    job.ThreadCount = options.ThreadCount;
    job.Abort = options.AbortRequested;
    // The output's folder is opened and its temporary file made before
    // hashing: a long run is not wasted on an output that cannot be written,
    // and the content checks below hold for the folder the write lands in,
    // whatever its path names by the end (a bind mount, a swapped link).
    TFileReplacement replacement;
    const int err = replacement.Begin(output);
    if (err == 0 && contentFolders)
    {
        const TPathInfo folder = replacement.Folder().Info();
        if (contentFolders->contains({folder.Device, folder.Inode}))
            return Failure(output, CreateMessage(output, std::string(kOutputInsideContentReason)), options);
    }
    if (OutputIsContent(err == 0 ? replacement.TargetInfo() : PathInfo(output), job))
        return Failure(output, CreateMessage(output, std::string(kOutputIsContentReason)), options);
    if (err != 0)
        return Failure(output, CreateMessage(output, SystemErrorText(err)), options);
    if (options.Observer)
        options.Observer->TorrentStarted(output, result.TotalLength, result.PieceLength, result.FileCount);
    TCreateProgress progress(options.Observer);
    const THashResult hashed = HashFiles(job, progress);
    result.PieceCount = static_cast<int64_t>(hashed.Pieces.size());
    if (options.AbortRequested && options.AbortRequested->load())
    {
        result.Status = TCreateStatus::Aborted;
        result.Message = kAbortedMessage;
    }
    else if (hashed.Failed())
    {
        result.Status = TCreateStatus::Failed;
        result.Message = hashed.Error.Message();
    }
    else
    {
        std::string bytes;
        std::pair<std::size_t, std::size_t> info;
        model.Save(bytes, hashed.Pieces, &info);
        if (const int written = replacement.Commit(bytes, nullptr, options.AbortRequested); written != 0)
        {
            result.Status = written == ECANCELED ? TCreateStatus::Aborted : TCreateStatus::Failed;
            result.Message =
                written == ECANCELED ? std::string(kAbortedMessage) : CreateMessage(output, SystemErrorText(written));
        }
        else
        {
            result.Status = TCreateStatus::Written;
            TSHA1 sha;
            sha.Transform(bytes.data() + info.first, info.second - info.first);
            sha.Complete();
            model.InfoHashText = sha.DigestText();
            result.InfoHash = model.InfoHashText;
            result.Magnet = MagnetLink(model);
        }
    }
    return Finish(std::move(result), options);
}

// The entries of files selected in folder, thumbs.db left out when asked.
TError AddSelectedFiles(
    std::vector<TTorrentSubFile>& files,
    const std::filesystem::path& folder,
    const std::vector<std::string>& selected,
    bool skipThumbs)
{
    for (const auto& name : selected)
    {
        if (skipThumbs && IsThumbsDb(name))
            continue;
        const TResult<int64_t> size = FileSizeOf(folder / NativePath(name));
        if (!size)
            return size.Error();
        files.emplace_back(name, std::string(), *size, 0);
    }
    return {};
}

} // namespace

TCreateResult CreateSingleFileTorrent(
    const std::filesystem::path& source, const std::filesystem::path& output, const TCreateOptions& options)
{
    const TResult<int64_t> size = FileSizeOf(source);
    if (!size)
        return Failure(output, size.Error().Message(), options);
    const int64_t total = *size;
    const std::string name = PathBytes(source.filename());
    std::vector<TTorrentSubFile> files;
    files.emplace_back(name, std::string(), total, 0);
    TTorrentFile model;
    model.Init(options.AnnounceURL, name, CommentOf(options), {}, total, false, options.Now);
    return BuildTorrent(model, std::move(files), source, source, output, options);
}

TCreateResult CreateSelectionTorrent(
    const std::filesystem::path& folder,
    const std::vector<std::string>& selected,
    const std::filesystem::path& output,
    const TCreateOptions& options)
{
    if (selected.empty())
        return Failure(output, std::string(kNoFilesSelectedMessage), options);
    if (selected.size() == 1)
        return CreateSingleFileTorrent(folder / NativePath(selected.front()), output, options);
    std::vector<TTorrentSubFile> files;
    if (const TError failed = AddSelectedFiles(files, folder, selected, options.SkipThumbs))
        return Failure(output, failed.Message(), options);
    TTorrentFile model;
    InitMultiFile(model, SelectionTitle(folder, selected), options);
    return BuildTorrent(model, std::move(files), folder, folder, output, options);
}

TCreateResult CreateFolderTorrent(
    const std::filesystem::path& folder, const std::filesystem::path& output, const TCreateOptions& options)
{
    return FolderTreeTorrent(folder, PathBytes(folder.filename()), folder, output, options);
}

TCreateRequest::TKind SourceKind(bool folder, bool perEntry)
{
    if (!folder)
        return TCreateRequest::TKind::SingleFile;
    return perEntry ? TCreateRequest::TKind::PerEntry : TCreateRequest::TKind::Folder;
}

std::vector<TCreateResult>
CreateTorrents(const TCreateRequest& request, const TCreateOptions& options, std::vector<std::string>* notProcessed)
{
    switch (request.Kind)
    {
    case TCreateRequest::TKind::SingleFile:
        return {CreateSingleFileTorrent(request.Source, request.Output, options)};
    case TCreateRequest::TKind::Selection:
        return {CreateSelectionTorrent(request.Source, request.Selected, request.Output, options)};
    case TCreateRequest::TKind::Folder:
        return {CreateFolderTorrent(request.Source, request.Output, options)};
    case TCreateRequest::TKind::PerEntry:
        return CreatePerEntryTorrents(request.Source, request.Target, options, notProcessed);
    }
    return {};
}

std::string EmptyContentMessage(
    const std::filesystem::path& source, const std::vector<std::string>& selected, const TCreateOptions& options)
{
    std::vector<TTorrentSubFile> files;
    int64_t total = 0;
    std::filesystem::path named = source;
    bool multiFile = false;
    TError failed;
    if (selected.size() == 1)
        named = source / NativePath(selected.front());
    if (selected.size() > 1)
    {
        multiFile = true;
        failed = AddSelectedFiles(files, source, selected, options.SkipThumbs);
    }
    else if (selected.empty() && IsFolder(source))
    {
        multiFile = true;
        failed = CollectFolder(files, total, source, {}, true, options.SkipThumbs);
    }
    else if (const TResult<int64_t> size = FileSizeOf(named))
        files.emplace_back(PathBytes(named.filename()), std::string(), *size, 0);
    else
        failed = size.Error();
    if (failed)
        return {}; // the create call says what is wrong with it
    std::size_t leftOut = 0;
    if (multiFile)
        leftOut = std::erase_if(
            files, [&](const TTorrentSubFile& f) { return LeftOutBy(f, options.Filter) != TLeftOut::None; });
    for (const auto& file : files)
    {
        if (file.Length > 0)
            return {};
    }
    return EmptyMessage(files, named, leftOut);
}

std::vector<TCreateResult> CreatePerEntryTorrents(
    const std::filesystem::path& folder,
    const std::filesystem::path& target,
    const TCreateOptions& options,
    std::vector<std::string>* notProcessed)
{
    std::vector<TCreateResult> results;
    const TResult<std::vector<std::string>> entries = ListFolderEntries(folder);
    if (!entries)
    {
        results.push_back(Failure(target, entries.Error().Message(), options));
        return results;
    }
    for (const auto& entry : *entries)
    {
        const auto path = folder / NativePath(entry);
        const auto output = PerEntrySaveName(target, entry);
        if (IsFolder(path))
            results.push_back(FolderTreeTorrent(path, entry, folder, output, options));
        else
            results.push_back(CreateSingleFileTorrent(path, output, options));
        if (results.back().Source.empty())
            results.back().Source = path; // a failure names its output only
        // A file error ends the action, and so does an abort: one abort, one
        // message, and nothing more is written. An empty entry does not.
        const TCreateStatus status = results.back().Status;
        if (status != TCreateStatus::Written && status != TCreateStatus::Skipped)
        {
            if (notProcessed)
                notProcessed->assign(entries->begin() + static_cast<std::ptrdiff_t>(results.size()), entries->end());
            break;
        }
    }
    return results;
}

std::string PerEntrySummary(const std::vector<TCreateResult>& results)
{
    std::size_t written = 0;
    std::size_t skipped = 0;
    std::string names;
    for (const auto& r : results)
    {
        if (r.Status == TCreateStatus::Written)
            ++written;
        else if (r.Status == TCreateStatus::Skipped)
            names += (skipped++ == 0 ? "" : ", ") + PathBytes(r.Source.filename());
    }
    // After an abort its message is the only one.
    if (skipped == 0 || results.back().Status == TCreateStatus::Aborted)
        return {};
    return std::to_string(written) + " torrents written, " + std::to_string(skipped) + " entries skipped: " + names;
}

namespace
{

// "1 Eintrag", "2 Einträge"; names follow a colon.
std::string Entries(std::size_t count, const std::string& what, const std::vector<std::string>& names)
{
    std::string line = std::to_string(count) + (count == 1 ? " Eintrag " : " Einträge ") + what + ": ";
    for (std::size_t i = 0; i < names.size(); ++i)
        line += (i == 0 ? "" : ", ") + names[i];
    return line;
}

} // namespace

std::string PerEntryReport(const std::vector<TCreateResult>& results, const std::vector<std::string>& notProcessed)
{
    std::size_t written = 0;
    std::vector<std::string> skipped;
    std::vector<std::string> failed;
    for (const auto& r : results)
    {
        if (r.Status == TCreateStatus::Written)
            ++written;
        else if (r.Status == TCreateStatus::Skipped)
            skipped.push_back(PathBytes(r.Source.filename()));
        else if (r.Status == TCreateStatus::Failed && !r.Source.empty())
            failed.push_back(PathBytes(r.Source.filename()));
    }
    // After an abort its message is the only one; all written needs no report.
    if (results.empty() || results.back().Status == TCreateStatus::Aborted
        || (skipped.empty() && failed.empty() && notProcessed.empty()))
        return {};
    std::string report = written == 0   ? std::string("Kein Torrent geschrieben.")
                         : written == 1 ? std::string("1 Torrent geschrieben.")
                                        : std::to_string(written) + " Torrents geschrieben.";
    if (!skipped.empty())
        report += "\n" + Entries(skipped.size(), "übersprungen, da ohne Inhalt (0 Bytes)", skipped);
    if (!failed.empty())
        report += "\n" + Entries(failed.size(), "mit Fehler abgebrochen", failed);
    if (!notProcessed.empty())
        report += "\n" + Entries(notProcessed.size(), "nicht verarbeitet", notProcessed);
    return report;
}

} // namespace brisolt
