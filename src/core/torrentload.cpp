// Reading a metainfo file into the model: every missing key becomes a line in
// Errors, a value of the wrong kind ends the load with one general line. The
// loader reads the compact decoded form and charges what it keeps to a
// budget, so that no input costs more than a small multiple of its size.
#include "core/bdecode.h"
#include "core/messagedigests.h"
#include "core/torrentfile.h"

namespace brisolt
{

namespace
{

const char* const kNotBencoded = "Error parsing file; does not appear to be valid bencoded metainfo";
const char* const kSomethingBad = "Something bad happened while trying to load the file, probably corrupt metainfo";

using TKind = TBDocument::TKind;

// Thrown when the load would need more memory than its budget; reported
// like any other corrupt metainfo.
class ELoadTooLarge : public std::runtime_error
{
public:
    ELoadTooLarge()
        : std::runtime_error("metainfo too costly to load")
    {
    }
};

bool IsScalar(TKind kind)
{
    return kind == TKind::String || kind == TKind::Integer || kind == TKind::Number;
}

// What a string costs beyond its object: its heap block, if it needs one.
std::size_t HeapBytes(const std::string& text)
{
    return text.capacity() > 15 ? text.capacity() + 1 : 0;
}

int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) & 0xFFFFFFFFu));
}

} // namespace

class TTorrentLoader
{
public:
    TTorrentLoader(TTorrentFile& torrent, const TBDocument& document, std::string_view data)
        : T(torrent)
        , Doc(document)
        , Data(data)
        , Budget(kLoadMemoryFactor * data.size() + kLoadMemorySlack)
    {
        Charge(Doc.MemoryBytes());
    }

    void LoadTree();
    void LoadKeys();

private:
    void Charge(std::size_t bytes)
    {
        if (bytes > Budget)
            throw ELoadTooLarge();
        Budget -= bytes;
    }

    void AddError(std::string line)
    {
        // The vector's spare room included.
        Charge(2 * sizeof(std::string) + HeapBytes(line));
        T.Errors.push_back(std::move(line));
    }

    [[nodiscard]] bool Exists(uint32_t dict, std::string_view key) const { return Doc.Find(dict, key) >= 0; }

    [[nodiscard]] uint32_t Get(uint32_t dict, std::string_view key) const
    {
        return static_cast<uint32_t>(Doc.Find(dict, key));
    }

    [[nodiscard]] uint32_t Expect(uint32_t index, TKind kind) const
    {
        if (Doc.Kind(index) != kind)
            throw EInvalidCast();
        return index;
    }

    // Strings and integers stand in for each other; anything else is a wrong kind.
    [[nodiscard]] std::string_view AsString(uint32_t index) const
    {
        if (!IsScalar(Doc.Kind(index)))
            throw EInvalidCast();
        return Doc.Kind(index) == TKind::String ? Doc.Text(index) : std::string_view();
    }

    [[nodiscard]] int64_t AsInteger(uint32_t index) const
    {
        if (!IsScalar(Doc.Kind(index)))
            throw EInvalidCast();
        return Doc.Value(index);
    }

    void LoadInfo(uint32_t info, int64_t& total);
    void LoadWebSeeds(uint32_t urls);
    void LoadFiles(uint32_t files, int64_t& total);
    void LoadInfoHash();

    TTorrentFile& T;
    const TBDocument& Doc;
    std::string_view Data;
    std::size_t Budget;
};

bool TTorrentFile::Load(std::string_view data)
{
    Clear();
    try
    {
        TBDocument document;
        TBDecodeStream stream(data);
        if (!document.Decode(stream))
        {
            Errors.emplace_back(kNotBencoded);
            return false;
        }
        if (document.Kind(0) != TBDocument::TKind::Dictionary)
            throw EInvalidCast();
        TTorrentLoader loader(*this, document, data);
        loader.LoadTree();
        loader.LoadKeys();
        return true;
    }
    catch (const std::exception&)
    {
        Errors.emplace_back(kSomethingBad);
        return false;
    }
}

