#include "create/loadtorrent.h"

#include "platform/fileio.h"

namespace brisolt
{

bool LoadTorrentFromPath(
    const std::filesystem::path& path, TTorrentFile& model, std::string& bytes, std::string& reason)
{
    bytes.clear();
    switch (ReadWholeFile(path, kMaxMetainfoSize, bytes, reason))
    {
    case TReadResult::Failed:
        return false;
    case TReadResult::TooLarge:
        bytes.clear(); // far too large for metainfo: loads as not bencoded
        break;
    case TReadResult::Ok:
        break;
    }
    model.Load(bytes);
    return true;
}

} // namespace brisolt
