#include "create/loadtorrent.h"

#include <cerrno>

#include "core/bdecode.h"
#include "core/sha256.h"
#include "create/bencodebytes.h"
#include "platform/fileio.h"

namespace brisolt
{

TError LoadTorrentFromPath(const std::filesystem::path& path, TTorrentFile& model, std::string& bytes)
{
    bytes.clear();
    TResult<std::string> read = ReadWholeFile(path, kMaxMetainfoSize);
    if (read)
        bytes = std::move(*read);
    // Far too large for metainfo: loads as not bencoded.
    else if (read.Error().Code() != EFBIG)
        return TError::File(PathBytes(path), TFileAction::Open, read.Error().Code());
    model.Load(bytes);
    return {};
}

std::string_view MetaVersionText(TMetaVersion version)
{
    switch (version)
    {
    case TMetaVersion::V2:
        return "v2";
    case TMetaVersion::Hybrid:
        return "hybrid";
    case TMetaVersion::V1:
        break;
    }
    return "v1";
}

TTorrentFacts ReadTorrentFacts(std::string_view bytes)
{
    TTorrentFacts facts;
    const std::vector<TEntryBytes> root = DictionaryEntries(bytes);
    std::string_view text;
    if (const TEntryBytes* createdBy = FindEntry(root, "created by"); createdBy && RawString(createdBy->Value, text))
        facts.CreatedBy = text;
    const TEntryBytes* info = FindEntry(root, "info");
    if (info == nullptr)
        return facts;
    const std::vector<TEntryBytes> entries = DictionaryEntries(info->Value);
    int64_t number = 0;
    if (const TEntryBytes* isPrivate = FindEntry(entries, "private"); isPrivate)
        facts.Private = RawInteger(isPrivate->Value, number) && number == 1;
    const TEntryBytes* version = FindEntry(entries, "meta version");
    if (version && RawInteger(version->Value, number) && number == 2)
    {
        facts.Version = FindEntry(entries, "pieces") ? TMetaVersion::Hybrid : TMetaVersion::V2;
        const auto digest = Sha256(info->Value);
        facts.V2InfoHash =
            BytesToHex(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()), digest.size());
    }
    if (const TEntryBytes* files = FindEntry(entries, "files"))
    {
        for (const auto item : ListItems(files->Value))
        {
            const std::vector<TEntryBytes> file = DictionaryEntries(item);
            const TEntryBytes* attr = FindEntry(file, "attr");
            facts.Padding.push_back(attr && RawString(attr->Value, text) && text.find('p') != std::string_view::npos);
        }
    }
    return facts;
}

} // namespace brisolt