// The root's entries; what lists and dictionaries hold is read into the
// fields instead of being kept twice.
void TTorrentLoader::LoadTree()
{
    const uint32_t end = Doc.Next(0);
    for (uint32_t entry = 1; entry < end; entry = Doc.Next(entry + 1))
    {
        const uint32_t value = entry + 1;
        const std::string_view key = Doc.Text(entry);
        std::unique_ptr<TBValue> item;
        if (Doc.Kind(value) == TKind::List)
            item = std::make_unique<TBList>();
        else if (Doc.Kind(value) == TKind::Dictionary)
            item = std::make_unique<TObjectHash>();
        else
            item = Doc.Tree(value);
        const std::size_t textBytes = Doc.Kind(value) == TKind::String ? Doc.Text(value).size() : 0;
        Charge(sizeof(THashRecord) + 3 * sizeof(void*) + sizeof(TObjectHash) + 2 * (key.size() + textBytes));
        T.Tree->Put(key, std::move(item));
    }
}

void TTorrentLoader::LoadKeys()
{
    constexpr uint32_t kRoot = 0;
    if (Exists(kRoot, "announce"))
        T.Announce = AsString(Get(kRoot, "announce"));
    else
        AddError("Corrupt File: Missing \"announce\" segment");
    if (Exists(kRoot, "announce-list"))
    {
        const uint32_t tiers = Expect(Get(kRoot, "announce-list"), TKind::List);
        for (uint32_t tier = tiers + 1; tier < Doc.Next(tiers); tier = Doc.Next(tier))
        {
            for (uint32_t url = Expect(tier, TKind::List) + 1; url < Doc.Next(tier); url = Doc.Next(url))
            {
                T.BackupTrackers.emplace_back(AsString(url));
                Charge(2 * sizeof(std::string) + HeapBytes(T.BackupTrackers.back()));
            }
        }
    }
    if (Exists(kRoot, "comment"))
        T.Comment = AsString(Get(kRoot, "comment"));
    if (Exists(kRoot, "creation date"))
        T.CreationDate = FromUnixSeconds(Low32(AsInteger(Get(kRoot, "creation date"))));
    if (Exists(kRoot, "url-list"))
        LoadWebSeeds(Get(kRoot, "url-list"));
    int64_t total = 0;
    if (Exists(kRoot, "info"))
    {
        LoadInfo(Expect(Get(kRoot, "info"), TKind::Dictionary), total);
        LoadInfoHash();
    }
    else
        AddError("Corrupt File: Missing \"info\" segment");
    T.Length = total;
}

void TTorrentLoader::LoadInfo(uint32_t info, int64_t& total)
{
    if (Exists(info, "name"))
    {
        T.Name = AsString(Get(info, "name"));
        T.InfoName = T.Name;
        constexpr std::string_view kSuffix = ".torrent";
        if (T.Name.ends_with(kSuffix))
            T.Name.resize(T.Name.size() - kSuffix.size());
    }
    else
        AddError("Corrupt File: Missing \"info.name\" segment");
    if (Exists(info, "piece length"))
        T.PieceLength = Low32(AsInteger(Get(info, "piece length")));
    else
        AddError("Corrupt File: Missing \"info.piece length\" segment");
    if (Exists(info, "pieces"))
    {
        const std::string_view pieces = AsString(Get(info, "pieces"));
        Charge(pieces.size() / 20 * sizeof(TTorrentPiece));
        T.Pieces.reserve(pieces.size() / 20);
        for (std::size_t i = 0; i + 20 <= pieces.size(); i += 20)
            T.Pieces.emplace_back(pieces.substr(i, 20), false);
    }
    else
        AddError("Corrupt File: Missing \"info.pieces\" segment");

    if (Exists(info, "source") && Doc.Kind(Get(info, "source")) == TKind::String)
    {
        T.Source = Doc.Text(Get(info, "source"));
        Charge(HeapBytes(T.Source));
    }

    if (Exists(info, "length"))
    {
        const int64_t length = AsInteger(Get(info, "length"));
        T.FileCount = 1;
        T.Files.emplace_back(T.Name, std::string(), length, 0);
        total = length;
    }
    else if (Exists(info, "files"))
        LoadFiles(Get(info, "files"), total);
    else
        AddError(
            "Corrupt File: Missing both \"info.length\" and \"info.files\" segments (should have one or the other)");
}

