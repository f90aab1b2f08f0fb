#include "create/magnetlink.h"

#include <algorithm>
#include <vector>

namespace brisolt
{

std::string PercentEncode(std::string_view bytes)
{
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes)
    {
        const auto u = static_cast<unsigned char>(c);
        const bool unreserved = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-'
                                || u == '.' || u == '_' || u == '~';
        if (unreserved)
            out += c;
        else
        {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

std::string MagnetLink(const TTorrentFile& torrent)
{
    if (torrent.InfoHashText.empty())
        return {};
    std::string link = "magnet:?xt=urn:btih:" + torrent.InfoHashText;
    if (!torrent.Name.empty())
        link += "&dn=" + PercentEncode(torrent.Name);
    std::vector<std::string_view> trackers;
    auto add = [&](std::string_view url)
    {
        if (!url.empty() && std::find(trackers.begin(), trackers.end(), url) == trackers.end())
            trackers.push_back(url);
    };
    add(torrent.Announce);
    for (const auto& url : torrent.BackupTrackers)
        add(url);
    for (const auto url : trackers)
        link += "&tr=" + PercentEncode(url);
    return link;
}

} // namespace brisolt
