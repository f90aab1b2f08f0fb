// Reading a metainfo file into the model: every missing key becomes a line in
// Errors, a value of the wrong kind ends the load with one general line.
#include "core/bdecode.h"
#include "core/messagedigests.h"
#include "core/torrentfile.h"

namespace brisolt
{

namespace
{

const char* const kNotBencoded = "Error parsing file; does not appear to be valid bencoded metainfo";
const char* const kSomethingBad = "Something bad happened while trying to load the file, probably corrupt metainfo";

template <class T>
T& CastTo(TBValue* value)
{
    auto* typed = dynamic_cast<T*>(value);
    if (!typed)
        throw EInvalidCast();
    return *typed;
}

// Strings and integers stand in for each other; anything else is a wrong kind.
std::string AsString(TBValue* value)
{
    const auto& scalar = CastTo<TIntString>(value);
    return scalar.IsInteger ? std::string() : scalar.Text;
}

int64_t AsInteger(TBValue* value)
{
    const auto& scalar = CastTo<TIntString>(value);
    return scalar.IsInteger ? scalar.Value : 0;
}

int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) & 0xFFFFFFFFu));
}

} // namespace

bool TTorrentFile::Load(std::string_view data)
{
    Clear();
    try
    {
        auto root = BDecodeValue(data);
        if (!root)
        {
            Errors.emplace_back(kNotBencoded);
            return false;
        }
        if (!dynamic_cast<TObjectHash*>(root.get()))
            throw EInvalidCast();
        Tree.reset(static_cast<TObjectHash*>(root.release()));
        LoadKeys(data);
        return true;
    }
    catch (const std::exception&)
    {
        Errors.emplace_back(kSomethingBad);
        return false;
    }
}

void TTorrentFile::LoadKeys(std::string_view data)
{
    const TObjectHash& root = *Tree;
    if (root.Exists("announce"))
        Announce = AsString(root.Get("announce"));
    else
        Errors.emplace_back("Corrupt File: Missing \"announce\" segment");
    if (root.Exists("announce-list"))
    {
        for (const auto& tier : CastTo<TBList>(root.Get("announce-list")).Items)
        {
            for (const auto& url : CastTo<TBList>(tier.get()).Items)
                BackupTrackers.push_back(AsString(url.get()));
        }
    }
    if (root.Exists("comment"))
        Comment = AsString(root.Get("comment"));
    if (root.Exists("creation date"))
        CreationDate = FromUnixSeconds(Low32(AsInteger(root.Get("creation date"))));
    int64_t total = 0;
    if (root.Exists("info"))
    {
        LoadInfo(CastTo<TObjectHash>(root.Get("info")), total);
        LoadInfoHash(data);
    }
    else
        Errors.emplace_back("Corrupt File: Missing \"info\" segment");
    Length = total;
}

void TTorrentFile::LoadInfo(const TObjectHash& info, int64_t& total)
{
    if (info.Exists("name"))
    {
        Name = AsString(info.Get("name"));
        constexpr std::string_view kSuffix = ".torrent";
        if (Name.size() >= kSuffix.size() && Name.compare(Name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0)
            Name.resize(Name.size() - kSuffix.size());
    }
    else
        Errors.emplace_back("Corrupt File: Missing \"info.name\" segment");
    if (info.Exists("piece length"))
        PieceLength = Low32(AsInteger(info.Get("piece length")));
    else
        Errors.emplace_back("Corrupt File: Missing \"info.piece length\" segment");
    if (info.Exists("pieces"))
    {
        auto& scalar = CastTo<TIntString>(info.Get("pieces"));
        const std::string_view pieces = scalar.IsInteger ? std::string_view() : scalar.Text;
        Pieces.reserve(pieces.size() / 20);
        for (std::size_t i = 0; i + 20 <= pieces.size(); i += 20)
            Pieces.emplace_back(pieces.substr(i, 20), false);
        // Pieces now holds these bytes; a million pieces would otherwise be
        // kept twice while the model lives. Nothing reads them from the tree.
        std::string().swap(scalar.Text);
    }
    else
        Errors.emplace_back("Corrupt File: Missing \"info.pieces\" segment");

    if (info.Exists("length"))
    {
        const int64_t length = AsInteger(info.Get("length"));
        FileCount = 1;
        Files.emplace_back(Name, std::string(), length, 0);
        total = length;
    }
    else if (info.Exists("files"))
        LoadFiles(info.Get("files"), total);
    else
        Errors.emplace_back(
            "Corrupt File: Missing both \"info.length\" and \"info.files\" segments (should have one or the other)");
}

void TTorrentFile::LoadFiles(TBValue* files, int64_t& total)
{
    MultiFile = true;
    const auto& entries = CastTo<TBList>(files).Items;
    Files.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        const auto& entry = CastTo<TObjectHash>(entries[i].get());
        int64_t length = 0;
        if (entry.Exists("length"))
            length = AsInteger(entry.Get("length"));
        else
            Errors.push_back("Corrupt File: files[" + std::to_string(i) + "] is missing a \"length\" segment");
        std::string path;
        std::string name;
        if (entry.Exists("path"))
        {
            const auto& elements = CastTo<TBList>(entry.Get("path")).Items;
            for (std::size_t e = 0; e < elements.size(); ++e)
            {
                std::string element = AsString(elements[e].get());
                if (e + 1 < elements.size())
                    path += element + '\\';
                else
                    name = std::move(element);
            }
        }
        else
            Errors.push_back("Corrupt File: files[" + std::to_string(i) + "] is missing a \"path\" segment");
        Files.emplace_back(std::move(name), std::move(path), length, total);
        // Wrapping like the 64-bit sum it stands for, without undefined behaviour.
        total = static_cast<int64_t>(static_cast<uint64_t>(total) + static_cast<uint64_t>(length));
    }
    FileCount = static_cast<int32_t>(Files.size());
}

// The info hash covers the "info" value's bytes exactly as the file holds them.
void TTorrentFile::LoadInfoHash(std::string_view data)
{
    const TObjectHash& root = *Tree;
    if (!root.Exists("_info_start") || !root.Exists("_info_length"))
        return;
    const int64_t start = Low32(AsInteger(root.Get("_info_start")));
    const int64_t length = Low32(AsInteger(root.Get("_info_length")));
    std::string_view bytes;
    // A range outside the data (only a forged "_info_start" after "info" can
    // give one) reads what lies inside it, like a read past the end.
    if (start >= 0 && length > 0 && static_cast<uint64_t>(start) < data.size())
        bytes = data.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
    TSHA1 sha;
    sha.Transform(bytes.empty() ? "" : bytes.data(), bytes.size());
    sha.Complete();
    InfoHashText = sha.DigestText();
    InfoHash = sha.Digest();
}

} // namespace brisolt