void TTorrentLoader::LoadFiles(uint32_t files, int64_t& total)
{
    T.MultiFile = true;
    const uint32_t end = Doc.Next(Expect(files, TKind::List));
    std::size_t count = 0;
    for (uint32_t entry = files + 1; entry < end; entry = Doc.Next(entry))
        ++count;
    Charge(count * sizeof(TTorrentSubFile));
    T.Files.reserve(count);
    std::size_t i = 0;
    for (uint32_t entry = files + 1; entry < end; entry = Doc.Next(entry), ++i)
    {
        (void)Expect(entry, TKind::Dictionary);
        int64_t length = 0;
        if (Exists(entry, "length"))
            length = AsInteger(Get(entry, "length"));
        else
            AddError("Corrupt File: files[" + std::to_string(i) + "] is missing a \"length\" segment");
        std::string path;
        std::string name;
        if (Exists(entry, "path"))
        {
            const uint32_t elements = Expect(Get(entry, "path"), TKind::List);
            const uint32_t last = Doc.Next(elements);
            for (uint32_t e = elements + 1; e < last; e = Doc.Next(e))
            {
                const std::string_view element = AsString(e);
                if (Doc.Next(e) < last)
                {
                    path += element;
                    path += '\\';
                }
                else
                    name = element;
            }
        }
        else
            AddError("Corrupt File: files[" + std::to_string(i) + "] is missing a \"path\" segment");
        Charge(HeapBytes(name) + HeapBytes(path));
        T.Files.emplace_back(std::move(name), std::move(path), length, total);
        // Wrapping like the 64-bit sum it stands for, without undefined behaviour.
        total = static_cast<int64_t>(static_cast<uint64_t>(total) + static_cast<uint64_t>(length));
    }
    T.FileCount = static_cast<int32_t>(T.Files.size());
}

// Other tools write one web seed as a string, several as a list. Not a key
// this program's format requires, so a value of another kind is passed over.
void TTorrentLoader::LoadWebSeeds(uint32_t urls)
{
    const auto add = [this](uint32_t url)
    {
        if (Doc.Kind(url) != TKind::String)
            return;
        T.WebSeeds.emplace_back(Doc.Text(url));
        Charge(2 * sizeof(std::string) + HeapBytes(T.WebSeeds.back()));
    };
    if (Doc.Kind(urls) != TKind::List)
        return add(urls);
    for (uint32_t url = urls + 1; url < Doc.Next(urls); url = Doc.Next(url))
        add(url);
}

// The info hash covers the "info" value's bytes exactly as the file holds them.
void TTorrentLoader::LoadInfoHash()
{
    constexpr uint32_t kRoot = 0;
    if (!Exists(kRoot, "_info_start") || !Exists(kRoot, "_info_length"))
        return;
    const int64_t start = Low32(AsInteger(Get(kRoot, "_info_start")));
    const int64_t length = Low32(AsInteger(Get(kRoot, "_info_length")));
    std::string_view bytes;
    // A range outside the data (only a forged "_info_start" after "info" can
    // give one) reads what lies inside it, like a read past the end.
    if (start >= 0 && length > 0 && static_cast<uint64_t>(start) < Data.size())
        bytes = Data.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
    TSHA1 sha;
    sha.Transform(bytes.empty() ? "" : bytes.data(), bytes.size());
    sha.Complete();
    T.InfoHashText = sha.DigestText();
    T.InfoHash = sha.Digest();
}

} // namespace brisolt
